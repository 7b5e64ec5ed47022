#include "tests/unit/platform/platform_fixture.h"

#include <cstring>
#include <string>

namespace {

using TempTest = PlatformTest;

TEST_F(TempTest, TempPathEndsInABackslash) {
    struct Case {
        std::string machinePath;
        std::string expected;
    };
    const Case cases[] = {
        {"C:\\TEMP\\", "C:\\TEMP\\"},
        {"C:\\TEMP", "C:\\TEMP\\"},
        {"C:\\一時表", "C:\\一時表\\"}, // the trail byte 0x5C is no separator
    };
    for (const Case& c : cases) {
        Machine().tempPath = c.machinePath;
        char buffer[MAX_PATH];
        EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), c.expected.size());
        EXPECT_EQ(std::string(buffer), c.expected);
    }
}

TEST_F(TempTest, TempPathReportsTheRoomItNeeds) {
    char buffer[8] = "unused";
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 9u); // "C:\TEMP\" and its terminator
    EXPECT_STREQ(buffer, "unused");
    Machine().tempPath.clear();
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 0u);
}

TEST_F(TempTest, TempFileNamesAreUniqueAndCreated) {
    fs::create_directories(DriveC() / "TEMP");
    WriteHostFile(DriveC() / "TEMP" / "UPD1.tmp", "taken");
    char first[MAX_PATH];
    char second[MAX_PATH];
    const UINT a = GetTempFileNameA("C:\\TEMP\\", "UPDATE", 0, first);
    const UINT b = GetTempFileNameA("C:\\TEMP", "UPDATE", 0, second);
    EXPECT_EQ(a, 2u);
    EXPECT_EQ(std::string(first), "C:\\TEMP\\UPD2.tmp");
    EXPECT_EQ(b, 3u);
    EXPECT_EQ(std::string(second), "C:\\TEMP\\UPD3.tmp");
    EXPECT_TRUE(fs::exists(DriveC() / "TEMP" / "UPD2.tmp"));
    EXPECT_TRUE(fs::exists(DriveC() / "TEMP" / "UPD3.tmp"));
    EXPECT_EQ(ReadHostFile(DriveC() / "TEMP" / "UPD1.tmp"), "taken");
}

TEST_F(TempTest, GivenNumberOnlyFormsTheName) {
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA("C:\\", "ゲーム表", 0xBEEF, name), 0xBEEFu);
    EXPECT_EQ(std::string(name), "C:\\ゲームbeef.tmp"); // three characters of the prefix
    EXPECT_FALSE(fs::exists(DriveC() / Utf8(u8"ゲームbeef.tmp")));
}

TEST_F(TempTest, TempFileInMissingFolderFails) {
    char name[MAX_PATH];
    EXPECT_EQ(GetTempFileNameA("C:\\NONE", "T", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
}

TEST(ProcessId, IsTheHostProcess) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(::getpid()));
}

} // namespace
