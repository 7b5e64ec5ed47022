#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

const CompareCase CompareCases[] = {
    {"UPDATE.INI", "update.ini", 0},
    {"Update.Ini", "UPDATE.INI", 0},
    {"", "", 0},
    {"a", "", 1},
    {"", "a", -1},
    {"abc", "abd", -1},
    {"ABD", "abc", 1},
    {"abc", "ab", 1},
    {"a_b", "aab", -1}, // symbols sort before letters
    {"a~b", "a0b", -1}, // ... and before digits
    {"a9", "aa", -1},   // digits before letters
    {"Z", "a", 1},      // letters by alphabet, not by code
    {"ゲーム", "ゲーム", 0},
    {"ゲーム", "ゲーム表", -1},
    {"a", "ア", -1}, // double-byte characters after ASCII
    // Trail bytes are never folded: 0x83 0x41 (ア) and 0x83 0x61 (ヂ) differ
    // only by the case of a letter-valued trail byte.
    {"\x83\x41", "\x83\x61", -1},
    {"x\x83\x41", "X\x83\x41", 0},
};

class CompareNoCase : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareNoCase, OrdersLikeThePlatform) {
    const CompareCase& c = GetParam();
    EXPECT_EQ(Sign(lstrcmpiA(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(lstrcmpiA(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
}

INSTANTIATE_TEST_SUITE_P(Cases, CompareNoCase, ::testing::ValuesIn(CompareCases));

TEST(LeadBytes, AreThoseOfCodePage932) {
    for (int byte = 0; byte < 256; ++byte) {
        const bool lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        EXPECT_EQ(IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE, lead) << "byte " << byte;
    }
}

TEST(StringCalls, CopyConcatenateAndMeasure) {
    char buffer[32] = "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz";
    EXPECT_EQ(lstrcpyA(buffer, "C:\\ゲーム"), buffer);
    EXPECT_EQ(lstrcatA(buffer, "\\A.DAT"), buffer);
    EXPECT_EQ(std::string(buffer), "C:\\ゲーム\\A.DAT");
    EXPECT_EQ(lstrlenA(buffer), 15);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

} // namespace
