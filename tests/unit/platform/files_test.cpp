#include "tests/unit/platform/platform_fixture.h"

#include <sys/stat.h>

#include <string>

namespace {

using FileTest = PlatformTest;

HANDLE OpenForWriting(const char* path) {
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int OpenDescriptors() {
    return static_cast<int>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(FileTest, WrittenBytesReadBackWithPositionAndSize) {
    HANDLE file = OpenForWriting("C:\\A.DAT");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "0123456789", 10, &written, nullptr));
    EXPECT_EQ(written, 10u);
    EXPECT_TRUE(CloseHandle(file));

    file = OpenForReading("C:\\A.DAT");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD high = 99;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    char data[100] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, data, sizeof data, &read, nullptr));
    EXPECT_EQ(std::string(data, read), "456789");
    EXPECT_TRUE(ReadFile(file, data, sizeof data, &read, nullptr)); // at the end: no bytes
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileTest, NegativePositionIsRefused) {
    WriteHostFile(DriveC() / "A.DAT", "abc");
    HANDLE file = OpenForReading("C:\\A.DAT");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // Without a high part the distance is signed: 0x80000000 is negative.
    EXPECT_EQ(SetFilePointer(file, INT32_MIN, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(file, INT32_MIN, &high, FILE_BEGIN), 0x80000000u);
    EXPECT_EQ(high, 0);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileTest, OpenFailuresSayWhatIsMissing) {
    fs::create_directories(DriveC() / "Folder");
    struct Case {
        const char* path;
        bool write;
        DWORD error;
    };
    const Case cases[] = {
        {"C:\\NONE.DAT", false, ERROR_FILE_NOT_FOUND},
        {"C:\\NoFolder\\A.DAT", false, ERROR_PATH_NOT_FOUND},
        {"C:\\NoFolder\\A.DAT", true, ERROR_PATH_NOT_FOUND},
        {"C:\\Folder", false, ERROR_ACCESS_DENIED},
        {"C:\\Folder", true, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.write ? OpenForWriting(c.path) : OpenForReading(c.path), INVALID_HANDLE_VALUE)
            << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
    EXPECT_FALSE(fs::exists(DriveC() / "NoFolder"));
}

TEST_F(FileTest, ReplacingAnExistingFileSaysSo) {
    HANDLE file = OpenForWriting("C:\\A.DAT");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(CloseHandle(file));
    file = OpenForWriting("C:\\A.DAT");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FileTest, HandlesRefuseTheAccessTheyWereNotOpenedFor) {
    WriteHostFile(DriveC() / "A.DAT", "abc");
    HANDLE reading = OpenForReading("C:\\A.DAT");
    DWORD count = 7;
    EXPECT_FALSE(WriteFile(reading, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(CloseHandle(reading));

    HANDLE writing = OpenForWriting("C:\\B.DAT");
    char data[4];
    EXPECT_FALSE(ReadFile(writing, data, sizeof data, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(writing));
    EXPECT_EQ(ReadHostFile(DriveC() / "A.DAT"), "abc");
}

TEST_F(FileTest, WritesToTheNamedFileFailOnDemand) {
    fs::create_directories(DriveC() / "Game");
    Machine().failWritesTo = "C:\\GAME\\A.DAT";
    HANDLE failing = OpenForWriting("C:\\Game\\a.dat");
    ASSERT_NE(failing, INVALID_HANDLE_VALUE);
    DWORD written = 5;
    EXPECT_FALSE(WriteFile(failing, "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_TRUE(CloseHandle(failing));

    HANDLE other = OpenForWriting("C:\\Game\\b.dat");
    EXPECT_TRUE(WriteFile(other, "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    EXPECT_TRUE(CloseHandle(other));
}

TEST_F(FileTest, AttributesOfFilesFoldersAndMissingNames) {
    WriteHostFile(DriveC() / "Game" / "A.DAT", "a");
    struct Case {
        const char* path;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {"C:\\Game\\A.DAT", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"C:\\Game", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\Game\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\Game\\NONE.DAT", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"C:\\None\\A.DAT", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path), c.attributes) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST_F(FileTest, ReadOnlyFilesAreProtectedAsOnWindows) {
    WriteHostFile(DriveC() / "A.DAT", "keep");
    WriteHostFile(DriveC() / "B.DAT", "other");
    ASSERT_TRUE(SetFileAttributesA("C:\\A.DAT", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(HostReadOnly(DriveC() / "A.DAT"));
    EXPECT_EQ(GetFileAttributesA("C:\\A.DAT"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    EXPECT_EQ(OpenForWriting("C:\\A.DAT"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileA("C:\\A.DAT"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(MoveFileExA("C:\\B.DAT", "C:\\A.DAT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(DriveC() / "A.DAT"), "keep");
    EXPECT_EQ(ReadHostFile(DriveC() / "B.DAT"), "other");

    HANDLE reading = OpenForReading("C:\\A.DAT"); // reading is still allowed
    EXPECT_NE(reading, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(reading));

    ASSERT_TRUE(SetFileAttributesA("C:\\A.DAT", FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(HostReadOnly(DriveC() / "A.DAT"));
    EXPECT_EQ(GetFileAttributesA("C:\\A.DAT"), FILE_ATTRIBUTE_ARCHIVE);
    HANDLE writing = OpenForWriting("C:\\A.DAT");
    EXPECT_NE(writing, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(writing));
}

TEST_F(FileTest, HostFileWithoutOwnerWriteBitIsReadOnly) {
    WriteHostFile(DriveC() / "A.DAT", "a");
    fs::permissions(DriveC() / "A.DAT", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(GetFileAttributesA("C:\\A.DAT"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileTest, SetAttributesOfMissingFileFails) {
    EXPECT_FALSE(SetFileAttributesA("C:\\NONE.DAT", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileTest, DeleteFileRemovesFilesOnly) {
    WriteHostFile(DriveC() / "A.DAT", "a");
    fs::create_directories(DriveC() / "Folder");
    EXPECT_TRUE(DeleteFileA("C:\\a.dat"));
    EXPECT_FALSE(fs::exists(DriveC() / "A.DAT"));
    EXPECT_FALSE(DeleteFileA("C:\\A.DAT"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA("C:\\Folder"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::exists(DriveC() / "Folder"));
}

TEST_F(FileTest, MoveReplacesOnlyWhenAsked) {
    WriteHostFile(DriveC() / "NEW.TMP", "new");
    WriteHostFile(DriveC() / "A.DAT", "old");
    EXPECT_FALSE(MoveFileExA("C:\\NEW.TMP", "C:\\A.DAT", 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadHostFile(DriveC() / "A.DAT"), "old");

    EXPECT_TRUE(MoveFileExA("C:\\NEW.TMP", "C:\\A.DAT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadHostFile(DriveC() / "A.DAT"), "new");
    EXPECT_FALSE(fs::exists(DriveC() / "NEW.TMP"));

    EXPECT_FALSE(MoveFileExA("C:\\NEW.TMP", "C:\\B.DAT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// 2001-02-03 04:05:06.5 UTC as a FILETIME (100 ns units since 1601).
constexpr uint64_t Ticks = 981173106ull * 10000000ull + 5000000ull + 116444736000000000ull;
constexpr FILETIME Stamp{static_cast<DWORD>(Ticks & 0xFFFFFFFFu), static_cast<DWORD>(Ticks >> 32)};

TEST_F(FileTest, FileTimesBecomeHostTimes) {
    HANDLE file = OpenForWriting("C:\\A.DAT");
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_TRUE(SetFileTime(file, &Stamp, &Stamp, &Stamp));
    EXPECT_TRUE(CloseHandle(file));
    struct stat status {};
    ASSERT_EQ(::stat((DriveC() / "A.DAT").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 981173106);
    EXPECT_EQ(status.st_mtim.tv_nsec, 500000000);
    EXPECT_EQ(status.st_atim.tv_sec, 981173106);
    EXPECT_EQ(status.st_atim.tv_nsec, 500000000);
}

TEST_F(FileTest, MissingOrZeroFileTimesLeaveTheTimeAlone) {
    HANDLE file = OpenForWriting("C:\\A.DAT");
    ASSERT_TRUE(SetFileTime(file, nullptr, &Stamp, &Stamp));
    const FILETIME zero{0, 0};
    const FILETIME later{Stamp.dwLowDateTime, Stamp.dwHighDateTime + 1};
    EXPECT_TRUE(SetFileTime(file, nullptr, &zero, &later));   // access time stays
    EXPECT_TRUE(SetFileTime(file, nullptr, &later, nullptr)); // write time stays
    EXPECT_TRUE(CloseHandle(file));
    struct stat status {};
    ASSERT_EQ(::stat((DriveC() / "A.DAT").c_str(), &status), 0);
    EXPECT_GT(status.st_mtim.tv_sec, 981173106);
    EXPECT_GT(status.st_atim.tv_sec, 981173106);
    EXPECT_EQ(status.st_mtim.tv_sec, status.st_atim.tv_sec);
}

TEST_F(FileTest, ResetClosesTheHandlesTheProgramLeaked) {
    const int before = OpenDescriptors();
    HANDLE file = OpenForWriting("C:\\A.DAT");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    Machine().Reset();
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_FALSE(CloseHandle(file));
}

} // namespace
