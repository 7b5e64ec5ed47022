#include "tests/unit/platform/platform_fixture.h"
#include "tests/unit/platform/profile_cases.h"

#include <algorithm>
#include <vector>

namespace {

class ProfileReader : public PlatformTest, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(ProfileReader, ReadsAsThePlatformDoes) {
    const ProfileCase& c = GetParam();
    if (c.file != nullptr) {
        WriteHostFile(DriveC() / "TEST.INI", c.file);
    }
    // Zero-filled as the program fills its buffers; the guard bytes beyond
    // `size` must stay untouched.
    std::vector<char> buffer(c.size + 8, '\x7F');
    std::fill_n(buffer.begin(), c.size, '\0');
    const DWORD count = GetPrivateProfileStringA(c.section, c.key, c.defaultValue, buffer.data(),
                                                 c.size, "C:\\TEST.INI");
    EXPECT_STREQ(buffer.data(), c.expected);
    EXPECT_EQ(count, c.expectedCount);
    for (size_t i = c.size; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '\x7F') << "byte " << i << " written";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfileReader, ::testing::ValuesIn(ProfileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlatformTest, ProfileFileFoundThroughCaseInsensitivePath) {
    WriteHostFile(DriveC() / "Game" / "setup.ini", "[SETUP]\nGameTitle=T\n");
    char buffer[260];
    EXPECT_EQ(GetPrivateProfileStringA("SETUP", "GameTitle", "", buffer, sizeof buffer,
                                       "C:\\GAME\\SETUP.INI"),
              1u);
    EXPECT_STREQ(buffer, "T");
}

TEST_F(PlatformTest, ProfileOnUnmappedDriveGivesDefault) {
    char buffer[260];
    EXPECT_EQ(GetPrivateProfileStringA("S", "K", "x", buffer, sizeof buffer, "Q:\\A.INI"), 1u);
    EXPECT_STREQ(buffer, "x");
}

} // namespace
