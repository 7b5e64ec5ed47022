#include "tests/unit/platform/platform_fixture.h"

#include <string>

namespace {

class DriveTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        fs::create_directories(Root() / "e");
        Machine().MapDrive('e', Root() / "e", DRIVE_CDROM);
    }
};

TEST_F(DriveTest, DriveTypesComeFromTheTable) {
    fs::create_directories(DriveC() / "Game");
    struct Case {
        const char* root;
        UINT type;
    };
    const Case cases[] = {
        {"C:\\", DRIVE_FIXED},           {"C:", DRIVE_FIXED},     {"c:/", DRIVE_FIXED},
        {"E:\\", DRIVE_CDROM},           {"e:", DRIVE_CDROM},     {"Q:\\", DRIVE_NO_ROOT_DIR},
        {"C:\\Game", DRIVE_FIXED}, // an existing folder names its drive
        {"C:\\None", DRIVE_NO_ROOT_DIR}, {"", DRIVE_NO_ROOT_DIR}, {"C", DRIVE_NO_ROOT_DIR},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetDriveTypeA(c.root), c.type) << c.root;
    }
}

TEST_F(DriveTest, ExtendedFreeSpaceFromTheDriveFigures) {
    Machine().drives['C'].free = 12345;
    Machine().drives['C'].total = 99999;
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    for (const char* root : {"C:", "C:\\"}) {
        ASSERT_TRUE(GetDiskFreeSpaceExA(root, &freeToCaller, &total, &totalFree)) << root;
        EXPECT_EQ(freeToCaller.QuadPart, 12345u);
        EXPECT_EQ(total.QuadPart, 99999u);
        EXPECT_EQ(totalFree.QuadPart, 12345u);
    }
    EXPECT_TRUE(GetDiskFreeSpaceExA("C:", &freeToCaller, nullptr, nullptr));
}

TEST_F(DriveTest, ExtendedFreeSpaceFromTheHost) {
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:", &freeToCaller, &total, nullptr));
    EXPECT_EQ(total.QuadPart, fs::space(DriveC()).capacity);
    EXPECT_GT(freeToCaller.QuadPart, 0u);
    EXPECT_LE(freeToCaller.QuadPart, total.QuadPart);
}

TEST_F(DriveTest, FreeSpaceOfUnmappedDriveFails) {
    ULARGE_INTEGER freeToCaller{};
    DWORD a = 0, b = 0, c = 0, d = 0;
    EXPECT_FALSE(GetDiskFreeSpaceExA("Q:", &freeToCaller, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(GetDiskFreeSpaceA("Q:", &a, &b, &c, &d));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(DriveTest, ExtendedCallCanBeMadeToFail) {
    Machine().drives['C'].free = 4096;
    Machine().diskFreeSpaceExFails = true;
    ULARGE_INTEGER freeToCaller{};
    EXPECT_FALSE(GetDiskFreeSpaceExA("C:", &freeToCaller, nullptr, nullptr));
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    EXPECT_TRUE(GetDiskFreeSpaceA("C:", &sectors, &bytes, &freeClusters, &totalClusters));
    EXPECT_EQ(uint64_t{sectors} * bytes * freeClusters, 4096u);
}

TEST_F(DriveTest, ClusterFiguresReproduceTheByteCounts) {
    struct Case {
        uint64_t free;
        uint64_t total;
        uint64_t freeBytes;  // clusters x sectors x bytes for the free count
        uint64_t totalBytes; // ... and for the total
    };
    const Case cases[] = {
        {0, 64ull << 30, 0, 64ull << 30},
        {1000, 64ull << 30, 1000, 0xFFFFFFFFull * 8}, // 8-byte clusters: total capped
        {3 * 4096, 64ull << 30, 3 * 4096, 64ull << 30},
        {5ull << 30, 1ull << 40, 5ull << 30, 1ull << 40},
        {(1ull << 40) + 1, 2ull << 40, 0xFFFFFFFFull, 0xFFFFFFFFull}, // 1-byte clusters: capped
    };
    for (const Case& c : cases) {
        Machine().drives['C'].free = c.free;
        Machine().drives['C'].total = c.total;
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &totalClusters));
        const uint64_t cluster = uint64_t{sectors} * bytes;
        EXPECT_EQ(cluster * freeClusters, c.freeBytes) << c.free;
        EXPECT_EQ(cluster * totalClusters, c.totalBytes) << c.free;
        EXPECT_TRUE(bytes == 512 || bytes == 1) << c.free;
        EXPECT_LE(sectors, 128u) << c.free;
    }
}

using FreeSpaceEx = BOOL (*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

TEST_F(DriveTest, ExtendedEntryPointIsFoundInKernel32) {
    Machine().drives['C'].free = 777;
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(Machine().loadLibraryCalls, 1);
    FARPROC entry = GetProcAddress(kernel, "GetDiskFreeSpaceExA");
    ASSERT_NE(entry, nullptr);
    ULARGE_INTEGER freeToCaller{};
    EXPECT_TRUE(reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void (*)()>(entry))(
        "C:", &freeToCaller, nullptr, nullptr));
    EXPECT_EQ(freeToCaller.QuadPart, 777u);
    EXPECT_EQ(GetProcAddress(kernel, "NoSuchCall"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    Machine().diskFreeSpaceExPresent = false;
    EXPECT_EQ(GetProcAddress(kernel, "GetDiskFreeSpaceExA"), nullptr);
    EXPECT_TRUE(FreeLibrary(kernel));
    EXPECT_EQ(Machine().freeLibraryCalls, 1);
}

TEST_F(DriveTest, OtherModulesAreNotFound) {
    EXPECT_EQ(LoadLibraryA("user32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(Machine().loadLibraryCalls, 0);
}

} // namespace
