#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <functional>
#include <string>

namespace {

struct FormatCase {
    const char* name;
    std::function<int(char*)> format;
    std::string expected;
};

const FormatCase FormatCases[] = {
    {"TwoDigitInteger", [](char* b) { return wsprintfA(b, "%02i", 7); }, "07"},
    {"TwoDigitIntegerWide", [](char* b) { return wsprintfA(b, "%02i", 123); }, "123"},
    {"NegativeZeroPadded", [](char* b) { return wsprintfA(b, "%05d", -42); }, "-0042"},
    {"Width", [](char* b) { return wsprintfA(b, "[%5d]", 42); }, "[   42]"},
    {"LeftAligned", [](char* b) { return wsprintfA(b, "[%-5s]", "ab"); }, "[ab   ]"},
    {"StringWidth", [](char* b) { return wsprintfA(b, "[%4s]", "ab"); }, "[  ab]"},
    {"Unsigned", [](char* b) { return wsprintfA(b, "%u", 4294967295u); }, "4294967295"},
    {"MinimumInteger", [](char* b) { return wsprintfA(b, "%d", INT32_MIN); }, "-2147483648"},
    {"HexLowerUpper", [](char* b) { return wsprintfA(b, "%x %X", 0xBEEFu, 0xBEEFu); }, "beef BEEF"},
    {"LongPrefix", [](char* b) { return wsprintfA(b, "%lu %li", DWORD{7}, LONG{-7}); }, "7 -7"},
    {"ShortPrefixChangesNothing", [](char* b) { return wsprintfA(b, "%hd %hu", -70000, 70000); },
     "-70000 70000"},
    {"HexPrefixOutsideTheWidth",
     [](char* b) { return wsprintfA(b, "%#x|%#06X|%#6x|%-#6x|", 255u, 255u, 255u, 255u); },
     "0xff|0X0000FF|    0xff|0xff    |"},
    {"ZeroFlagDoesNotPadCharacters", [](char* b) { return wsprintfA(b, "%03c|%-3c|", 'c', 'b'); },
     "  c|b  |"},
    {"Character", [](char* b) { return wsprintfA(b, "<%c>", 'Z'); }, "<Z>"},
    {"Percent", [](char* b) { return wsprintfA(b, "100%%"); }, "100%"},
    {"NullString", [](char* b) { return wsprintfA(b, "%s", static_cast<const char*>(nullptr)); },
     "(null)"},
    {"PercentInsideArgumentIsText", [](char* b) { return wsprintfA(b, "%s", "50%d off %s"); },
     "50%d off %s"},
    {"ShiftJisArgument",
     [](char* b) { return wsprintfA(b, "%s アップデート %s", "ゲーム表", "1.1"); },
     "ゲーム表 アップデート 1.1"},
    {"UnknownConversionPrintsLetter", [](char* b) { return wsprintfA(b, "%y"); }, "y"},
    {"Precision", [](char* b) { return wsprintfA(b, "%.2s|%.3d", "abcd", 5); }, "ab|005"},
};

class Format : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Format, FollowsThePlatformRules) {
    char buffer[1100];
    const int written = GetParam().format(buffer);
    EXPECT_EQ(std::string(buffer), GetParam().expected);
    EXPECT_EQ(written, static_cast<int>(GetParam().expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, Format, ::testing::ValuesIn(FormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A full buffer reports 1024, whether the output was cut or just fitted.
TEST(FormatLimit, OutputStopsAt1023CharactersAndTheTerminator) {
    const std::string longText(2000, 'a');
    char buffer[2100];
    std::fill(std::begin(buffer), std::end(buffer), '\x7F');
    EXPECT_EQ(wsprintfA(buffer, "x%sy", longText.c_str()), 1024);
    EXPECT_EQ(std::string(buffer), "x" + std::string(1022, 'a'));
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], '\x7F');
}

TEST(FormatLimit, FullBufferReports1024) {
    for (const size_t length : {1021u, 1022u, 1023u}) {
        const std::string text(length, 'b');
        char buffer[1024];
        EXPECT_EQ(wsprintfA(buffer, "%s", text.c_str()), length == 1023 ? 1024 : int(length));
        EXPECT_EQ(std::string(buffer), text);
    }
}

int CallV(char* buffer, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = wvsprintfA(buffer, format, arguments);
    va_end(arguments);
    return written;
}

TEST(FormatList, TakesItsArgumentsFromTheList) {
    char buffer[1024];
    EXPECT_EQ(CallV(buffer, "%s : %s %02i", "SETUP", "Key", 3), 14);
    EXPECT_STREQ(buffer, "SETUP : Key 03");
}

} // namespace
