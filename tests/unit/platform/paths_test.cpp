#include "tests/unit/platform/platform_fixture.h"

#include <string>

namespace {

using PathTest = PlatformTest;

TEST_F(PathTest, WindowsPathsMapOntoTheDriveFolder) {
    fs::create_directories(DriveC() / "Game" / "Data");
    fs::create_directories(DriveC() / Utf8(u8"ゲーム表"));
    struct Case {
        const char* windowsPath;
        std::string host; // relative to the root of C:, UTF-8
    };
    const Case cases[] = {
        {"C:\\Game\\a.dat", "Game/a.dat"},
        {"c:\\Game\\a.dat", "Game/a.dat"},
        {"C:/Game/Data/a.dat", "Game/Data/a.dat"},
        {"C:\\Game\\\\Data\\", "Game/Data"},
        {"C:\\GAME\\data\\A.DAT", "Game/Data/A.DAT"}, // existing folders by any case
        {"C:\\Game\\.\\Data\\..\\a.dat", "Game/a.dat"},
        {"C:\\..\\a.dat", "a.dat"},
        {"C:", ""},
        {"C:\\", ""},
        // Trail bytes 0x5C (表, ソ) are not separators.
        {"C:\\ゲーム表\\ソ.dat", Utf8(u8"ゲーム表/ソ.dat")},
        {"C:\\ゲーム表\\", Utf8(u8"ゲーム表")},
    };
    for (const Case& c : cases) {
        const fs::path expected = c.host.empty() ? DriveC() : DriveC() / c.host;
        EXPECT_EQ(Machine().HostPath(c.windowsPath), expected) << c.windowsPath;
    }
}

TEST_F(PathTest, PathsThatNameNoHostFile) {
    struct Case {
        const char* windowsPath;
        DWORD error;
    };
    const Case cases[] = {
        {"Q:\\a.dat", ERROR_PATH_NOT_FOUND}, // drive not mapped
        {"Game\\a.dat", ERROR_PATH_NOT_FOUND},
        {"\\Game\\a.dat", ERROR_PATH_NOT_FOUND},
        {"\\\\server\\share\\a.dat", ERROR_PATH_NOT_FOUND},
        {"C:\\a?b.dat", ERROR_INVALID_NAME},
        {"C:\\a\"b.dat", ERROR_INVALID_NAME},
        {"C:\\a:b.dat", ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Machine().HostPath(c.windowsPath).empty()) << c.windowsPath;
        SetLastError(0);
        EXPECT_EQ(CreateFileA(c.windowsPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE)
            << c.windowsPath;
        EXPECT_EQ(GetLastError(), c.error) << c.windowsPath;
        EXPECT_EQ(GetFileAttributesA(c.windowsPath), INVALID_FILE_ATTRIBUTES) << c.windowsPath;
    }
}

TEST_F(PathTest, PathsOfMaxPathCharactersAreRefused) {
    const std::string folder = "C:\\" + std::string(240, 'd');
    fs::create_directories(DriveC() / std::string(240, 'd'));
    const std::string longest = folder + "\\" + std::string(259 - folder.size() - 1, 'f');
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(GetFileAttributesA(longest.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    const std::string tooLong = longest + "x";
    EXPECT_EQ(GetFileAttributesA(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);

    // The limit counts characters: 4 folders of 50 double-byte characters
    // are over 400 bytes but 206 characters.
    std::string japanese = "C:";
    for (int folder = 0; folder < 4; ++folder) {
        japanese += "\\";
        for (int i = 0; i < 50; ++i) {
            japanese += "表";
        }
    }
    ASSERT_GT(japanese.size(), 400u);
    EXPECT_EQ(GetFileAttributesA(japanese.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(PathTest, ExistingFileIsFoundAndReplacedWhateverTheCase) {
    WriteHostFile(DriveC() / "Game" / "Data.Pak", "old");
    HANDLE file = CreateFileA("C:\\GAME\\DATA.PAK", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "new", 3, &written, nullptr));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadHostFile(DriveC() / "Game" / "Data.Pak"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(DriveC() / "Game"), fs::directory_iterator()),
              1);
}

TEST_F(PathTest, NewFilesTakeTheNameAsGivenInUtf8) {
    fs::create_directories(DriveC() / "Game");
    HANDLE file = CreateFileA("C:\\game\\新しい表.Dat", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(fs::exists(DriveC() / "Game" / Utf8(u8"新しい表.Dat")));
}

TEST_F(PathTest, ShiftJisFolderWithTrailBackslashHoldsItsFile) {
    WriteHostFile(DriveC() / Utf8(u8"能力") / Utf8(u8"十.txt"), "ok");
    HANDLE file = CreateFileA("C:\\能力\\十.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char data[8] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(file, data, sizeof data, &read, nullptr));
    EXPECT_EQ(std::string(data, read), "ok");
    EXPECT_TRUE(CloseHandle(file));
}

} // namespace
