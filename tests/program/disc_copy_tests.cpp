// Copying from the game's discs: the disc search over the CD-ROM drives, the
// prompt, file and folder copies, and their failures.
#include "tests/program/program_fixture.h"

#include "updater/services.h"

namespace fs = std::filesystem;

namespace program {
namespace {

std::string DiscPrompt(int disc) {
    return "ＣＤ－ＲＯＭドライブに「星空の約束」ディスク " + std::to_string(disc) +
           " を入れて下さい";
}

std::string CopyError(const std::string& path) {
    return "SETUP.INI : \"" + path + "\" のコピーに失敗しました";
}

class DiscCopyTest : public ProgramTest {
  public:
    DiscCopyTest() {
        members.clear();
        updateIniUpdate.clear();
        fs::create_directories(drive.Root() / "cdD");
        machine.MapDrive('D', drive.Root() / "cdD", DRIVE_CDROM); // another disc
        drive.Write("cdD/OTHER.ID", "x");
        machine.MapDrive('F', drive.Root() / "hdF", DRIVE_FIXED); // not a CD-ROM
        drive.Write("hdF/DISC1.ID", "1");
        drive.Write("hdF/MOVIE/OP.MPG", "wrong drive");
    }

    // Disc 1 in drive E:, with a file and a folder.
    void InsertDiscOne() {
        MapCdDrive('E');
        drive.Write("cdE/DISC1.ID", "1");
        drive.Write("cdE/MOVIE/OP.MPG", "opening");
        drive.Write("cdE/BONUS/ART/01.BMP", "art");
        drive.Write("cdE/BONUS/README.TXT", "bonus");
        drive.Write("cdE/EXTRA.TXT", "extra");
    }
};

TEST_F(DiscCopyTest, FileAndFolderAreCopiedFromTheDriveThatHoldsTheDisc) {
    InsertDiscOne();
    updateIniUpdate = "CopyFile00=1:MOVIE\\OP.MPG\r\n"
                      "CopyFile01=1:BONUS\r\n"
                      "CopyFile02=EXTRA.TXT\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
    EXPECT_EQ(ReadInstalled("MOVIE/OP.MPG"), "opening");
    EXPECT_EQ(ReadInstalled("BONUS/ART/01.BMP"), "art");
    EXPECT_EQ(ReadInstalled("BONUS/README.TXT"), "bonus");
    EXPECT_EQ(ReadInstalled("EXTRA.TXT"), "extra");

    ASSERT_EQ(machine.shellCopies.size(), 3u);
    const machine::ShellCopyRecord& file = machine.shellCopies[0];
    EXPECT_EQ(file.owner, wizard);
    EXPECT_EQ(file.from, std::vector<std::string>{"E:\\MOVIE\\OP.MPG"});
    EXPECT_EQ(file.to, std::vector<std::string>{"C:\\Games\\Starlight\\MOVIE\\OP.MPG"});
    EXPECT_EQ(file.flags, 0x0210);
    const machine::ShellCopyRecord& folder = machine.shellCopies[1];
    EXPECT_EQ(folder.from, std::vector<std::string>{"E:\\BONUS"});
    EXPECT_EQ(folder.to, std::vector<std::string>{"C:\\Games\\Starlight"});
    EXPECT_EQ(folder.flags, 0x0610);
    EXPECT_EQ(machine.shellCopies[2].from, std::vector<std::string>{"E:\\EXTRA.TXT"});
    ExpectReleased();
}

TEST_F(DiscCopyTest, NestedFolderArrivesUnderItsOwnLastName) {
    InsertDiscOne();
    updateIniUpdate = "CopyFile00=1:BONUS\\ART\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadInstalled("ART/01.BMP"), "art");
    EXPECT_FALSE(fs::exists(InstallHostPath("BONUS")));
    ASSERT_EQ(machine.shellCopies.size(), 1u);
    EXPECT_EQ(machine.shellCopies[0].to, std::vector<std::string>{InstallFolder});
}

TEST_F(DiscCopyTest, PromptNamesTheDiscAndOkFindsItOnceInserted) {
    updateIniUpdate = "UpdateFile00=SCENE.PAK\r\nCopyFile00=1:MOVIE\\OP.MPG\r\n";
    members.push_back({"SCENE.PAK", {'s'}, MemberTime(5), false});
    std::vector<std::string> infoAtPrompt;
    int prompts = 0;
    machine.onMessageBox = [&](const machine::MessageBoxRecord&) {
        infoAtPrompt.push_back(machine.dialog.controls.at(InfoText).text);
        if (++prompts == 2) {
            InsertDiscOne();
        }
        return IDOK;
    };
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({{DiscPrompt(1), Title, PromptBox, true}, {DiscPrompt(1), Title, PromptBox, true}});
    EXPECT_EQ(infoAtPrompt, (std::vector<std::string>{RunningText, RunningText}));
    EXPECT_EQ(ReadInstalled("MOVIE/OP.MPG"), "opening");
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
}

TEST_F(DiscCopyTest, CancelAtThePromptInterruptsWithoutACopyError) {
    updateIniUpdate = "CopyFile00=2:VOICE\r\n";
    InsertDiscOne();
    machine.answers = {IDCANCEL};
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes(
        {{DiscPrompt(2), Title, PromptBox, true}, {InterruptedText, Title, ErrorBox, false}});
    EXPECT_TRUE(machine.shellCopies.empty());
    EXPECT_EQ(machine.endDialogCode, -1);
    ExpectReleased();
}

TEST_F(DiscCopyTest, EntryWithoutDiscUsesTheDriveOfTheLatestDisc) {
    InsertDiscOne();
    updateIniUpdate = "CopyFile00=1:MOVIE\\OP.MPG\r\nCopyFile01=0:EXTRA.TXT\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(machine.shellCopies.size(), 2u);
    EXPECT_EQ(machine.shellCopies[1].from, std::vector<std::string>{"E:\\EXTRA.TXT"});
    EXPECT_EQ(ReadInstalled("EXTRA.TXT"), "extra");
}

TEST_F(DiscCopyTest, EmptyProbeNameTakesTheFirstDriveWithAnyDisc) {
    std::string setup = ReadInstalled("SETUP.INI");
    setup.replace(setup.find("DiskCheckFile1=DISC1.ID\r\n"),
                  std::string("DiskCheckFile1=DISC1.ID\r\n").size(), "");
    WriteInstalled("SETUP.INI", setup);
    machine.MapDrive('B', drive.Root() / "cdB-empty", DRIVE_CDROM); // no disc inserted
    InsertDiscOne();
    drive.Write("cdD/EXTRA.TXT", "from D");
    updateIniUpdate = "CopyFile00=1:EXTRA.TXT\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadInstalled("EXTRA.TXT"), "from D");
}

// A copy entry that fails: the box shown for it (if any), and the copies
// before it stay.
struct CopyFailure {
    const char* name;
    const char* entry;
    std::function<void(machine::Machine&)> arrange;
    std::string box; // empty: no box of its own
    size_t shellCopies;
};

// gtest shows a parameter by its name, not as raw bytes.
void PrintTo(const CopyFailure& param, std::ostream* out) {
    *out << param.name;
}

class CopyFailureTest : public DiscCopyTest, public ::testing::WithParamInterface<CopyFailure> {};

TEST_P(CopyFailureTest, ShowsItsBoxKeepsEarlierCopiesAndInterrupts) {
    InsertDiscOne();
    updateIniUpdate = std::string("CopyFile00=1:EXTRA.TXT\r\nCopyFile01=") + GetParam().entry +
                      "\r\nCopyFile02=1:MOVIE\\OP.MPG\r\n";
    if (GetParam().arrange) {
        machine.onShellCopy = [this](const machine::ShellCopyRecord&) {
            if (machine.shellCopies.size() == 2) {
                GetParam().arrange(machine);
            }
        };
    }
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    std::vector<Box> boxes;
    if (!GetParam().box.empty()) {
        boxes.push_back({GetParam().box, Title, ErrorBox, true});
    }
    boxes.push_back({InterruptedText, Title, ErrorBox, false});
    ExpectBoxes(boxes);
    EXPECT_EQ(machine.shellCopies.size(), GetParam().shellCopies);
    EXPECT_EQ(ReadInstalled("EXTRA.TXT"), "extra");
    EXPECT_FALSE(fs::exists(InstallHostPath("MOVIE")));
    EXPECT_FALSE(fs::exists(drive.Root() / "Games" / "EVIL.TXT"));
    ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Copy, CopyFailureTest,
    ::testing::Values(
        CopyFailure{"SourceMissing", "1:MISSING.DAT", nullptr, CopyError("MISSING.DAT"), 2},
        CopyFailure{"ShellFails", "1:BONUS", [](machine::Machine& m) { m.shellCopyResult = 0x402; },
                    CopyError("BONUS"), 2},
        CopyFailure{"UserAbortsTheCopy", "1:BONUS",
                    [](machine::Machine& m) { m.shellCopyAborted = true; }, "", 2},
        CopyFailure{"DiscPrefixNotADigit", "x:BONUS", nullptr, CopyError("x:BONUS"), 1},
        CopyFailure{"ClimbsOut", "1:..\\EVIL.TXT", nullptr, CopyError("..\\EVIL.TXT"), 1},
        CopyFailure{"Absolute", "1:\\EXTRA.TXT", nullptr, CopyError("\\EXTRA.TXT"), 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiscCopyTest, EntryWithoutDiscBeforeAnyDiscWasFoundIsRefused) {
    InsertDiscOne();
    updateIniUpdate = "CopyFile00=EXTRA.TXT\r\nCopyFile01=1:MOVIE\\OP.MPG\r\n";
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes({{CopyError("EXTRA.TXT"), Title, ErrorBox, true},
                 {InterruptedText, Title, ErrorBox, false}});
    EXPECT_TRUE(machine.shellCopies.empty());
    EXPECT_EQ(InstalledCount(), 4u);
}

TEST_F(DiscCopyTest, AbortDuringTheCopyIsIgnored) {
    InsertDiscOne();
    updateIniUpdate = "CopyFile00=1:EXTRA.TXT\r\n";
    INT_PTR abortResult = -1;
    machine.onShellCopy = [&](const machine::ShellCopyRecord&) {
        abortResult = machine.SendCommand(Abort);
    };
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(abortResult, 0);
    EXPECT_EQ(machine.endDialogCode, 0);
}

} // namespace
} // namespace program
