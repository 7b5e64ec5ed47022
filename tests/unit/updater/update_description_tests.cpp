#include "updater/update_description.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UpdateDescriptionKeys, TwoDigitNumbers) {
    struct Case {
        int number;
        const char* update;
        const char* copy;
    };
    for (const Case& c :
         {Case{0, "UpdateFile00", "CopyFile00"}, Case{7, "UpdateFile07", "CopyFile07"},
          Case{15, "UpdateFile15", "CopyFile15"}}) {
        char key[1024];
        FormatUpdateFileKey(key, c.number);
        EXPECT_STREQ(key, c.update);
        FormatCopyFileKey(key, c.number);
        EXPECT_STREQ(key, c.copy);
    }
    EXPECT_EQ(UpdateListCapacity, 16);
    EXPECT_EQ(CopyListCapacity, 16);
}

struct VariantCase {
    const char* name;
    const char* value;
    int32_t variant;
    const char* entry; // null: passed over
};

class EntryForVariantTest : public testing::TestWithParam<VariantCase> {};

TEST_P(EntryForVariantTest, SelectsByTheVariantDigit) {
    const VariantCase& c = GetParam();
    const char* entry = EntryForVariant(c.value, c.variant);
    if (c.entry == nullptr) {
        EXPECT_EQ(entry, nullptr);
    } else {
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry, c.entry);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, EntryForVariantTest,
    testing::Values(VariantCase{"NoPrefix", "DATA.PAK", 1, "DATA.PAK"},
                    VariantCase{"SameVariant", "1,README.TXT", 1, "README.TXT"},
                    VariantCase{"OtherVariant", "2,README.TXT", 1, nullptr},
                    VariantCase{"VariantZero", "0,A\\B.DAT", 0, "A\\B.DAT"},
                    VariantCase{"OneCharacter", "X", 0, "X"},
                    VariantCase{"CommaLater", "12,X", 12, "12,X"},
                    VariantCase{"LetterDigit", "A,X", 'A' - '0', "X"},
                    // Half-width katakana ｱ is the single byte 0xB1: its code, not a negative char.
                    VariantCase{"ByteAbove7F", "ｱ,X", 0xB1 - '0', "X"},
                    VariantCase{"PrefixOnly", "1,", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct DiscPrefixCase {
    const char* name;
    const char* entry;
    int result;
    int32_t disc;
    const char* path;
};

class SplitDiscPrefixTest : public testing::TestWithParam<DiscPrefixCase> {};

TEST_P(SplitDiscPrefixTest, TakesOneDigitBeforeAColon) {
    const DiscPrefixCase& c = GetParam();
    int32_t disc = -7;
    const char* path = nullptr;
    EXPECT_EQ(SplitDiscPrefix(c.entry, disc, path), c.result);
    if (c.result) {
        EXPECT_EQ(disc, c.disc);
        EXPECT_STREQ(path, c.path);
    } else {
        EXPECT_EQ(disc, -7);
        EXPECT_EQ(path, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, SplitDiscPrefixTest,
    testing::Values(DiscPrefixCase{"NoPrefix", "MOVIE\\OP.AVI", 1, 0, "MOVIE\\OP.AVI"},
                    DiscPrefixCase{"DiscTwo", "2:MOVIE", 1, 2, "MOVIE"},
                    DiscPrefixCase{"DiscZero", "0:X.DAT", 1, 0, "X.DAT"},
                    DiscPrefixCase{"DiscNine", "9:X.DAT", 1, 9, "X.DAT"},
                    DiscPrefixCase{"OneCharacter", "X", 1, 0, "X"},
                    DiscPrefixCase{"TwoDigits", "12:X", 1, 0, "12:X"},
                    DiscPrefixCase{"DriveLetterRefused", "E:MOVIE", 0, 0, nullptr},
                    DiscPrefixCase{"SignRefused", "-:X", 0, 0, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MemberNameOf, PartAfterTheLastBackslash) {
    struct Case {
        std::string path;
        std::string name;
    };
    for (const Case& c :
         {Case{"README.TXT", "README.TXT"}, Case{"DATA\\README.TXT", "README.TXT"},
          Case{"A\\B\\C.PAK", "C.PAK"}, Case{"DATA\\", ""},
          // ソ and 表 end in byte 0x5C, which is no separator here.
          Case{"ソ", "ソ"}, Case{"表.DAT", "表.DAT"}, Case{"DATA\\ゲーム表", "ゲーム表"},
          Case{"ゲーム表\\X.PAK", "X.PAK"}, Case{"A/B.PAK", "A/B.PAK"}}) {
        EXPECT_EQ(std::string(MemberNameOf(c.path.c_str())), c.name) << c.path;
    }
}

} // namespace
