#include "tests/unit/platform/platform_fixture.h"

#include <cstring>
#include <string>

namespace {

class RegistryTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Machine().SetRegistryString("Software\\Maker\\Game", "InstPath", "C:\\ゲーム");
        Machine().SetRegistryDword("Software\\Maker\\Game", "InstMode", 2);
    }

    HKEY Open(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS) << path;
        return key;
    }
};

TEST_F(RegistryTest, KeysOpenWithoutRegardToCase) {
    for (const char* path : {"Software\\Maker\\Game", "SOFTWARE\\maker\\GAME", "Software\\Maker"}) {
        HKEY key = Open(path);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    }
    HKEY key = nullptr;
    for (const char* path :
         {"Software\\Maker\\Other", "Software\\Make", "Software\\Maker\\Game\\X"}) {
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND)
            << path;
    }
}

TEST_F(RegistryTest, ValuesFitOrReportTheirSize) {
    HKEY key = Open("Software\\maker\\game");
    const DWORD textSize = static_cast<DWORD>(std::strlen("C:\\ゲーム") + 1);
    struct Case {
        const char* name;
        DWORD size;
        LONG result;
        DWORD sizeAfter;
    };
    const Case cases[] = {
        {"InstPath", 260, ERROR_SUCCESS, textSize},
        {"instpath", textSize, ERROR_SUCCESS, textSize},
        {"InstPath", textSize - 1, ERROR_MORE_DATA, textSize},
        {"InstMode", 4, ERROR_SUCCESS, 4},
        {"InstMode", 3, ERROR_MORE_DATA, 4},
        {"Missing", 260, ERROR_FILE_NOT_FOUND, 260},
    };
    for (const Case& c : cases) {
        BYTE data[260];
        std::memset(data, 0x7F, sizeof data);
        DWORD size = c.size;
        EXPECT_EQ(RegQueryValueExA(key, c.name, nullptr, nullptr, data, &size), c.result) << c.name;
        EXPECT_EQ(size, c.sizeAfter) << c.name;
        if (c.result != ERROR_SUCCESS) {
            EXPECT_EQ(data[0], 0x7F) << c.name << ": nothing is written";
        }
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ValueDataAndTypes) {
    HKEY key = Open("Software\\Maker\\Game");
    char path[260];
    DWORD size = sizeof path;
    DWORD type = 0;
    ASSERT_EQ(
        RegQueryValueExA(key, "InstPath", nullptr, &type, reinterpret_cast<LPBYTE>(path), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(path, "C:\\ゲーム");
    EXPECT_EQ(type, REG_SZ);
    int32_t mode = 0;
    size = sizeof mode;
    ASSERT_EQ(
        RegQueryValueExA(key, "InstMode", nullptr, &type, reinterpret_cast<LPBYTE>(&mode), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(type, REG_DWORD);
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "InstPath", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, std::strlen("C:\\ゲーム") + 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, RawValuesReadAsBinary) {
    Machine().registry["Software\\Maker\\Game"]["Raw"] = {1, 2, 3};
    HKEY key = Open("Software\\Maker\\Game");
    BYTE data[8];
    DWORD size = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Raw", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, SubkeyOpensBelowAnOpenKey) {
    HKEY software = Open("Software");
    HKEY game = nullptr;
    ASSERT_EQ(RegOpenKeyExA(software, "Maker\\Game", 0, KEY_READ, &game), ERROR_SUCCESS);
    int32_t mode = 0;
    DWORD size = sizeof mode;
    EXPECT_EQ(RegQueryValueExA(game, "InstMode", nullptr, nullptr, reinterpret_cast<LPBYTE>(&mode),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(RegCloseKey(game), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
}

} // namespace
