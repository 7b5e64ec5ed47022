#include "settings/profile.h"

#include "tests/support/boxes.h"
#include "tests/support/scratch_drive.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

machine::Machine& M() {
    return machine::TheMachine();
}

TEST(IsListDelimiter, OnlyNulLineBreaksAndComma) {
    for (int byte = 0; byte < 256; ++byte) {
        int expected = byte == 0 || byte == 10 || byte == 13 || byte == 44;
        EXPECT_EQ(IsListDelimiter(static_cast<BYTE>(byte)), expected) << "byte " << byte;
    }
}

// ---- NextListToken ------------------------------------------------------------

constexpr int32_t Untouched = 77; // DiscIndex before the first call

struct TokenCase {
    const char* name;
    std::string value;
    std::vector<std::string> tokens;
    std::vector<int32_t> discs; // DiscIndex after each stored token
};

class NextListTokenTest : public testing::TestWithParam<TokenCase> {};

TEST_P(NextListTokenTest, YieldsTokensThenEnds) {
    const TokenCase& c = GetParam();
    ResetProgramState();
    DiscIndex = Untouched;
    char list[TextBufferSize] = {};
    std::memcpy(list, c.value.data(), c.value.size());
    char* cursor = list;

    for (size_t i = 0; i < c.tokens.size(); ++i) {
        PathBuffer token;
        std::memset(token, 'Q', sizeof token);
        ASSERT_EQ(NextListToken(token, cursor), 1) << "token " << i;
        EXPECT_EQ(std::string(token), c.tokens[i]) << "token " << i;
        EXPECT_EQ(DiscIndex, c.discs[i]) << "token " << i;
    }
    PathBuffer token = "unchanged";
    EXPECT_EQ(NextListToken(token, cursor), 0);
    EXPECT_EQ(NextListToken(token, cursor), 0);
    EXPECT_STREQ(token, "unchanged");
    EXPECT_EQ(std::string(list), c.value) << "the value text is left as it was";
}

const TokenCase TokenCases[] = {
    {"BlankAroundComma", "a , b", {"a ", "b"}, {Untouched, Untouched}},
    {"PrefixCarriesOver", "1:a.dat,b.dat,2:c.dat", {"a.dat", "b.dat", "c.dat"}, {1, 1, 2}},
    {"LeadingComma", ",a", {}, {}},
    {"EmptyItemEnds", "a,,b", {"a"}, {Untouched}},
    {"BlankItemEnds", "a,  ,b", {"a"}, {Untouched}},
    {"TrailingComma", "a,", {"a"}, {Untouched}},
    {"EmptyValue", "", {}, {}},
    {"OnlyBlanks", "   ", {}, {}},
    {"LetterPrefixIsDiscZero", "C:\\GAME\\X.DAT", {"\\GAME\\X.DAT"}, {0}},
    {"TwoDigitsAreNoPrefix", "12:x", {"12:x"}, {Untouched}},
    {"PrefixAtEnd", "a,3:", {"a", ""}, {Untouched, 3}},
    {"PrefixBeforeComma", "4:,b", {"", "b"}, {4, 4}},
    {"BlankAfterPrefixKept", " 5: x", {" x"}, {5}},
    {"TabStartsToken", "a,\tb", {"a", "\tb"}, {Untouched, Untouched}},
    {"CarriageReturnDelimits", "a\rb", {"a", "b"}, {Untouched, Untouched}},
    {"LineFeedDelimits", "a\nb", {"a", "b"}, {Untouched, Untouched}},
    {"CrLfMakesEmptyItem", "a\r\nb", {"a"}, {Untouched}},
    {"DoubleByteNames",
     "ゲーム表.dat,2:ソフト\\能",
     {"ゲーム表.dat", "ソフト\\能"},
     {Untouched, 2}},
};

INSTANTIATE_TEST_SUITE_P(Values, NextListTokenTest, testing::ValuesIn(TokenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A token slot between two guard regions, to see that nothing is written
// beyond its 260 bytes.
struct GuardedSlot {
    char before[16];
    PathBuffer token;
    char after[16];
};

struct LongTokenCase {
    const char* name;
    std::string token;    // the token as written in the value
    std::string expected; // what the slot receives
};

class LongTokenTest : public testing::TestWithParam<LongTokenCase> {};

TEST_P(LongTokenTest, IsCutAtTheSlotAndTheRestPassedOver) {
    const LongTokenCase& c = GetParam();
    std::string value = c.token + ",next";
    char list[TextBufferSize] = {};
    ASSERT_LT(value.size(), sizeof list);
    std::memcpy(list, value.data(), value.size());
    char* cursor = list;

    GuardedSlot slot;
    std::memset(&slot, 'G', sizeof slot);
    ASSERT_EQ(NextListToken(slot.token, cursor), 1);
    EXPECT_EQ(std::string(slot.token), c.expected);
    EXPECT_EQ(std::string(slot.before, 16), std::string(16, 'G'));
    EXPECT_EQ(std::string(slot.after, 16), std::string(16, 'G'));

    ASSERT_EQ(NextListToken(slot.token, cursor), 1);
    EXPECT_STREQ(slot.token, "next");
    EXPECT_EQ(NextListToken(slot.token, cursor), 0);
}

const std::string Hyo = "表"; // 0x95 0x5C

const LongTokenCase LongTokenCases[] = {
    {"Exactly259", std::string(259, 'x'), std::string(259, 'x')},
    {"Over259", std::string(300, 'x'), std::string(259, 'x')},
    {"PairFitsAtTheEnd", std::string(257, 'x') + Hyo + "yy", std::string(257, 'x') + Hyo},
    {"PairNotSplit", std::string(258, 'x') + Hyo + "y", std::string(258, 'x')},
    {"ManyPairs",
     [] {
         std::string s;
         for (int i = 0; i < 200; ++i)
             s += Hyo;
         return s;
     }(),
     [] {
         std::string s;
         for (int i = 0; i < 129; ++i)
             s += Hyo;
         return s;
     }()},
};

INSTANTIATE_TEST_SUITE_P(Values, LongTokenTest, testing::ValuesIn(LongTokenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NextListToken, StopsAtTheValuesEndWhateverFollowsInTheBuffer) {
    // A short read into a buffer that held a longer value before: the bytes
    // after the terminating NUL are not part of the value.
    char list[TextBufferSize];
    std::memset(list, 'z', sizeof list);
    std::memcpy(list, "a,b\0stale,old", 14);
    char* cursor = list;
    PathBuffer token;
    ASSERT_EQ(NextListToken(token, cursor), 1);
    ASSERT_EQ(NextListToken(token, cursor), 1);
    EXPECT_STREQ(token, "b");
    EXPECT_EQ(NextListToken(token, cursor), 0);
    EXPECT_EQ(cursor, list + 3) << "the cursor stays on the value's NUL";
}

TEST(NextListToken, FullBufferValueEndsAtItsLastByte) {
    char memory[PathBufferSize + 8];
    std::memset(memory, 'z', sizeof memory);
    char* value = memory;
    std::memset(value, 'v', PathBufferSize - 1);
    value[PathBufferSize - 1] = '\0';
    char* cursor = value;
    PathBuffer token;
    ASSERT_EQ(NextListToken(token, cursor), 1);
    EXPECT_EQ(std::string(token), std::string(259, 'v'));
    EXPECT_EQ(NextListToken(token, cursor), 0);
    EXPECT_LT(cursor, value + PathBufferSize);
}

// ---- Reads ----------------------------------------------------------------------

class ProfileReadTest : public testing::Test {
  protected:
    ScratchDrive drive;

    void SetUp() override {
        drive.Write("GAME/SETUP.INI", "[SETUP]\r\n"
                                      "Name=Value\r\n"
                                      "Empty=\r\n"
                                      "Number=12abc\r\n"
                                      "Letters=abc\r\n"
                                      "Negative=-3\r\n"
                                      "Signed=  +42\r\n"
                                      "Huge=99999999999\r\n"
                                      "HugeNegative=-99999999999\r\n"
                                      "Long=" +
                                          std::string(300, 'L') +
                                          "\r\n"
                                          "[UPDATE]\r\n"
                                          "UpdateFile00=DATA.PAK\r\n");
        std::strcpy(SetupIniPath, "C:\\GAME\\SETUP.INI");
    }

    void ExpectOneBox(const std::string& text) {
        EXPECT_EQ(ErrorBoxTexts("INSTCMMN"), std::vector<std::string>{text});
    }
};

TEST_F(ProfileReadTest, PresentValueFillsTheRestWithZeros) {
    PathBuffer value;
    std::memset(value, 'Q', sizeof value);
    EXPECT_EQ(ReadSetupString("name", value, sizeof value), 1);
    EXPECT_STREQ(value, "Value");
    for (int i = 5; i < PathBufferSize; ++i) {
        ASSERT_EQ(value[i], '\0') << "byte " << i;
    }
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(ProfileReadTest, LongValueIsCut) {
    PathBuffer value;
    EXPECT_EQ(ReadSetupString("Long", value, sizeof value), 1);
    EXPECT_EQ(std::string(value), std::string(259, 'L'));
}

struct MissingCase {
    const char* name;
    const char* key;
    const char* file; // null: SetupIniPath
};

class MissingKeyTest : public ProfileReadTest, public testing::WithParamInterface<MissingCase> {};

TEST_P(MissingKeyTest, SetupReadFailsWithMessage) {
    const MissingCase& c = GetParam();
    if (c.file) {
        std::strcpy(SetupIniPath, c.file);
    }
    PathBuffer value;
    std::memset(value, 'Q', sizeof value);
    EXPECT_EQ(ReadSetupString(c.key, value, sizeof value), 0);
    EXPECT_EQ(std::string(value, sizeof value), std::string(sizeof value, '\0'));
    ExpectOneBox(std::string("SETUP.INI : ") + c.key + " キーが存在しません");
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].owner, nullptr);
}

TEST_P(MissingKeyTest, SetupReadIsSilentWhenQuiet) {
    const MissingCase& c = GetParam();
    if (c.file) {
        std::strcpy(SetupIniPath, c.file);
    }
    MissingKeyQuiet = 1;
    PathBuffer value;
    EXPECT_EQ(ReadSetupString(c.key, value, sizeof value), 0);
    EXPECT_STREQ(value, "");
    EXPECT_TRUE(M().boxes.empty());
}

TEST_P(MissingKeyTest, ProfileReadNamesSectionAndKey) {
    const MissingCase& c = GetParam();
    PathBuffer value;
    EXPECT_EQ(ReadProfileString("SETUP", c.key, value, sizeof value,
                                c.file ? c.file : "C:\\GAME\\SETUP.INI"),
              0);
    ExpectOneBox(std::string("SETUP : ") + c.key + " キーが存在しません");
}

const MissingCase MissingCases[] = {
    {"EmptyValue", "Empty", nullptr},
    {"AbsentKey", "Absent", nullptr},
    {"KeyOfAnotherSection", "UpdateFile00", nullptr},
    {"AbsentFile", "Name", "C:\\GAME\\NONE.INI"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MissingKeyTest, testing::ValuesIn(MissingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileReadTest, ProfileReadOfAnotherSection) {
    PathBuffer value;
    EXPECT_EQ(
        ReadProfileString("update", "updatefile00", value, sizeof value, "C:\\GAME\\SETUP.INI"), 1);
    EXPECT_STREQ(value, "DATA.PAK");
    EXPECT_EQ(ReadProfileString("UPDATE", "CopyFile00", value, sizeof value, "C:\\GAME\\SETUP.INI"),
              0);
    ExpectOneBox("UPDATE : CopyFile00 キーが存在しません");
}

TEST_F(ProfileReadTest, BoxIsOwnedByTheWizardWhileItIsOpen) {
    HWND wizard = reinterpret_cast<HWND>(0x1234);
    WizardWindow = wizard;
    PathBuffer value;
    ReadSetupString("Absent", value, sizeof value);
    ASSERT_EQ(M().boxes.size(), 1u);
    EXPECT_EQ(M().boxes[0].owner, wizard);
}

struct IntegerCase {
    const char* key;
    int32_t expected;
};

class ReadSetupIntegerTest : public ProfileReadTest,
                             public testing::WithParamInterface<IntegerCase> {};

TEST_P(ReadSetupIntegerTest, ConvertsLikeStrtol) {
    int32_t out = 555;
    EXPECT_EQ(ReadSetupInteger(GetParam().key, out), 1);
    EXPECT_EQ(out, GetParam().expected);
    EXPECT_TRUE(M().boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Values, ReadSetupIntegerTest,
                         testing::Values(IntegerCase{"Number", 12}, IntegerCase{"Letters", 0},
                                         IntegerCase{"Negative", -3}, IntegerCase{"Signed", 42},
                                         IntegerCase{"Huge", INT32_MAX},
                                         IntegerCase{"HugeNegative", INT32_MIN}),
                         [](const auto& info) { return std::string(info.param.key); });

TEST(ProfileNumber, ConvertsLikeStrtolWithinThirtyTwoBits) {
    struct Case {
        const char* text;
        int32_t expected;
    };
    for (const Case& c :
         {Case{"12abc", 12}, Case{"letters", 0}, Case{"", 0}, Case{"-3", -3}, Case{"+5", 5},
          Case{"  42", 42}, Case{"\t7", 7}, Case{"- 3", 0}, Case{"0x10", 0}, Case{"007", 7},
          Case{"2147483647", INT32_MAX}, Case{"2147483648", INT32_MAX},
          Case{"-2147483648", INT32_MIN}, Case{"-2147483649", INT32_MIN},
          Case{"99999999999999999999", INT32_MAX}}) {
        EXPECT_EQ(ProfileNumber(c.text), c.expected) << c.text;
    }
}

TEST_F(ProfileReadTest, MissingIntegerLeavesTheOutputAlone) {
    int32_t out = 555;
    EXPECT_EQ(ReadSetupInteger("Absent", out), 0);
    EXPECT_EQ(out, 555);
    ExpectOneBox("SETUP.INI : Absent キーが存在しません");
}

} // namespace
