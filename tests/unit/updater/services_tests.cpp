#include "updater/services.h"

#include "tests/support/scratch_drive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

machine::Machine& M() {
    return machine::TheMachine();
}

// ---- AppendPathComponent --------------------------------------------------------

struct JoinCase {
    const char* name;
    std::string path;
    std::string component;
    std::string expected;
};

class AppendPathComponentTest : public testing::TestWithParam<JoinCase> {};

TEST_P(AppendPathComponentTest, JoinsWithOneSeparatorAndEndsInTwoNuls) {
    const JoinCase& c = GetParam();
    PathBuffer path;
    std::memset(path, 'Q', sizeof path);
    std::memcpy(path, c.path.c_str(), c.path.size() + 1);
    AppendPathComponent(path, c.component.c_str());
    EXPECT_EQ(std::string(path), c.expected);
    EXPECT_EQ(path[c.expected.size() + 1], '\0') << "second NUL";
}

const JoinCase JoinCases[] = {
    {"EmptyPath", "", "UPDATE.INI", "UPDATE.INI"},
    {"Backslash", "C:\\GAME\\", "SETUP.INI", "C:\\GAME\\SETUP.INI"},
    {"ForwardSlash", "C:/GAME/", "SETUP.INI", "C:/GAME/SETUP.INI"},
    {"Letter", "C:\\GAME", "SETUP.INI", "C:\\GAME\\SETUP.INI"},
    {"BareDrive", "C:", "SETUP.INI", "C:\\SETUP.INI"},
    {"RelativeName", "C:\\GAME", "DATA\\X.PAK", "C:\\GAME\\DATA\\X.PAK"},
    {"NameWithSeparatorKeepsIt", "C:\\GAME", "\\X", "C:\\GAME\\\\X"},
    // 表 is 0x95 0x5C: its trail byte is no separator.
    {"TrailByte5C", "C:\\ゲーム表", "SETUP.INI", "C:\\ゲーム表\\SETUP.INI"},
    {"TrailByte5CThenSeparator", "C:\\ゲーム表\\", "SETUP.INI", "C:\\ゲーム表\\SETUP.INI"},
    {"SoAsLastCharacter", "C:\\ソ", "X", "C:\\ソ\\X"},
    {"EmptyName", "C:\\GAME", "", "C:\\GAME\\"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AppendPathComponentTest, testing::ValuesIn(JoinCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct GuardedPath {
    PathBuffer path;
    char after[16];
};

TEST(AppendPathComponent, JoinThatJustFitsIsMade) {
    GuardedPath buffer;
    std::memset(&buffer, 'G', sizeof buffer);
    std::string folder = "C:\\" + std::string(200, 'd');
    std::string name(PathBufferSize - 2 - 1 - static_cast<int>(folder.size()), 'n');
    std::memcpy(buffer.path, folder.c_str(), folder.size() + 1);
    AppendPathComponent(buffer.path, name.c_str());
    EXPECT_EQ(std::string(buffer.path), folder + "\\" + name);
    EXPECT_EQ(buffer.path[PathBufferSize - 1], '\0');
    EXPECT_EQ(std::string(buffer.after, 16), std::string(16, 'G'));
}

TEST(AppendPathComponent, JoinThatDoesNotFitNamesNoFile) {
    ScratchDrive drive;
    GuardedPath buffer;
    std::memset(&buffer, 'G', sizeof buffer);
    std::string folder = "C:\\" + std::string(200, 'd');
    std::string name(PathBufferSize - 2 - static_cast<int>(folder.size()), 'n');
    std::memcpy(buffer.path, folder.c_str(), folder.size() + 1);

    AppendPathComponent(buffer.path, name.c_str());
    EXPECT_STREQ(buffer.path, UnjoinablePath);
    EXPECT_EQ(buffer.path[std::strlen(UnjoinablePath) + 1], '\0');
    EXPECT_EQ(std::string(buffer.after, 16), std::string(16, 'G'));
    EXPECT_EQ(GetFileAttributesA(buffer.path), INVALID_FILE_ATTRIBUTES);

    AppendPathComponent(buffer.path, "n");
    EXPECT_EQ(GetFileAttributesA(buffer.path), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CreateFileA(buffer.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
}

// ---- ShowUpdateError ------------------------------------------------------------

TEST(ShowUpdateError, CaptionIsTheWindowTitleAndOwnerTheWizard) {
    ScratchDrive drive;
    ShowUpdateError("before");
    std::strcpy(WindowTitle, "ゲーム アップデート 1.1");
    HWND wizard = reinterpret_cast<HWND>(0x4321);
    WizardWindow = wizard;
    ShowUpdateError("during 100%s");
    WizardWindow = nullptr;
    ShowUpdateError("after");

    ASSERT_EQ(M().boxes.size(), 3u);
    EXPECT_EQ(M().boxes[0].caption, "UPDATE");
    EXPECT_EQ(M().boxes[0].owner, nullptr);
    EXPECT_EQ(M().boxes[1].caption, "ゲーム アップデート 1.1");
    EXPECT_EQ(M().boxes[1].owner, wizard);
    EXPECT_EQ(M().boxes[1].text, "during 100%s") << "the text is not a format";
    EXPECT_EQ(M().boxes[2].owner, nullptr);
    for (const auto& box : M().boxes) {
        EXPECT_EQ(box.style, MB_ICONERROR);
    }
}

// ---- QueryDiskSpace -------------------------------------------------------------

constexpr ULONGLONG Sentinel = 0x5A5A5A5A5A5A5A5Aull;

class QueryDiskSpaceTest : public testing::Test {
  protected:
    ScratchDrive drive;
    ULONGLONG freeToCaller = Sentinel, totalBytes = Sentinel, totalFree = Sentinel;

    void SetFree(ULONGLONG bytes) { M().drives['C'].free = bytes; }

    // The figures the older call gives for C:, as cluster products.
    void ExpectClusterFigures() {
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        ASSERT_TRUE(GetDiskFreeSpaceA("C:", &sectors, &bytes, &freeClusters, &totalClusters));
        ULONGLONG cluster = DWORD{sectors * bytes};
        EXPECT_EQ(freeToCaller, freeClusters * cluster);
        EXPECT_EQ(totalBytes, totalClusters * cluster);
    }
};

TEST_F(QueryDiskSpaceTest, ExtendedCallGivesFiguresBeyondFourGiB) {
    SetFree(5ull << 30);
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, &totalFree), 0);
    EXPECT_EQ(freeToCaller, 5ull << 30);
    EXPECT_EQ(totalBytes, M().drives['C'].total);
    EXPECT_NE(totalFree, Sentinel);
    EXPECT_EQ(M().loadLibraryCalls, 1);
    EXPECT_EQ(M().freeLibraryCalls, 1);
    EXPECT_NE(DiskFreeSpaceExEntry, nullptr);
}

TEST_F(QueryDiskSpaceTest, SecondCallNeitherLoadsNorFrees) {
    SetFree(1 << 20);
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, nullptr), 0);
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, nullptr), 0);
    EXPECT_EQ(freeToCaller, 1u << 20);
    EXPECT_EQ(M().loadLibraryCalls, 1);
    EXPECT_EQ(M().freeLibraryCalls, 1);
}

TEST_F(QueryDiskSpaceTest, MissingEntryPointFallsBackAndIsLookedUpAgain) {
    SetFree(3ull << 20);
    M().diskFreeSpaceExPresent = false;
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, &totalFree), 0);
    ExpectClusterFigures();
    EXPECT_EQ(totalFree, freeToCaller);
    EXPECT_EQ(DiskFreeSpaceExEntry, nullptr);

    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, nullptr), 0);
    EXPECT_EQ(M().loadLibraryCalls, 2);
    EXPECT_EQ(M().freeLibraryCalls, 2);
}

TEST_F(QueryDiskSpaceTest, FailingExtendedCallFallsBack) {
    SetFree(3ull << 20);
    M().diskFreeSpaceExFails = true;
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, &totalFree), 0);
    ExpectClusterFigures();
    EXPECT_EQ(totalFree, freeToCaller);
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, nullptr), 0);
    EXPECT_EQ(M().loadLibraryCalls, 1) << "the entry point was found and stays cached";
}

TEST_F(QueryDiskSpaceTest, FallbackWithoutTotalFreeWritesOnlyTwoFigures) {
    M().diskFreeSpaceExPresent = false;
    ASSERT_NE(QueryDiskSpace("C:", &freeToCaller, &totalBytes, nullptr), 0);
    ExpectClusterFigures();
    EXPECT_EQ(totalFree, Sentinel);
}

TEST_F(QueryDiskSpaceTest, UnknownDriveFailsAndWritesNothing) {
    for (bool present : {true, false}) {
        M().diskFreeSpaceExPresent = present;
        DiskFreeSpaceExEntry = nullptr;
        EXPECT_EQ(QueryDiskSpace("Q:", &freeToCaller, &totalBytes, &totalFree), 0);
        EXPECT_EQ(QueryDiskSpace("\\\\server\\share", &freeToCaller, &totalBytes, &totalFree), 0);
        EXPECT_EQ(freeToCaller, Sentinel);
        EXPECT_EQ(totalBytes, Sentinel);
        EXPECT_EQ(totalFree, Sentinel);
    }
}

// ---- ShellCopy --------------------------------------------------------------------

struct ShellCopyCase {
    const char* name;
    int quietErrors;
    int shellResult;
    bool aborted;
    int expected;
    FILEOP_FLAGS flags;
};

class ShellCopyTest : public testing::TestWithParam<ShellCopyCase> {
  protected:
    ScratchDrive drive{'C'};
};

TEST_P(ShellCopyTest, ResultFlagsAndDestinationAttributes) {
    const ShellCopyCase& c = GetParam();
    M().MapDrive('E', drive.Root() / "disc", DRIVE_CDROM);
    drive.Write("disc/DATA.PAK", "new");
    std::filesystem::permissions(drive.Root() / "disc/DATA.PAK",
                                 std::filesystem::perms::owner_read);
    std::filesystem::create_directories(drive.Root() / "game");
    if (c.expected != ShellCopyDone) {
        drive.Write("game/DATA.PAK", "old");
        std::filesystem::permissions(drive.Root() / "game/DATA.PAK",
                                     std::filesystem::perms::owner_read);
    }
    M().shellCopyResult = c.shellResult;
    M().shellCopyAborted = c.aborted;
    HWND owner = reinterpret_cast<HWND>(0x77);

    PathBuffer source = "E:";
    AppendPathComponent(source, "DATA.PAK");
    PathBuffer destination = "C:\\game";
    AppendPathComponent(destination, "DATA.PAK");
    EXPECT_EQ(ShellCopy(owner, source, destination, c.quietErrors), c.expected);

    ASSERT_EQ(M().shellCopies.size(), 1u);
    EXPECT_EQ(M().shellCopies[0].owner, owner);
    EXPECT_EQ(M().shellCopies[0].flags, c.flags);
    EXPECT_EQ(M().shellCopies[0].from, std::vector<std::string>{"E:\\DATA.PAK"});
    EXPECT_EQ(M().shellCopies[0].to, std::vector<std::string>{"C:\\game\\DATA.PAK"});
    DWORD attributes = GetFileAttributesA(destination);
    if (c.expected == ShellCopyDone) {
        EXPECT_EQ(drive.Read("game/DATA.PAK"), "new");
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u) << "a writable copy";
    } else {
        EXPECT_EQ(drive.Read("game/DATA.PAK"), "old");
        EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u) << "attributes left alone";
    }
}

const ShellCopyCase ShellCopyCases[] = {
    {"Copied", 0, 0, false, ShellCopyDone, 0x0210},
    {"CopiedQuietly", 1, 0, false, ShellCopyDone, 0x0610},
    {"Failed", 0, 0x75, false, ShellCopyFailed, 0x0210},
    {"FailedQuietly", 1, 0x75, false, ShellCopyFailed, 0x0610},
    {"Aborted", 0, 0, true, ShellCopyAborted, 0x0210},
    {"AbortedAndFailed", 1, 0x4C7, true, ShellCopyAborted, 0x0610},
};

INSTANTIATE_TEST_SUITE_P(Cases, ShellCopyTest, testing::ValuesIn(ShellCopyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Dialog services ------------------------------------------------------------

// Runs the services inside a dialog the way the wizard does, on its
// initialisation message.
void (*DialogAction)(HWND) = nullptr;

INT_PTR CALLBACK ServiceDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        DialogAction(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

void RunDialog(void (*action)(HWND)) {
    machine::DialogTemplate dialog;
    for (int id : {NextButton, AbortButton, BackButton, InfoText}) {
        dialog.controls[id] = machine::Control{"", true};
    }
    M().dialogTemplates[101] = dialog;
    DialogAction = action;
    ASSERT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, ServiceDialog, 0), 0);
}

TEST(SetInfoText, FormatsOnceIntoControl1001) {
    ScratchDrive drive;
    RunDialog([](HWND dialog) { SetInfoText(dialog, "%s をコピーしています (%02i)", "100%s", 7); });
    EXPECT_EQ(M().dialog.controls[InfoText].text, "100%s をコピーしています (07)");
}

TEST(SetInfoText, TextIsLimitedTo1023Characters) {
    ScratchDrive drive;
    RunDialog([](HWND dialog) {
        std::string longText(2000, 'x');
        SetInfoText(dialog, "%s", longText.c_str());
    });
    EXPECT_EQ(M().dialog.controls[InfoText].text, std::string(TextBufferSize - 1, 'x'));
}

TEST(EnableControl, DisablesAndEnables) {
    ScratchDrive drive;
    RunDialog([](HWND dialog) {
        EnableControl(dialog, BackButton, 0);
        EnableControl(dialog, NextButton, 0);
        EnableControl(dialog, NextButton, 5);
    });
    EXPECT_FALSE(M().dialog.controls[BackButton].enabled);
    EXPECT_TRUE(M().dialog.controls[NextButton].enabled);
}

} // namespace
