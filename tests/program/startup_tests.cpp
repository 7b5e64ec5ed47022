// Start-up as a user meets it: the whole happy path, every way out before
// the wizard, the running game, the hand-over to an open copy.
#include "tests/program/program_fixture.h"

#include "archive/package.h"
#include "updater/services.h"
#include "updater/wizard.h"

namespace fs = std::filesystem;

namespace program {
namespace {

TEST_F(ProgramTest, CompletedUpdateWritesEveryMemberAndExitsWithOne) {
    presses = {Next, Next, Next};
    ASSERT_EQ(Run(), 1);

    ExpectPageBefore(0, {StartText, false, true, true});
    ExpectPageBefore(1, {ConfirmText, false, true, true});
    ExpectPageBefore(2, {DoneText, false, true, false, DoneCaption});
    EXPECT_EQ(pagesBeforePress[2].focus, NextButton);
    EXPECT_EQ(pagesBeforePress[2].cursor, "arrow");
    EXPECT_EQ(machine.endDialogCode, 0);
    EXPECT_FALSE(machine.dialogStalled);
    // The step moves on after the press that ended the dialog, too.
    EXPECT_EQ(WizardStep, 3);
    EXPECT_EQ(WizardBusy, 0u);
    ExpectBoxes({});

    ExpectWritten("SETUP.INI", Member("SETUP.INI"));
    ExpectWritten("GAMECFG.INI", Member("GAMECFG.INI"));
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
    ExpectWritten("VOICE.PAK", Member("VOICE.PAK"));
    EXPECT_EQ(InstalledCount(), 4u);
    EXPECT_EQ(machine.coInitializeCalls, 1);
    EXPECT_EQ(WizardWindow, nullptr);
    ExpectReleased();
}

TEST_F(ProgramTest, WindowTitleEndsInABlankWithoutInstallVersion) {
    updateIniSetup = "CompanyName=Hoshizora Soft\r\nGameTitle=星空の約束\r\n"
                     "GameClass=HOSHIZORA_MAIN\r\nGameDir=STARLIGHT\r\n";
    presses = {Abort};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(std::string(WindowTitle), "星空の約束 アップデート ");
    ExpectBoxes({{InterruptedText, "星空の約束 アップデート ", ErrorBox, false}});
}

// One way out before or around the wizard: what the test changes, and the
// boxes the user sees before the program ends with 0.
struct WayOut {
    const char* name;
    std::function<void(ProgramTest&, machine::Machine&)> arrange;
    std::vector<Box> boxes;
};

// gtest shows a parameter by its name, not as raw bytes.
void PrintTo(const WayOut& param, std::ostream* out) {
    *out << param.name;
}

class WayOutTest : public ProgramTest, public ::testing::WithParamInterface<WayOut> {};

void Replace(std::string& text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
}

const std::vector<WayOut> WaysOut = {
    {"NoPackageResource",
     [](ProgramTest& t, machine::Machine& m) {
         t.buildPackage = false;
         m.updateResource.reset();
     },
     {{"UPDATE.FA2 not found", "UPDATE", ErrorBox, false}}},
    {"UnreadablePackage",
     [](ProgramTest& t, machine::Machine& m) {
         t.buildPackage = false;
         m.updateResource =
             std::vector<uint8_t>{'F', 'A', '2', 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0};
     },
     {{"RESOURCE READ ERROR", "UPDATE", ErrorBox, false}}},
    {"PackageWithoutUpdateIni",
     [](ProgramTest& t, machine::Machine& m) {
         t.buildPackage = false;
         m.updateResource = WritePackage({{"README.TXT", {'x'}, MemberTime(0), true}}, false);
     },
     {{"Can't Find File in Resource !!", "UPDATE", ErrorBox, false},
      {"UPDATE.INI not found at UPDATE.FA2", "UPDATE", ErrorBox, false}}},
    {"NoTemporaryFolder",
     [](ProgramTest&, machine::Machine& m) { m.tempPath.clear(); },
     {{"UPDATE.INI not found at UPDATE.FA2", "UPDATE", ErrorBox, false}}},
    {"UpdateIniWithoutGameClass",
     [](ProgramTest& t, machine::Machine&) {
         Replace(t.updateIniSetup, "GameClass=HOSHIZORA_MAIN\r\n", "");
     },
     {{"SETUP : GameClass キーが存在しません", "INSTCMMN", ErrorBox, false}}},
    {"UpdateIniWithEmptyCompanyName",
     [](ProgramTest& t, machine::Machine&) {
         Replace(t.updateIniSetup, "CompanyName=Hoshizora Soft", "CompanyName=");
     },
     {{"SETUP : CompanyName キーが存在しません", "INSTCMMN", ErrorBox, false}}},
    {"NoRegistryKeyNamesTheUpdatesTitle",
     [](ProgramTest& t, machine::Machine& m) {
         Replace(t.updateIniSetup, "GameTitle=星空の約束", "GameTitle=星空の約束 体験版");
         m.registry.clear();
     },
     {{"「星空の約束 体験版」がインストールされていません", "UPDATE", ErrorBox, false}}},
    {"InstPathWithoutInstMode",
     [](ProgramTest&, machine::Machine& m) {
         m.registry.clear();
         m.SetRegistryString(RegistryKey, "InstPath", InstallFolder);
     },
     {{"「星空の約束」がインストールされていません", "UPDATE", ErrorBox, false}}},
    {"InstPathLongerThanItsBuffer",
     [](ProgramTest&, machine::Machine& m) {
         m.SetRegistryString(RegistryKey, "InstPath", "C:\\" + std::string(300, 'a'));
     },
     {{"「星空の約束」がインストールされていません", "UPDATE", ErrorBox, false}}},
    {"InstPathFillingItsBufferWithoutEnd",
     [](ProgramTest&, machine::Machine& m) {
         const std::string path = "C:\\" + std::string(257, 'a');
         m.registry.clear();
         m.registry[RegistryKey]["InstPath"] = std::vector<uint8_t>(path.begin(), path.end());
         m.SetRegistryDword(RegistryKey, "InstMode", 1);
     },
     {{"「星空の約束」がインストールされていません", "UPDATE", ErrorBox, false}}},
    {"EmptyInstPath",
     [](ProgramTest&, machine::Machine& m) { m.SetRegistryString(RegistryKey, "InstPath", ""); },
     {{"「星空の約束」がインストールされていません", "UPDATE", ErrorBox, false}}},
    {"NoSetupIniInTheInstallFolder",
     [](ProgramTest& t, machine::Machine&) { fs::remove(t.InstallHostPath("SETUP.INI")); },
     {{"インストール先に \"SETUP.INI\" ファイルが見つかりません", "UPDATE", ErrorBox, false}}},
    {"SetupIniRefused",
     [](ProgramTest& t, machine::Machine&) {
         std::string setup = t.ReadInstalled("SETUP.INI");
         Replace(setup, "InstallSelects=2", "InstallSelects=4");
         t.WriteInstalled("SETUP.INI", setup);
     },
     {{"SETUP.INI : InstallSelect オーバー", "INSTCMMN", ErrorBox, false}}},
    {"SetupIniWithoutRequiredKeyEndsSilently",
     [](ProgramTest& t, machine::Machine&) {
         std::string setup = t.ReadInstalled("SETUP.INI");
         Replace(setup, "UninstExe=UNINST.EXE\r\n", "");
         t.WriteInstalled("SETUP.INI", setup);
     },
     {}},
    {"WizardAborted",
     [](ProgramTest& t, machine::Machine&) { t.presses = {Abort}; },
     {{InterruptedText, Title, ErrorBox, false}}},
    {"WizardNotCreated",
     [](ProgramTest&, machine::Machine& m) { m.dialogTemplates.clear(); },
     {{InterruptedText, Title, ErrorBox, false}}},
};

TEST_P(WayOutTest, ShowsItsMessageReleasesThePackageAndExitsWithZero) {
    GetParam().arrange(*this, machine);
    EXPECT_EQ(Run(), 0);
    ExpectBoxes(GetParam().boxes);
    ExpectReleased();
    EXPECT_EQ(ReadInstalled("SCENE.PAK"), originalScene);
}

INSTANTIATE_TEST_SUITE_P(Startup, WayOutTest, ::testing::ValuesIn(WaysOut),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, UpdateIniOfAnotherCopyInTheTemporaryFolderStaysUntouched) {
    drive.Write("TEMP/UPDATE.INI", "[SETUP]\r\nCompanyName=Other\r\n");
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(drive.Read("TEMP/UPDATE.INI"), "[SETUP]\r\nCompanyName=Other\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(drive.Root() / "TEMP"), {}), 1);
}

const char* const RunningPrompt =
    "「星空の約束」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
    "を、アップデートを中止する場合は [キャンセル] を押して下さい";

TEST_F(ProgramTest, RunningGameAnsweredOkUntilItQuitsThenTheWizardRuns) {
    HWND game = machine.AddWindow("HOSHIZORA_MAIN", GameTitle);
    int prompts = 0;
    machine.onMessageBox = [&](const machine::MessageBoxRecord&) {
        if (++prompts == 2) {
            machine.CloseWindow(game);
        }
        return IDOK;
    };
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes(
        {{RunningPrompt, Title, PromptBox, false}, {RunningPrompt, Title, PromptBox, false}});
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
    ExpectReleased();
}

TEST_F(ProgramTest, RunningGameAnsweredCancelBringsTheGameForward) {
    HWND game = machine.AddWindow("HOSHIZORA_MAIN", GameTitle);
    machine.answers = {IDCANCEL};
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes({{RunningPrompt, Title, PromptBox, false}});
    EXPECT_TRUE(machine.FindWindowRecord(game)->shown);
    EXPECT_TRUE(machine.FindWindowRecord(game)->foreground);
    EXPECT_TRUE(pagesBeforePress.empty());
    EXPECT_FALSE(machine.endDialogCode.has_value());
    ExpectReleased();
}

TEST_F(ProgramTest, RunningGameAnsweredOkThenCancelEndsWithoutTheWizard) {
    HWND game = machine.AddWindow("HOSHIZORA_MAIN", GameTitle);
    machine.answers = {IDOK, IDCANCEL};
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes(
        {{RunningPrompt, Title, PromptBox, false}, {RunningPrompt, Title, PromptBox, false}});
    EXPECT_TRUE(machine.FindWindowRecord(game)->foreground);
    EXPECT_TRUE(pagesBeforePress.empty());
    ExpectInstallUntouched();
    ExpectReleased();
}

TEST_F(ProgramTest, SecondGameTitleIsSearchedAndNamedInItsPrompt) {
    updateIniSetup += "GameTitleA=星空の約束 ～ファンディスク～\r\n";
    HWND game = machine.AddWindow("HOSHIZORA_MAIN", "星空の約束 ～ファンディスク～");
    machine.answers = {IDCANCEL};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes(
        {{"「星空の約束 ～ファンディスク～」が実行中です。アップデートを続行する場合はゲームを"
          "終了してから [OK] を、アップデートを中止する場合は [キャンセル] を押して下さい",
          Title, PromptBox, false}});
    EXPECT_TRUE(machine.FindWindowRecord(game)->foreground);
    ExpectReleased();
}

TEST_F(ProgramTest, EmptySecondGameTitleIsNotSearched) {
    // A game window without a title would match a search for an empty one.
    updateIniSetup += "GameTitleA=\r\n";
    machine.AddWindow("HOSHIZORA_MAIN", "");
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
}

TEST_F(ProgramTest, BothGameTitlesAreAskedForInTurn) {
    updateIniSetup += "GameTitleA=星空の約束 ～ファンディスク～\r\n";
    const HWND game = machine.AddWindow("HOSHIZORA_MAIN", GameTitle);
    const HWND fanDisc = machine.AddWindow("HOSHIZORA_MAIN", "星空の約束 ～ファンディスク～");
    machine.onMessageBox = [&](const machine::MessageBoxRecord&) {
        machine.CloseWindow(machine.boxes.size() == 1 ? game : fanDisc);
        return IDOK;
    };
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes(
        {{RunningPrompt, Title, PromptBox, false},
         {"「星空の約束 ～ファンディスク～」が実行中です。アップデートを続行する場合はゲー"
          "ムを終了してから [OK] を、アップデートを中止する場合は [キャンセル] を押して下さい",
          Title, PromptBox, false}});
}

TEST_F(ProgramTest, TitleOfUpdateIniIsNotSearchedWhenSetupIniNamesAnother) {
    Replace(updateIniSetup, "GameTitle=星空の約束", "GameTitle=星空の約束 体験版");
    machine.AddWindow("HOSHIZORA_MAIN", "星空の約束 体験版");
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
}

TEST_F(ProgramTest, OpenCopyWithTheSameTitleIsBroughtForward) {
    HWND other = machine.AddWindow("#32770", Title);
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes({});
    EXPECT_TRUE(machine.FindWindowRecord(other)->shown);
    EXPECT_TRUE(machine.FindWindowRecord(other)->foreground);
    EXPECT_TRUE(pagesBeforePress.empty());
    ExpectReleased();
}

TEST_F(ProgramTest, OpenCopyOfAnotherVersionIsNotDetected) {
    HWND other = machine.AddWindow("#32770", "星空の約束 アップデート 1.00");
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    EXPECT_FALSE(machine.FindWindowRecord(other)->foreground);
}

} // namespace
} // namespace program
