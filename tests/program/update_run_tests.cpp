// The update run and the wizard as a user meets them: free space, variant
// selection, OverwriteOnly, member writing and its failures, refused paths,
// and the buttons while the run is busy.
#include "tests/program/program_fixture.h"

#include "updater/services.h"
#include "updater/wizard.h"

namespace fs = std::filesystem;

namespace program {
namespace {

const char* const ShortageText =
    "ディスク容量が足りません。\rC: ドライブに 600 バイトの空き容量が必要です";

TEST_F(ProgramTest, ShortageThenBackThenNextWithSpaceCompletes) {
    updateIniUpdate += "RequiredDiskSpace=1000\r\n";
    machine.drives['C'].free = 400;
    presses = {Next, Next, Back, Next, Next};
    beforePress = [&](size_t index) {
        if (index == 1) {
            ExpectInstallUntouched();
        }
        if (index == 2) {
            ExpectInstallUntouched();
            machine.drives['C'].free = 5ull << 30;
            EXPECT_EQ(WizardStep, 2);
        }
        if (index == 3) {
            EXPECT_EQ(WizardStep, 1); // Back stepped two back, then one on
        }
    };
    EXPECT_EQ(Run(), 1);
    ExpectPageBefore(2, {ShortageText, true, false, true});
    EXPECT_EQ(pagesBeforePress[2].cursor, "");
    ExpectPageBefore(3, {ConfirmText, false, true, true});
    ExpectPageBefore(4, {DoneText, false, true, false, DoneCaption});
    ExpectBoxes({});
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
    ExpectReleased();
}

TEST_F(ProgramTest, AbortOnTheShortagePageInterrupts) {
    updateIniUpdate += "RequiredDiskSpace=1000\r\n";
    machine.drives['C'].free = 400;
    presses = {Next, Next, Abort};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes({{InterruptedText, Title, ErrorBox, false}});
    ExpectInstallUntouched();
    ExpectReleased();
}

// Free space that meets RequiredDiskSpace.
struct EnoughSpace {
    const char* name;
    const char* requirement; // the RequiredDiskSpace line
    uint64_t free;
};

void PrintTo(const EnoughSpace& param, std::ostream* out) {
    *out << param.name;
}

class EnoughSpaceTest : public ProgramTest, public ::testing::WithParamInterface<EnoughSpace> {};

TEST_P(EnoughSpaceTest, RunWritesWithoutAShortage) {
    updateIniUpdate += GetParam().requirement;
    machine.drives['C'].free = GetParam().free;
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
}

INSTANTIATE_TEST_SUITE_P(
    Update, EnoughSpaceTest,
    ::testing::Values(
        EnoughSpace{"FreeEqualToTheRequirement", "RequiredDiskSpace=1000\r\n", 1000},
        // The low 32 bits of the free count (100) are below the requirement.
        EnoughSpace{"FourGibAndMoreFree", "RequiredDiskSpace=1000\r\n", (1ull << 32) + 100},
        EnoughSpace{"NegativeTakenAsUnsigned", "RequiredDiskSpace=-1\r\n", 0xFFFFFFFFull}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, NegativeRequirementAboveTheFreeSpaceIsAShortage) {
    // -1 stands for 4294967295 bytes; 4294967290 are free, so 5 are missing.
    updateIniUpdate += "RequiredDiskSpace=-1\r\n";
    machine.drives['C'].free = 0xFFFFFFFAull;
    presses = {Next, Next, Abort};
    EXPECT_EQ(Run(), 0);
    ExpectPageBefore(2, {"ディスク容量が足りません。\rC: ドライブに 5 バイトの空き容量が必要です",
                         true, false, true});
    ExpectInstallUntouched();
}

TEST_F(ProgramTest, VariantPrefixSelectsTheEntriesOfTheInstalledVariant) {
    WriteInstalled("DATA/README.TXT", "old");
    members.push_back({"README.TXT", {'n', 'e', 'w'}, MemberTime(20), true});
    updateIniUpdate = "UpdateFile00=2,SCENE.PAK\r\n"
                      "UpdateFile01=1,DATA\\README.TXT\r\n"
                      "UpdateFile02=0,VOICE.PAK\r\n"
                      "UpdateFile03=GameCfg.ini\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectWritten("DATA\\README.TXT", Member("README.TXT"));
    ExpectWritten("GAMECFG.INI", Member("GAMECFG.INI"));
    EXPECT_EQ(ReadInstalled("SCENE.PAK"), originalScene);
    EXPECT_NE(ReadInstalled("VOICE.PAK").size(), Member("VOICE.PAK").data.size());
    EXPECT_FALSE(fs::exists(InstallHostPath("README.TXT")));
}

// Lists that select nothing for install variant 1.
struct EmptySelection {
    const char* name;
    const char* update;
};

// gtest shows a parameter by its name, not as raw bytes.
void PrintTo(const EmptySelection& param, std::ostream* out) {
    *out << param.name;
}

class EmptySelectionTest : public ProgramTest,
                           public ::testing::WithParamInterface<EmptySelection> {};

TEST_P(EmptySelectionTest, ShowsNoEntriesAndInterrupts) {
    updateIniUpdate = GetParam().update;
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    ExpectBoxes({{"No 'UpdateFileXX' and 'CopyFileXX'", Title, ErrorBox, true},
                 {InterruptedText, Title, ErrorBox, false}});
    EXPECT_EQ(machine.endDialogCode, -1);
    EXPECT_EQ(machine.dialog.cursor, "wait");
    EXPECT_EQ(WizardStep, 2); // the run's press counts although the dialog ended
    EXPECT_EQ(WizardBusy, 0u);
    ExpectInstallUntouched();
    ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Update, EmptySelectionTest,
    ::testing::Values(EmptySelection{"NoLists", ""},
                      EmptySelection{"EveryEntryForAnotherVariant",
                                     "UpdateFile00=2,SCENE.PAK\r\nCopyFile00=0,1:MOVIE\r\n"},
                      EmptySelection{"ListBehindAGap", "UpdateFile01=SCENE.PAK\r\n"},
                      EmptySelection{"EmptyFirstValue",
                                     "UpdateFile00=\r\nUpdateFile01=SCENE.PAK\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, OverwriteOnlyWritesOnlyWhereAFileExists) {
    fs::create_directories(InstallHostPath("README.TXT"));
    members.push_back({"README.TXT", {'n'}, MemberTime(20), true});
    members.push_back({"NEW.DAT", {'n'}, MemberTime(21), true});
    updateIniUpdate = "OverwriteOnly=1\r\n"
                      "UpdateFile00=NEW.DAT\r\n"
                      "UpdateFile01=README.TXT\r\n"
                      "UpdateFile02=SCENE.PAK\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
    EXPECT_FALSE(fs::exists(InstallHostPath("NEW.DAT")));
    EXPECT_TRUE(fs::is_directory(InstallHostPath("README.TXT")));
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
}

// An update entry that cannot be written: the boxes, and the entries before
// it stay written.
struct WriteFailure {
    const char* name;
    const char* entry;
    std::vector<std::string> texts; // every box owned by the wizard
};

// gtest shows a parameter by its name, not as raw bytes.
void PrintTo(const WriteFailure& param, std::ostream* out) {
    *out << param.name;
}

class WriteFailureTest : public ProgramTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(WriteFailureTest, ShowsItsBoxesKeepsEarlierEntriesAndInterrupts) {
    fs::create_directories(InstallHostPath("OLD"));
    members.push_back({"OLD", {'x'}, MemberTime(20), true});
    members.push_back({"EVIL.TXT", {'x'}, MemberTime(21), true});
    updateIniUpdate = std::string("OverwriteOnly=0\r\nUpdateFile00=SCENE.PAK\r\nUpdateFile01=") +
                      GetParam().entry + "\r\nUpdateFile02=VOICE.PAK\r\n";
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    std::vector<Box> boxes;
    for (const std::string& text : GetParam().texts) {
        boxes.push_back({text, Title, ErrorBox, true});
    }
    boxes.push_back({InterruptedText, Title, ErrorBox, false});
    ExpectBoxes(boxes);
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
    EXPECT_NE(ReadInstalled("VOICE.PAK").size(), Member("VOICE.PAK").data.size());
    EXPECT_FALSE(fs::exists(drive.Root() / "EVIL.TXT"));
    EXPECT_FALSE(fs::exists(drive.Root() / "Games" / "EVIL.TXT"));
    ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Update, WriteFailureTest,
    ::testing::Values(
        WriteFailure{
            "MemberMissing", "MISSING.DAT", {"Can't Find File in Resource !!", WriteFailedText}},
        WriteFailure{"DestinationIsAFolder", "OLD", {WriteFailedText}},
        WriteFailure{"FolderDoesNotExist", "NODIR\\SCENE.PAK", {WriteFailedText}},
        WriteFailure{"ClimbsOut", "..\\EVIL.TXT", {WriteFailedText}},
        WriteFailure{"ClimbsOutWithSlashes", "DATA/../../EVIL.TXT", {WriteFailedText}},
        WriteFailure{"ClimbsOutWithTrailingDots", "...\\EVIL.TXT", {WriteFailedText}},
        WriteFailure{"Absolute", "\\EVIL.TXT", {WriteFailedText}},
        WriteFailure{"CarriesADrive", "C:\\EVIL.TXT", {WriteFailedText}},
        WriteFailure{"CarriesADriveWithoutSeparator", "C:EVIL.TXT", {WriteFailedText}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, MemberNameIsNotSplitAtATrailByteThatLooksLikeABackslash) {
    // 表 is 0x95 0x5C, ソ is 0x83 0x5C.
    fs::create_directories(drive.Root() / "Games" / "Starlight" / fs::path(u8"ソフト"));
    members.push_back({"表.PAK", {'h', 'y', 'o'}, MemberTime(20), true});
    members.push_back({"ソ.DAT", {'s', 'o'}, MemberTime(21), true});
    updateIniUpdate = "UpdateFile00=1,表.PAK\r\nUpdateFile01=ソフト\\ソ.DAT\r\n";
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectBoxes({});
    ExpectWritten("表.PAK", Member("表.PAK"));
    ExpectWritten("ソフト\\ソ.DAT", Member("ソ.DAT"));
}

TEST_F(ProgramTest, ReadOnlyInstalledFileIsReplaced) {
    fs::permissions(InstallHostPath("SCENE.PAK"),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    presses = {Next, Next, Next};
    EXPECT_EQ(Run(), 1);
    ExpectWritten("SCENE.PAK", Member("SCENE.PAK"));
}

TEST_F(ProgramTest, PercentInTheGameTitleIsShownLiterally) {
    std::string setup = ReadInstalled("SETUP.INI");
    setup.replace(setup.find("GameTitle=星空の約束"), std::string("GameTitle=星空の約束").size(),
                  "GameTitle=100%s%i");
    WriteInstalled("SETUP.INI", setup);
    presses = {Abort};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(pagesBeforePress[0].controls.at(InfoText).text,
              "「100%s%i」のアップデートを開始します");
    EXPECT_EQ(pagesBeforePress[0].caption, "100%s%i アップデート 1.01");
}

TEST_F(ProgramTest, CommandsWithANotificationCodeChangeNothing) {
    presses = {Next | (1u << 16), Abort | (1u << 16), Back | (1u << 16), Next, Abort};
    EXPECT_EQ(Run(), 0);
    ExpectPageBefore(1, {StartText, false, true, true});
    ExpectPageBefore(3, {StartText, false, true, true});
    ExpectPageBefore(4, {ConfirmText, false, true, true});
    ExpectBoxes({{InterruptedText, Title, ErrorBox, false}});
}

TEST_F(ProgramTest, BackOnTheStartPageOnlyEmptiesTheInfoText) {
    // Back is disabled there, but its command still counts: the text is
    // emptied first and the step before the start page has no action.
    presses = {Back, Next, Next, Abort};
    EXPECT_EQ(Run(), 0);
    ExpectPageBefore(1, {"", false, true, true});
    ExpectPageBefore(2, {"", false, true, true});
    ExpectPageBefore(3, {ConfirmText, false, true, true});
    ExpectInstallUntouched();
}

TEST_F(ProgramTest, ButtonsAreInertWhileTheRunWaitsOnABox) {
    members.clear();
    updateIniUpdate = "UpdateFile00=SCENE.PAK\r\n";
    struct Seen {
        INT_PTR cursorResult;
        std::string cursor;
        std::string info;
        bool ended;
        int32_t step;
    };
    std::vector<Seen> seen;
    machine.onMessageBox = [&](const machine::MessageBoxRecord&) {
        if (seen.empty()) {
            machine.SendCommand(Abort);
            machine.SendCommand(Back);
            machine.SendCommand(Next);
            const INT_PTR cursorResult = machine.SendSetCursor();
            seen.push_back({cursorResult, machine.dialog.cursor,
                            machine.dialog.controls.at(InfoText).text,
                            machine.endDialogCode.has_value(), WizardStep});
        }
        return IDOK;
    };
    presses = {Next, Next};
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].cursorResult, 1);
    EXPECT_EQ(seen[0].cursor, "wait");
    EXPECT_EQ(seen[0].info, RunningText);
    EXPECT_FALSE(seen[0].ended);
    EXPECT_EQ(seen[0].step, 1);
    ExpectBoxes({{"Can't Find File in Resource !!", Title, ErrorBox, true},
                 {WriteFailedText, Title, ErrorBox, true},
                 {InterruptedText, Title, ErrorBox, false}});
    EXPECT_EQ(machine.endDialogCode, -1);
}

TEST_F(ProgramTest, CursorIsLeftToThePlatformWhileIdle) {
    INT_PTR cursorResult = -1;
    presses = {Abort};
    beforePress = [&](size_t) { cursorResult = machine.SendSetCursor(); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(cursorResult, 0);
    EXPECT_EQ(pagesBeforePress[0].cursor, "");
}

} // namespace
} // namespace program
