// Cases for GetPrivateProfileStringA: a file's text, the call's arguments
// and what the platform's reader gives back. Kept as plain data so that the
// same table can be run against another implementation of the reader.
#pragma once

#include "platform/win32.h"

struct ProfileCase {
    const char* name;
    const char* file; // contents of the profile file; null: no file at all
    const char* section;
    const char* key;
    const char* defaultValue;
    DWORD size;
    const char* expected;
    DWORD expectedCount;
};

// Values of 300 and 259 letters, for cutting at a 260-byte buffer.
#define LONG_50 "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
#define LONG_259 LONG_50 LONG_50 LONG_50 LONG_50 LONG_50 "xxxxxxxxx"
#define LONG_300 LONG_50 LONG_50 LONG_50 LONG_50 LONG_50 LONG_50

inline const ProfileCase ProfileCases[] = {
    {"PlainValueCrLf", "[SETUP]\r\nGameDir=Game\r\n", "SETUP", "GameDir", "", 260, "Game", 4},
    {"PlainValueLf", "[SETUP]\nGameDir=Game\n", "SETUP", "GameDir", "", 260, "Game", 4},
    {"NoFinalLineEnd", "[SETUP]\nGameDir=Game", "SETUP", "GameDir", "", 260, "Game", 4},
    {"SectionAndKeyIgnoreCase", "[Setup]\nGAMEDIR=x\n", "sETUP", "gamedir", "", 260, "x", 1},
    {"BlanksAroundKeyAndValue", "[S]\n \t Key \t=  \t va lue \t \r\n", "S", "Key", "", 260,
     "va lue", 6},
    {"BlanksAroundSectionLine", "  [S]  \r\nK=1\r\n", "S", "K", "", 260, "1", 1},
    {"BlanksInsideSectionBrackets", "[ S\t]\r\nK=v\r\n", "S", "K", "", 260, "v", 1},
    {"BlanksAroundArguments", "[S]\nK=1\n", " S ", " K\t", "", 260, "1", 1},
    {"DoubleQuotesRemoved", "[S]\nK=\"a b\"\n", "S", "K", "", 260, "a b", 3},
    {"SingleQuotesRemoved", "[S]\nK='a b'\n", "S", "K", "", 260, "a b", 3},
    {"BlanksInsideQuotesKept", "[S]\nK=\" a \"\n", "S", "K", "", 260, " a ", 3},
    {"OnlyOnePairRemoved", "[S]\nK=\"\"x\"\"\n", "S", "K", "", 260, "\"x\"", 3},
    {"MismatchedQuotesKept", "[S]\nK=\"abc'\n", "S", "K", "", 260, "\"abc'", 5},
    {"LoneQuoteKept", "[S]\nK=\"\n", "S", "K", "", 260, "\"", 1},
    {"EmptyQuotesGiveEmpty", "[S]\nK=\"\"\n", "S", "K", "", 260, "", 0},
    {"EqualsInsideValue", "[S]\nK=a=b\n", "S", "K", "", 260, "a=b", 3},
    {"CommentLineIgnored", "[S]\n;K=1\nK=2\n", "S", "K", "", 260, "2", 1},
    {"IndentedCommentIgnored", "[S]\n  ;K=1\n", "S", "K", "d", 260, "d", 1},
    {"FirstOfRepeatedKeys", "[S]\nK=1\nK=2\n", "S", "K", "", 260, "1", 1},
    {"OnlyFirstSectionOfName", "[S]\nA=1\n[T]\n[s]\nK=2\n", "S", "K", "", 260, "", 0},
    {"KeyOfOtherSectionNotFound", "[T]\nK=1\n[S]\nA=2\n", "S", "K", "", 260, "", 0},
    {"KeyBeforeAnySection", "K=1\n[S]\n", "S", "K", "", 260, "", 0},
    {"MissingKeyGivesDefault", "[S]\nA=1\n", "S", "K", "def", 260, "def", 3},
    {"DefaultLosesTrailingSpaces", "[S]\n", "S", "K", " d  ", 260, " d", 2},
    {"QuotedDefaultUnquoted", "[S]\n", "S", "K", "'d'", 260, "d", 1},
    {"MissingSectionGivesDefault", "[T]\nK=1\n", "S", "K", "d", 260, "d", 1},
    {"MissingFileGivesDefault", nullptr, "S", "K", "d", 260, "d", 1},
    {"EmptyValueWithEmptyDefault", "[S]\nK=\n", "S", "K", "", 260, "", 0},
    {"EmptyValueIsNotReplacedByDefault", "[S]\nK=  \n", "S", "K", "d", 260, "", 0},
    {"KeyWithoutEqualsGivesDefault", "[S]\nK\n", "S", "K", "d", 260, "d", 1},
    {"ValueCutToSizeMinusOne", "[S]\nK=abcdef\n", "S", "K", "", 4, "abc", 3},
    {"ValueThatJustFits", "[S]\nK=abc\n", "S", "K", "", 4, "abc", 3},
    {"QuotedValueCut", "[S]\nK=\"abcdef\"\n", "S", "K", "", 4, "abc", 3},
    {"DefaultCut", "[S]\n", "S", "K", "abcdef", 3, "ab", 2},
    {"SizeOneGivesEmpty", "[S]\nK=abc\n", "S", "K", "", 1, "", 0},
    {"CutKeepsDoubleByteWhole", "[S]\nK=aアイ\n", "S", "K", "", 3, "a", 2},
    {"ShiftJisValuePassesThrough", "[S]\nK=ゲーム表ソ\n", "S", "K", "", 260, "ゲーム表ソ", 10},
    {"ShiftJisSectionAndKey", "[設定]\nキー=値\n", "設定", "キー", "", 260, "値", 2},
    {"TabsAroundKeyAndValue", "[S]\r\n\tKey\t=\tvalue\t\r\n", "S", "Key", "", 260, "value", 5},
    {"OpeningQuoteAloneKept", "[S]\r\nKey=\"open\r\n", "S", "Key", "", 260, "\"open", 5},
    {"InnerQuotesKept", "[S]\r\nKey=a\"b\"c\r\n", "S", "Key", "", 260, "a\"b\"c", 5},
    {"SemicolonInsideValueKept", "[S]\r\nKey=value ; more\r\n", "S", "Key", "", 260, "value ; more",
     12},
    {"LongValueCutToBuffer", "[S]\r\nKey=" LONG_300 "\r\n", "S", "Key", "", 260, LONG_259, 259},
    {"BackslashTrailByteKept", "[S]\r\nKey=C:\\表\r\n", "S", "Key", "", 260, "C:\\表", 5},
    {"TrailByteBracketIsNoSectionEnd", "[S]\n[ゾ\nK=1\n", "S", "K", "", 260, "1", 1},
    {"SectionNameWithTrailByteBracket", "[ゾ]\nK=1\n", "ゾ", "K", "", 260, "1", 1},
};
