#include "settings/setup_description.h"

#include "settings/profile.h"
#include "tests/support/boxes.h"
#include "tests/support/scratch_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

machine::Machine& M() {
    return machine::TheMachine();
}
const SetupDescriptionRecord& D() {
    return SetupDescription;
}

// Key/value lines of a [SETUP] section; a change replaces, adds (value) or
// removes (no value) one key.
using Keys = std::vector<std::pair<std::string, std::string>>;
using Change = std::pair<std::string, std::optional<std::string>>;

Keys ValidKeys() {
    return {
        {"CompanyName", "Maker"},
        {"GameTitle", "ゲーム"},
        {"GameDir", "GAME"},
        {"GameExe", "GAME.EXE"},
        {"UninstExe", "UNINST.EXE"},
        {"SetupBmp", "a.bmp,b.bmp,c.bmp"},
        {"InstallSelects", "2"},
        {"InstallTitle0", "Full"},
        {"InstallFiles0", "1:a.dat,b.dat,2:c.dat"},
        {"InstallTitle1", "Small"},
        {"InstallFiles1", "x.dat"},
        {"Shortcuts", "1"},
        {"Shortcut0", "Game,GAME.EXE"},
    };
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) {
        out += (out.empty() ? "" : ",") + item;
    }
    return out;
}

std::vector<std::string> Names(int count, const char* stem) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(stem + std::to_string(i));
    }
    return names;
}

class SetupDescriptionTest : public testing::Test {
  protected:
    ScratchDrive drive;

    // Writes C:\GAME\SETUP.INI from the valid keys with the changes applied,
    // points SetupIniPath at it and runs the parse.
    int Load(const std::vector<Change>& changes = {}) {
        Keys keys = ValidKeys();
        for (const auto& [key, value] : changes) {
            auto it = std::find_if(keys.begin(), keys.end(),
                                   [&](const auto& kv) { return kv.first == key; });
            if (!value) {
                if (it != keys.end()) {
                    keys.erase(it);
                }
            } else if (it != keys.end()) {
                it->second = *value;
            } else {
                keys.emplace_back(key, *value);
            }
        }
        std::string text = "[SETUP]\r\n";
        for (const auto& [key, value] : keys) {
            text += key + "=" + value + "\r\n";
        }
        drive.Write("GAME/SETUP.INI", text);
        std::strcpy(SetupIniPath, "C:\\GAME\\SETUP.INI");
        return LoadSetupDescription();
    }

    std::vector<std::string> BoxTexts() const { return ErrorBoxTexts("INSTCMMN"); }
};

TEST_F(SetupDescriptionTest, ValidDescriptionIsStored) {
    ASSERT_EQ(Load(), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_STREQ(D().CompanyName, "Maker");
    EXPECT_STREQ(D().GameTitle, "ゲーム");
    EXPECT_STREQ(D().GameDir, "GAME");
    EXPECT_STREQ(D().GameExe, "GAME.EXE");
    EXPECT_STREQ(D().UninstExe, "UNINST.EXE");
    EXPECT_STREQ(D().SetupBmp[0], "a.bmp");
    EXPECT_STREQ(D().SetupBmp[2], "c.bmp");
    EXPECT_STREQ(D().SetupBmp[3], "");
    EXPECT_EQ(D().SetupBmpLast, 2);
    EXPECT_EQ(D().InstallSelects, 2);
    EXPECT_STREQ(D().InstallTitle[1], "Small");
    EXPECT_STREQ(D().InstallFiles[0][1], "b.dat");
    EXPECT_STREQ(D().InstallFiles[0][3], "");
    EXPECT_EQ(D().Shortcuts, 1);
    EXPECT_STREQ(D().Shortcut[0][0], "Game");
    EXPECT_STREQ(D().Shortcut[0][1], "GAME.EXE");
    EXPECT_STREQ(D().Shortcut[0][2], "");
    EXPECT_EQ(MissingKeyQuiet, 1);
}

TEST_F(SetupDescriptionTest, OptionalKeysTakeTheirDefaults) {
    std::strcpy(SetupDescription.GameClass, "FromUpdateIni");
    ASSERT_EQ(Load(), 1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_STREQ(D().GameClass, "ゲーム");
    EXPECT_EQ(D().DefaultSelect, 0);
    EXPECT_EQ(D().InstallSize[0], 0u);
    EXPECT_EQ(D().InstallSize[1], 0u);
    for (int n = 0; n < DiscCapacity; ++n) {
        EXPECT_STREQ(D().DiskCheckFile[n], "") << n;
    }
    EXPECT_STREQ(D().ExecApp[0], "");
    EXPECT_STREQ(D().ExecApp[1], "");
    EXPECT_EQ(D().InstallDirectX, 0u);
    EXPECT_STREQ(D().InstallDXMessage, "ＤｉｒｅｃｔＸをインストールする");
    EXPECT_STREQ(D().SelectSetupMessage, "インストール方法を選択して下さい");
    EXPECT_EQ(D().AdditionalUninstallCount, 0);
}

TEST_F(SetupDescriptionTest, OptionalKeysAreStored) {
    ASSERT_EQ(Load({{"GameClass", "GameWindow"},
                    {"DefaultSelect", "7"},
                    {"InstallSize0", "1000"},
                    {"InstallSize1", "-1"},
                    {"InstallSize2", "5"},
                    {"DiskCheckFile1", "DISC1.ID"},
                    {"DiskCheckFile3", "DISC3.ID"},
                    {"ExecApp", "Read me,README.TXT,extra"},
                    {"InstallDXMessage", "DX?"},
                    {"SelectSetupMessage", "Choose"},
                    {"AdditionalUninstallFiles", "SAVE.DAT,LOG.TXT"}}),
              1);
    EXPECT_TRUE(M().boxes.empty());
    EXPECT_STREQ(D().GameClass, "GameWindow");
    EXPECT_EQ(D().DefaultSelect, 7);
    EXPECT_EQ(D().InstallSize[0], 1000u);
    EXPECT_EQ(D().InstallSize[1], 0xFFFFFFFFu) << "low 32 bits only";
    EXPECT_EQ(D().InstallSize[2], 0u) << "beyond InstallSelects";
    for (int n = 0; n < DiscCapacity; ++n) {
        const char* expected = n == 1 ? "DISC1.ID" : n == 3 ? "DISC3.ID" : "";
        EXPECT_STREQ(D().DiskCheckFile[n], expected) << n;
    }
    EXPECT_STREQ(D().ExecApp[0], "Read me");
    EXPECT_STREQ(D().ExecApp[1], "README.TXT");
    EXPECT_STREQ(D().InstallDXMessage, "DX?");
    EXPECT_STREQ(D().SelectSetupMessage, "Choose");
    EXPECT_EQ(D().AdditionalUninstallCount, 2);
    EXPECT_STREQ(D().AdditionalUninstallFiles[1], "LOG.TXT");
}

struct RefusalCase {
    const char* name;
    std::vector<Change> changes;
    const char* message;
};

class SetupRefusalTest : public SetupDescriptionTest,
                         public testing::WithParamInterface<RefusalCase> {};

TEST_P(SetupRefusalTest, ShowsItsMessageAndFails) {
    EXPECT_EQ(Load(GetParam().changes), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{GetParam().message});
}

TEST_P(SetupRefusalTest, ValidationMessagesAreShownEvenWhenQuiet) {
    MissingKeyQuiet = 1;
    EXPECT_EQ(Load(GetParam().changes), 0);
    std::string message = GetParam().message;
    bool missingKey = message.find("キーが存在しません") != std::string::npos;
    EXPECT_EQ(BoxTexts(),
              missingKey ? std::vector<std::string>{} : std::vector<std::string>{message});
}

const RefusalCase RefusalCases[] = {
    {"NoSetupBmp", {{"SetupBmp", ",a.bmp"}}, "SETUP.INI : SetupBmps エラー"},
    {"FourSelects", {{"InstallSelects", "4"}}, "SETUP.INI : InstallSelect オーバー"},
    {"NoInstallFile", {{"InstallFiles1", ",x.dat"}}, "SETUP.INI : InstallFiles1 エラー"},
    {"ElevenShortcuts", {{"Shortcuts", "11"}}, "SETUP.INI : Shortcuts オーバー"},
    {"OneShortcutField", {{"Shortcut0", "Game"}}, "SETUP.INI : Shortcut0 エラー"},
    {"OneExecAppField", {{"ExecApp", "README.TXT"}}, "SETUP.INI : ExecApp エラー"},
    {"NoCompanyName", {{"CompanyName", {}}}, "SETUP.INI : CompanyName キーが存在しません"},
    {"NoGameTitle", {{"GameTitle", {}}}, "SETUP.INI : GameTitle キーが存在しません"},
    {"NoGameDir", {{"GameDir", {}}}, "SETUP.INI : GameDir キーが存在しません"},
    {"NoGameExe", {{"GameExe", {}}}, "SETUP.INI : GameExe キーが存在しません"},
    {"EmptyUninstExe", {{"UninstExe", ""}}, "SETUP.INI : UninstExe キーが存在しません"},
    {"NoSetupBmpKey", {{"SetupBmp", {}}}, "SETUP.INI : SetupBmp キーが存在しません"},
    {"NoInstallSelects", {{"InstallSelects", {}}}, "SETUP.INI : InstallSelects キーが存在しません"},
    {"NoInstallTitle1", {{"InstallTitle1", {}}}, "SETUP.INI : InstallTitle1 キーが存在しません"},
    {"NoInstallFiles0", {{"InstallFiles0", {}}}, "SETUP.INI : InstallFiles0 キーが存在しません"},
    {"NoShortcuts", {{"Shortcuts", {}}}, "SETUP.INI : Shortcuts キーが存在しません"},
    {"NoShortcut0", {{"Shortcut0", {}}}, "SETUP.INI : Shortcut0 キーが存在しません"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SetupRefusalTest, testing::ValuesIn(RefusalCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AcceptCase {
    const char* name;
    std::vector<Change> changes;
};

class SetupAcceptTest : public SetupDescriptionTest,
                        public testing::WithParamInterface<AcceptCase> {};

TEST_P(SetupAcceptTest, LoadsWithoutMessage) {
    EXPECT_EQ(Load(GetParam().changes), 1);
    EXPECT_TRUE(BoxTexts().empty());
}

std::vector<Change> Shortcuts(int count) {
    std::vector<Change> changes{{"Shortcuts", std::to_string(count)}};
    for (int j = 0; j < count; ++j) {
        changes.push_back({"Shortcut" + std::to_string(j), "S,S.EXE"});
    }
    return changes;
}

const AcceptCase AcceptCases[] = {
    {"ThreeSelects",
     {{"InstallSelects", "3"}, {"InstallTitle2", "Third"}, {"InstallFiles2", "t.dat"}}},
    // No InstallTitle/InstallFiles key is read: their absence is no error.
    {"ZeroSelects",
     {{"InstallSelects", "0"},
      {"InstallTitle0", {}},
      {"InstallFiles0", {}},
      {"InstallTitle1", {}},
      {"InstallFiles1", {}}}},
    {"NegativeSelects",
     {{"InstallSelects", "-1"},
      {"InstallTitle0", {}},
      {"InstallFiles0", {}},
      {"InstallTitle1", {}},
      {"InstallFiles1", {}}}},
    {"TenShortcuts", Shortcuts(10)},
    {"ZeroShortcuts", {{"Shortcuts", "0"}, {"Shortcut0", {}}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SetupAcceptTest, testing::ValuesIn(AcceptCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupDescriptionTest, NoSelectReadsNoInstallSize) {
    ASSERT_EQ(Load({{"InstallSelects", "0"}, {"InstallSize0", "99"}}), 1);
    EXPECT_EQ(D().InstallSize[0], 0u);
    EXPECT_STREQ(D().InstallTitle[0], "");
}

TEST_F(SetupDescriptionTest, ThreeSelectsAreStored) {
    ASSERT_EQ(Load({{"InstallSelects", "3"},
                    {"InstallTitle2", "Third"},
                    {"InstallFiles2", "t.dat"},
                    {"InstallSize2", "42"}}),
              1);
    EXPECT_STREQ(D().InstallTitle[2], "Third");
    EXPECT_STREQ(D().InstallFiles[2][0], "t.dat");
    EXPECT_EQ(D().InstallSize[2], 42u);
}

TEST_F(SetupDescriptionTest, TenShortcutsAreStored) {
    auto changes = Shortcuts(10);
    changes.push_back({"Shortcut9", "Last,LAST.EXE,-x,ignored"});
    ASSERT_EQ(Load(changes), 1);
    EXPECT_EQ(D().Shortcuts, 10);
    EXPECT_STREQ(D().Shortcut[9][0], "Last");
    EXPECT_STREQ(D().Shortcut[9][2], "-x");
}

struct ListCase {
    const char* name;
    int given;
    int stored;
};

class SetupBmpListTest : public SetupDescriptionTest,
                         public testing::WithParamInterface<ListCase> {};

TEST_P(SetupBmpListTest, StoresAtMostTwenty) {
    ASSERT_EQ(Load({{"SetupBmp", Join(Names(GetParam().given, "p"))}}), 1);
    EXPECT_EQ(D().SetupBmpLast, GetParam().stored - 1);
    for (int i = 0; i < GetParam().stored; ++i) {
        EXPECT_EQ(std::string(D().SetupBmp[i]), "p" + std::to_string(i));
    }
    if (GetParam().stored < SetupBmpCapacity) {
        EXPECT_STREQ(D().SetupBmp[GetParam().stored], "");
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, SetupBmpListTest,
                         testing::Values(ListCase{"One", 1, 1}, ListCase{"Three", 3, 3},
                                         ListCase{"Twenty", 20, 20},
                                         ListCase{"TwentyFive", 25, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupDescriptionTest, InstallFilesStoresAtMostForty) {
    ASSERT_EQ(Load({{"InstallFiles0", Join(Names(45, "f"))}}), 1);
    EXPECT_STREQ(D().InstallFiles[0][39], "f39");
    EXPECT_STREQ(D().InstallFiles[1][0], "x.dat");
}

TEST_F(SetupDescriptionTest, UninstallListStoresAtMostTwenty) {
    ASSERT_EQ(Load({{"AdditionalUninstallFiles", Join(Names(25, "u"))}}), 1);
    EXPECT_EQ(D().AdditionalUninstallCount, 20);
    EXPECT_STREQ(D().AdditionalUninstallFiles[19], "u19");
}

struct DiscCase {
    const char* name;
    std::string files0;
    std::string files1;
    std::vector<int32_t> discs0;
    std::vector<int32_t> discs1;
    uint32_t uses0;
    uint32_t uses1;
};

class InstallFileDiscTest : public SetupDescriptionTest,
                            public testing::WithParamInterface<DiscCase> {};

TEST_P(InstallFileDiscTest, PrefixesCarryOverWithinOneMethod) {
    const DiscCase& c = GetParam();
    ASSERT_EQ(Load({{"InstallFiles0", c.files0}, {"InstallFiles1", c.files1}}), 1);
    for (size_t k = 0; k < c.discs0.size(); ++k) {
        EXPECT_EQ(D().InstallFileDisc[0][k], c.discs0[k]) << "method 0 file " << k;
    }
    for (size_t k = 0; k < c.discs1.size(); ++k) {
        EXPECT_EQ(D().InstallFileDisc[1][k], c.discs1[k]) << "method 1 file " << k;
    }
    EXPECT_EQ(D().SelectUsesDiscs[0], c.uses0);
    EXPECT_EQ(D().SelectUsesDiscs[1], c.uses1);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, InstallFileDiscTest,
    testing::Values(
        DiscCase{"PrefixThenNone", "1:a.dat,b.dat", "x.dat", {1, 1}, {0}, 1, 0},
        DiscCase{"ZeroPrefixOnly", "0:a.dat,b.dat", "x.dat", {0, 0}, {0}, 0, 0},
        DiscCase{"EachMethodStartsAtZero", "a.dat,2:b.dat", "x.dat,3:y.dat", {0, 2}, {0, 3}, 1, 1},
        DiscCase{"LetterPrefix", "C:a.dat", "x.dat", {0}, {0}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct DirectXCase {
    const char* name;
    std::optional<std::string> value;
    uint32_t flags;
};

class DirectXTest : public SetupDescriptionTest, public testing::WithParamInterface<DirectXCase> {};

TEST_P(DirectXTest, IsMappedToFlags) {
    ASSERT_EQ(Load({{"InstallDirectX", GetParam().value}}), 1);
    EXPECT_EQ(D().InstallDirectX, GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DirectXTest,
    testing::Values(DirectXCase{"Absent", {}, 0}, DirectXCase{"Empty", "", 0},
                    DirectXCase{"Zero", "0", 0x10000}, DirectXCase{"One", "1", 0x10008},
                    DirectXCase{"Two", "2", 0x10010}, DirectXCase{"Three", "3", 0x10018},
                    DirectXCase{"Five", "5", 0x10008}, DirectXCase{"Letters", "abc", 0x10000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupDescriptionTest, ExecAppKeepsOnlyTwoFields) {
    ASSERT_EQ(Load({{"ExecApp", "a,b,c"}}), 1);
    EXPECT_STREQ(D().ExecApp[0], "a");
    EXPECT_STREQ(D().ExecApp[1], "b");
}

TEST_F(SetupDescriptionTest, RefusedExecAppEndsTheOptionalReads) {
    // The optional keys before ExecApp are stored, those after it never read.
    ASSERT_EQ(Load({{"ExecApp", "README.TXT"},
                    {"GameClass", "GameWindow"},
                    {"DefaultSelect", "2"},
                    {"InstallSize0", "10"},
                    {"DiskCheckFile9", "DISC9.ID"},
                    {"InstallDirectX", "1"},
                    {"InstallDXMessage", "DX?"},
                    {"SelectSetupMessage", "Choose"},
                    {"AdditionalUninstallFiles", "LOG.TXT"}}),
              0);
    EXPECT_STREQ(D().GameClass, "GameWindow");
    EXPECT_EQ(D().DefaultSelect, 2);
    EXPECT_EQ(D().InstallSize[0], 10u);
    EXPECT_STREQ(D().DiskCheckFile[9], "DISC9.ID");
    EXPECT_EQ(D().InstallDirectX, 0u);
    EXPECT_STREQ(D().InstallDXMessage, "");
    EXPECT_STREQ(D().SelectSetupMessage, "");
    EXPECT_EQ(D().AdditionalUninstallCount, 0);
}

TEST_F(SetupDescriptionTest, QuietMissingRequiredKeyFailsWithoutBox) {
    MissingKeyQuiet = 1;
    EXPECT_EQ(Load({{"UninstExe", {}}}), 0);
    EXPECT_TRUE(M().boxes.empty());
}

TEST_F(SetupDescriptionTest, RequiredKeysAreReadInTheirOrder) {
    // With a key and every key after it removed, the first missing one read
    // is the one reported.
    const Keys order = ValidKeys();
    for (size_t first = 0; first < order.size(); ++first) {
        std::vector<Change> removed;
        for (size_t i = first; i < order.size(); ++i) {
            removed.push_back({order[i].first, std::nullopt});
        }
        M().boxes.clear();
        EXPECT_EQ(Load(removed), 0) << order[first].first;
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"SETUP.INI : " + order[first].first +
                                                       " キーが存在しません"});
    }
}

TEST_F(SetupDescriptionTest, FirstFailureEndsTheParse) {
    EXPECT_EQ(Load({{"InstallSelects", "4"}, {"Shortcuts", "11"}}), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"SETUP.INI : InstallSelect オーバー"});
    EXPECT_EQ(MissingKeyQuiet, 0) << "the optional part was never reached";
}

TEST_F(SetupDescriptionTest, ShortShortcutReadIgnoresOlderListText) {
    // The long install-file list leaves text in the shared list buffer past
    // the 260 bytes that the shortcut read fills; a shortcut cut at 259
    // characters with two fields must not pick up a third from it.
    std::string files = Join(Names(80, "longfilename"));
    std::string shortcut = "Game," + std::string(300, 'x');
    ASSERT_EQ(Load({{"InstallFiles1", files}, {"Shortcut0", shortcut}}), 1);
    EXPECT_STREQ(D().Shortcut[0][0], "Game");
    EXPECT_EQ(std::string(D().Shortcut[0][1]), std::string(254, 'x'));
    EXPECT_STREQ(D().Shortcut[0][2], "");
}

} // namespace
