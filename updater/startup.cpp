#include "updater/startup.h"

#include "archive/extract.h"
#include "archive/package.h"
#include "settings/profile.h"
#include "settings/setup_description.h"
#include "updater/wizard.h"

InstallRecordFields InstallRecord;
PathBuffer GameTitleA;
PathBuffer InstallVersion;

namespace {

constexpr const char* UpdateIniName = "UPDATE.INI";
constexpr const char* SetupIniName = "SETUP.INI";

// Shows the message of a way out; the exit code is then 0.
int FailWith(const char* message) {
    ShowUpdateError(message);
    return 0;
}

// UpdateIniPath becomes a file of this process's own in the temporary folder,
// so that copies started by one user never share it. 0 when there is no
// temporary folder or no file could be made in it; UpdateIniPath stays empty.
int PrepareUpdateIniPath() {
    PathBuffer folder;
    DWORD length = GetTempPathA(PathBufferSize, folder);
    if (length == 0 || length >= static_cast<DWORD>(PathBufferSize)) {
        return 0;
    }
    if (GetTempFileNameA(folder, "UPD", 0, UpdateIniPath) == 0) {
        UpdateIniPath[0] = 0;
        return 0;
    }
    return 1;
}

// InstallRecord from HKEY_CURRENT_USER\Software\<CompanyName>\<GameDir>.
// An InstPath that fills its buffer without a terminating NUL is refused
// like a missing one, so the folder is never read past its buffer; so is an
// empty one, which would make every install path relative to the current
// folder.
int ReadInstallRecord(char* text) {
    wsprintfA(text, "Software\\%s\\%s", SetupDescription.CompanyName, SetupDescription.GameDir);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, text, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    for (char& byte : InstallRecord.InstPath) {
        byte = 0;
    }
    InstallRecord.InstMode = 0;
    DWORD size = PathBufferSize;
    LONG result = RegQueryValueExA(key, "InstPath", nullptr, nullptr,
                                   reinterpret_cast<LPBYTE>(InstallRecord.InstPath), &size);
    if (result == ERROR_SUCCESS) {
        size = sizeof(InstallRecord.InstMode);
        result = RegQueryValueExA(key, "InstMode", nullptr, nullptr,
                                  reinterpret_cast<LPBYTE>(&InstallRecord.InstMode), &size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS && InstallRecord.InstPath[0] != 0 &&
           InstallRecord.InstPath[PathBufferSize - 1] == 0;
}

// Asks the user to quit the game while a window of its class and this title
// exists. 0 when the user declines: the game's window is brought forward.
int WaitUntilGameQuits(const char* title, char* text) {
    for (;;) {
        HWND game = FindWindowA(SetupDescription.GameClass, title);
        if (game == nullptr) {
            return 1;
        }
        wsprintfA(text,
                  "「%s」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] "
                  "を、アップデートを中止する場合は [キャンセル] を押して下さい",
                  title);
        if (MessageBoxA(nullptr, text, WindowTitle, MB_OKCANCEL) != IDOK) {
            ShowWindow(game, SW_SHOW);
            SetForegroundWindow(game);
            return 0;
        }
    }
}

// Every step from COM to the end of the wizard; returns the exit code. The
// caller releases the package afterwards, whichever way this ends.
int PreflightAndWizard(HINSTANCE instance) {
    char text[TextBufferSize];

    CoInitialize(nullptr);

    DWORD length = 0;
    const BYTE* image = FindPackageResource(instance, MAKEINTRESOURCEA(UpdateResourceId),
                                            UpdateResourceType, &length);
    if (image == nullptr) {
        return FailWith("UPDATE.FA2 not found");
    }
    PackageImage.Data = image;
    PackageImage.Length = length;
    PackageDirectory = OpenPackage(image, length);
    if (PackageDirectory == nullptr) {
        return FailWith("RESOURCE READ ERROR");
    }

    if (!PrepareUpdateIniPath() || !ExtractPackageMember(UpdateIniName, UpdateIniPath)) {
        return FailWith("UPDATE.INI not found at UPDATE.FA2");
    }
    if (!ReadUpdateIdentity()) {
        return 0;
    }
    MissingKeyQuiet = 1;
    ReadUpdateOnlyValues();

    if (!ReadInstallRecord(text)) {
        wsprintfA(text, "「%s」がインストールされていません", SetupDescription.GameTitle);
        return FailWith(text);
    }

    SetupIniPath[0] = 0;
    lstrcpyA(SetupIniPath, InstallRecord.InstPath);
    AppendPathComponent(SetupIniPath, SetupIniName);
    if (GetFileAttributesA(SetupIniPath) == INVALID_FILE_ATTRIBUTES) {
        return FailWith("インストール先に \"SETUP.INI\" ファイルが見つかりません");
    }
    if (!LoadSetupDescription()) {
        return 0;
    }

    wsprintfA(WindowTitle, "%s アップデート %s", SetupDescription.GameTitle, InstallVersion);

    HWND other = FindWindowA(MAKEINTATOM(DialogClassAtom), WindowTitle);
    if (other != nullptr) {
        ShowWindow(other, SW_SHOW);
        SetForegroundWindow(other);
        return 0;
    }
    if (!WaitUntilGameQuits(SetupDescription.GameTitle, text)) {
        return 0;
    }
    if (GameTitleA[0] != 0 && !WaitUntilGameQuits(GameTitleA, text)) {
        return 0;
    }

    INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(WizardTemplateId), nullptr, WizardDialogProc, 0);
    WizardWindow = nullptr;
    if (result == 0) {
        return 1;
    }
    return FailWith("アップデートが中断されました");
}

} // namespace

int ReadUpdateIdentity() {
    return ReadProfileString("SETUP", "CompanyName", SetupDescription.CompanyName, PathBufferSize,
                             UpdateIniPath) &&
           ReadProfileString("SETUP", "GameTitle", SetupDescription.GameTitle, PathBufferSize,
                             UpdateIniPath) &&
           ReadProfileString("SETUP", "GameClass", SetupDescription.GameClass, PathBufferSize,
                             UpdateIniPath) &&
           ReadProfileString("SETUP", "GameDir", SetupDescription.GameDir, PathBufferSize,
                             UpdateIniPath);
}

void ReadUpdateOnlyValues() {
    GameTitleA[0] = 0;
    ReadProfileString("SETUP", "GameTitleA", GameTitleA, PathBufferSize, UpdateIniPath);
    InstallVersion[0] = 0;
    ReadProfileString("SETUP", "InstallVersion", InstallVersion, PathBufferSize, UpdateIniPath);
}

int RunStartup(HINSTANCE instance) {
    int exitCode = PreflightAndWizard(instance);
    ReleasePackage();
    return exitCode;
}
