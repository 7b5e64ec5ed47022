#include "updater/update_run.h"

#include "archive/extract.h"
#include "settings/profile.h"
#include "settings/setup_description.h"
#include "updater/startup.h"

UpdateListRecord UpdateList;
CopyListRecord CopyList;

namespace {

constexpr const char* UpdateSection = "UPDATE";
constexpr const char* WriteFailedMessage = "ファイルの書き込みに失敗しました";

// One [UPDATE] value of "UPDATE.INI" into a PathBuffer; 0 when missing or empty.
int ReadUpdateValue(const char* key, char* value) {
    return ReadProfileString(UpdateSection, key, value, PathBufferSize, UpdateIniPath);
}

// A component made only of dots and blanks with two dots or more climbs
// out of its folder (the platform drops trailing dots and blanks).
int ClimbsOut(const char* component, int length) {
    int dots = 0;
    for (int i = 0; i < length; ++i) {
        if (component[i] == '.') {
            ++dots;
        } else if (component[i] != ' ') {
            return 0;
        }
    }
    return dots >= 2;
}

} // namespace

int ReadListEntry(EntryList list, int number, char* key, char* value, const char*& entry) {
    if (list == UpdateFileList) {
        FormatUpdateFileKey(key, number);
    } else {
        FormatCopyFileKey(key, number);
    }
    if (!ReadUpdateValue(key, value)) {
        return 0;
    }
    entry = EntryForVariant(value, InstallRecord.InstMode);
    return 1;
}

int32_t ReadUpdateNumber(const char* key) {
    PathBuffer value;
    if (!ReadUpdateValue(key, value)) {
        return 0;
    }
    return ProfileNumber(value);
}

int StaysInsideFolder(const char* path) {
    if (path[0] == '\\' || path[0] == '/') {
        return 0;
    }
    int start = 0;
    for (int i = 0;; ++i) {
        BYTE byte = static_cast<BYTE>(path[i]);
        if (byte != 0 && IsDBCSLeadByte(byte) && path[i + 1] != 0) {
            ++i;
            continue;
        }
        if (byte == ':') {
            return 0;
        }
        if (byte == 0 || byte == '\\' || byte == '/') {
            if (ClimbsOut(path + start, i - start)) {
                return 0;
            }
            if (byte == 0) {
                return 1;
            }
            start = i + 1;
        }
    }
}

namespace {

// Ends the dialog as failed or aborted.
void EndRun(HWND dialog) {
    EndDialog(dialog, -1);
}

// The free-space check against RequiredDiskSpace. 0 after showing the
// shortage page. A drive whose free space cannot be queried is not checked.
int EnoughFreeSpace(HWND dialog) {
    uint32_t required = static_cast<uint32_t>(ReadUpdateNumber("RequiredDiskSpace"));
    if (required == 0) {
        return 1;
    }
    PathBuffer drive = {};
    drive[0] = InstallRecord.InstPath[0];
    if (drive[0] != 0) {
        drive[1] = InstallRecord.InstPath[1];
    }
    ULONGLONG freeToCaller = 0;
    ULONGLONG totalBytes = 0;
    if (!QueryDiskSpace(drive, &freeToCaller, &totalBytes, nullptr)) {
        return 1;
    }
    if ((freeToCaller >> 32) != 0 || static_cast<uint32_t>(freeToCaller) >= required) {
        return 1;
    }
    char text[TextBufferSize];
    wsprintfA(text, "ディスク容量が足りません。\r%s ドライブに %i バイトの空き容量が必要です",
              drive, static_cast<int32_t>(required - static_cast<uint32_t>(freeToCaller)));
    SetInfoText(dialog, "%s", text);
    EnableControl(dialog, BackButton, 1);
    EnableControl(dialog, NextButton, 0);
    EnableControl(dialog, AbortButton, 1);
    return 0;
}

void SelectUpdateEntries() {
    char key[TextBufferSize];
    PathBuffer value;
    UpdateList.Count = 0;
    for (int n = 0; n < UpdateListCapacity; ++n) {
        const char* entry = nullptr;
        if (!ReadListEntry(UpdateFileList, n, key, value, entry)) {
            return;
        }
        if (entry == nullptr) {
            continue;
        }
        int32_t slot = UpdateList.Count;
        lstrcpyA(UpdateList.Path[slot], entry);
        UpdateList.NamePosition[slot] =
            static_cast<int32_t>(MemberNameOf(UpdateList.Path[slot]) - UpdateList.Path[slot]);
        UpdateList.Count = slot + 1;
    }
}

void SelectCopyEntries() {
    char key[TextBufferSize];
    PathBuffer value;
    CopyList.Count = 0;
    for (int n = 0; n < CopyListCapacity; ++n) {
        const char* entry = nullptr;
        if (!ReadListEntry(CopyFileList, n, key, value, entry)) {
            return;
        }
        if (entry == nullptr) {
            continue;
        }
        int32_t slot = CopyList.Count;
        int32_t disc = 0;
        const char* path = entry;
        if (!SplitDiscPrefix(entry, disc, path)) {
            disc = UnknownDisc;
        }
        lstrcpyA(CopyList.Path[slot], path);
        CopyList.DiscNumber[slot] = disc;
        CopyList.Count = slot + 1;
    }
}

// Writes every selected member into the install folder. 0 after the error
// box; members written before stay.
int WriteMembers(int overwriteOnly) {
    for (int32_t slot = 0; slot < UpdateList.Count; ++slot) {
        const char* path = UpdateList.Path[slot];
        if (!StaysInsideFolder(path)) {
            ShowUpdateError(WriteFailedMessage);
            return 0;
        }
        PathBuffer destination = {};
        lstrcpyA(destination, InstallRecord.InstPath);
        AppendPathComponent(destination, path);
        if (overwriteOnly) {
            DWORD attributes = GetFileAttributesA(destination);
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                continue;
            }
        }
        if (!ExtractPackageMember(path + UpdateList.NamePosition[slot], destination)) {
            ShowUpdateError(WriteFailedMessage);
            return 0;
        }
    }
    return 1;
}

void ShowCopyError(HWND dialog, const char* path) {
    char text[TextBufferSize];
    wsprintfA(text, "SETUP.INI : \"%s\" のコピーに失敗しました", path);
    MessageBoxA(dialog, text, WindowTitle, MB_ICONERROR);
}

// Finds the CD-ROM drive that holds the disc, letters A to Z, and asks for
// the disc until it is found. 0 when the user declines.
int FindDisc(HWND dialog, int32_t disc, char* drive) {
    for (;;) {
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            char root[4] = {letter, ':', '\\', 0};
            if (GetDriveTypeA(root) != DRIVE_CDROM) {
                continue;
            }
            PathBuffer probe = {letter, ':'};
            AppendPathComponent(probe, SetupDescription.DiskCheckFile[disc]);
            if (GetFileAttributesA(probe) != INVALID_FILE_ATTRIBUTES) {
                drive[0] = letter;
                drive[1] = ':';
                drive[2] = 0;
                return 1;
            }
        }
        char text[TextBufferSize];
        wsprintfA(text, "ＣＤ－ＲＯＭドライブに「%s」ディスク %i を入れて下さい",
                  SetupDescription.GameTitle, disc);
        if (MessageBoxA(dialog, text, WindowTitle, MB_OKCANCEL) != IDOK) {
            return 0;
        }
    }
}

// Copies every selected disc item into the install folder. 0 when the
// dialog has been ended; items copied before stay. An entry is refused when
// its disc prefix is not a digit, when it needs a drive that no search of this
// run has found, or when its path would leave the install folder.
int CopyDiscItems(HWND dialog) {
    PathBuffer drive = {};
    for (int32_t slot = 0; slot < CopyList.Count; ++slot) {
        const char* path = CopyList.Path[slot];
        int32_t disc = CopyList.DiscNumber[slot];
        if (disc == UnknownDisc || !StaysInsideFolder(path) || (disc == 0 && drive[0] == 0)) {
            ShowCopyError(dialog, path);
            return 0;
        }
        int folder = 1;
        if (disc != 0 && !FindDisc(dialog, disc, drive)) {
            return 0;
        }
        PathBuffer source = {};
        lstrcpyA(source, drive);
        AppendPathComponent(source, path);
        // One byte more than a PathBuffer keeps the double NUL after a full one.
        char destination[PathBufferSize + 1] = {};
        lstrcpyA(destination, InstallRecord.InstPath);
        if ((GetFileAttributesA(source) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            AppendPathComponent(destination, path);
            folder = 0;
        }
        SetInfoText(dialog, "%s をコピーしています", path);
        switch (ShellCopy(dialog, source, destination, folder)) {
        case ShellCopyDone:
            break;
        case ShellCopyAborted:
            return 0;
        default:
            ShowCopyError(dialog, path);
            return 0;
        }
    }
    return 1;
}

void ShowCompleted(HWND dialog) {
    SetInfoText(dialog, "アップデートは完了しました");
    SetDlgItemTextA(dialog, NextButton, "完了");
    EnableControl(dialog, NextButton, 1);
    SetFocus(GetDlgItem(dialog, NextButton));
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

} // namespace

void RunUpdate(HWND dialog) {
    if (!EnoughFreeSpace(dialog)) {
        return;
    }
    SetInfoText(dialog, "アップデートを実行しています");
    EnableControl(dialog, BackButton, 0);
    EnableControl(dialog, NextButton, 0);
    EnableControl(dialog, AbortButton, 0);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));

    int overwriteOnly = ReadUpdateNumber("OverwriteOnly") != 0;
    SelectUpdateEntries();
    SelectCopyEntries();
    if (UpdateList.Count == 0 && CopyList.Count == 0) {
        ShowUpdateError("No 'UpdateFileXX' and 'CopyFileXX'");
        EndRun(dialog);
        return;
    }
    if (!WriteMembers(overwriteOnly) || !CopyDiscItems(dialog)) {
        EndRun(dialog);
        return;
    }
    ShowCompleted(dialog);
}
