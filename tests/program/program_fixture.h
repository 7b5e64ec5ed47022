// The updater as a user meets it: a simulated machine with an installed game
// (drive C:), the update package as the program's resource, and the whole
// program run through RunStartup with scripted presses and answers.
#pragma once

#include "archive/package_writer.h"
#include "platform/posix/machine.h"
#include "tests/support/scratch_drive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace program {

// Wizard buttons, as their WM_COMMAND first parameter.
constexpr WPARAM Next = 1;
constexpr WPARAM Abort = 2;
constexpr WPARAM Back = 4;

// Texts of the installed game and the update (code page 932).
extern const char* const GameTitle;
extern const char* const Title; // the composed window title
extern const char* const StartText;
extern const char* const ConfirmText;
extern const char* const RunningText;
extern const char* const DoneText;
extern const char* const DoneCaption;
extern const char* const InterruptedText;
extern const char* const WriteFailedText;

constexpr const char* RegistryKey = "Software\\Hoshizora Soft\\STARLIGHT";
constexpr const char* InstallFolder = "C:\\Games\\Starlight";
constexpr UINT ErrorBox = MB_ICONERROR;
constexpr UINT PromptBox = MB_OKCANCEL;

// A message box as the test expects it.
struct Box {
    std::string text;
    std::string caption;
    UINT style;
    bool ownedByWizard;
};

// The page the wizard shows: info text, the three buttons' states, Next's
// caption.
struct Page {
    std::string info;
    bool back;
    bool next;
    bool abort;
    std::string nextCaption = "次へ";
};

FILETIME MemberTime(int day);

class ProgramTest : public ::testing::Test {
  public:
    ProgramTest();

    // Builds the package from updateIniSetup, updateIniUpdate and members
    // (unless the test set the resource itself), runs the program, and
    // returns its exit code.
    int Run();

    // Host paths below the install folder and the scratch root.
    std::filesystem::path InstallHostPath(const std::filesystem::path& relative) const;
    std::string ReadInstalled(const std::filesystem::path& relative) const;
    void WriteInstalled(const std::filesystem::path& relative, const std::string& bytes);
    // A CD-ROM drive; with a disc, a host folder holding the given files.
    std::filesystem::path MapCdDrive(char letter, bool withDisc = true);

    void ExpectBoxes(const std::vector<Box>& expected) const;
    // The page seen just before press `index` (0: the start page).
    void ExpectPageBefore(size_t index, const Page& expected) const;
    // The page after the last press.
    void ExpectFinalPage(const Page& expected) const;
    // Nothing stays allocated and the temporary copy of UPDATE.INI is gone.
    void ExpectReleased() const;
    // The member was written to the install folder with its bytes and time;
    // the path is a Windows path below the install folder, found as the
    // platform finds it (without regard to case).
    void ExpectWritten(const std::string& relative, const PackageMemberSource& member) const;
    // The installed game's files are as before the run.
    void ExpectInstallUntouched() const;
    // Number of entries in the install folder (the installed game has four).
    size_t InstalledCount() const;
    const PackageMemberSource& Member(const std::string& name) const;

    ScratchDrive drive{'C'};
    machine::Machine& machine = machine::TheMachine();
    std::string updateIniSetup;
    std::string updateIniUpdate;
    std::vector<PackageMemberSource> members;
    bool buildPackage = true;
    std::string originalScene; // SCENE.PAK as installed
    // What the user does: the wizard's presses, and what happens before each.
    std::vector<WPARAM> presses;
    std::function<void(size_t pressIndex)> beforePress;

    // Observed while the program ran.
    std::vector<machine::DialogSnapshot> pagesBeforePress;
    HWND wizard = nullptr;
};

} // namespace program
