// The installed game's "SETUP.INI": read and validated key by key.
#include "settings/setup_description.h"

#include "settings/profile.h"

SetupDescriptionRecord SetupDescription;

static int ShowKeyError(const char* key) {
    char message[TextBufferSize];
    wsprintfA(message, "SETUP.INI : %s エラー", key);
    ShowSetupError(message);
    return 0;
}

static int ReadRequiredTexts() {
    SetupDescriptionRecord& d = SetupDescription;
    return ReadSetupString("CompanyName", d.CompanyName, PathBufferSize) &&
           ReadSetupString("GameTitle", d.GameTitle, PathBufferSize) &&
           ReadSetupString("GameDir", d.GameDir, PathBufferSize) &&
           ReadSetupString("GameExe", d.GameExe, PathBufferSize) &&
           ReadSetupString("UninstExe", d.UninstExe, PathBufferSize);
}

static int ReadSetupBmps(char* list) {
    SetupDescriptionRecord& d = SetupDescription;
    if (!ReadSetupString("SetupBmp", list, TextBufferSize)) {
        return 0;
    }
    char* cursor = list;
    int count = 0;
    while (count < SetupBmpCapacity && NextListToken(d.SetupBmp[count], cursor)) {
        ++count;
    }
    if (count == 0) {
        ShowSetupError("SETUP.INI : SetupBmps エラー");
        return 0;
    }
    if (count < SetupBmpCapacity) {
        d.SetupBmp[count][0] = '\0';
    }
    d.SetupBmpLast = count - 1;
    return 1;
}

static int ReadInstallSelect(int j, char* key, char* list) {
    SetupDescriptionRecord& d = SetupDescription;
    wsprintfA(key, "InstallTitle%i", j);
    if (!ReadSetupString(key, d.InstallTitle[j], PathBufferSize)) {
        return 0;
    }
    wsprintfA(key, "InstallFiles%i", j);
    if (!ReadSetupString(key, list, TextBufferSize)) {
        return 0;
    }
    DiscIndex = 0;
    d.SelectUsesDiscs[j] = 0;
    char* cursor = list;
    for (int k = 0; k < InstallFileCapacity; ++k) {
        if (!NextListToken(d.InstallFiles[j][k], cursor)) {
            if (k == 0) {
                return ShowKeyError(key);
            }
            d.InstallFiles[j][k][0] = '\0';
            break;
        }
        d.InstallFileDisc[j][k] = DiscIndex;
        if (DiscIndex != 0) {
            d.SelectUsesDiscs[j] = 1;
        }
    }
    return 1;
}

static int ReadShortcut(int j, char* key, char* list) {
    PathBuffer* fields = SetupDescription.Shortcut[j];
    wsprintfA(key, "Shortcut%i", j);
    if (!ReadSetupString(key, list, PathBufferSize)) {
        return 0;
    }
    char* cursor = list;
    if (!NextListToken(fields[0], cursor) || !NextListToken(fields[1], cursor)) {
        return ShowKeyError(key);
    }
    if (!NextListToken(fields[2], cursor)) {
        fields[2][0] = '\0';
    }
    return 1;
}

// A required count, refused with overMessage above capacity, then one
// numbered entry for each number below it (none for 0 or less).
static int ReadCountedEntries(const char* countKey, int32_t& count, int capacity,
                              const char* overMessage, int (*readEntry)(int, char*, char*),
                              char* key, char* list) {
    if (!ReadSetupInteger(countKey, count)) {
        return 0;
    }
    if (count > capacity) {
        ShowSetupError(overMessage);
        return 0;
    }
    for (int j = 0; j < count; ++j) {
        if (!readEntry(j, key, list)) {
            return 0;
        }
    }
    return 1;
}

static int ReadRequiredKeys(char* key, char* list) {
    SetupDescriptionRecord& d = SetupDescription;
    return ReadRequiredTexts() && ReadSetupBmps(list) &&
           ReadCountedEntries("InstallSelects", d.InstallSelects, InstallSelectCapacity,
                              "SETUP.INI : InstallSelect オーバー", ReadInstallSelect, key, list) &&
           ReadCountedEntries("Shortcuts", d.Shortcuts, ShortcutCapacity,
                              "SETUP.INI : Shortcuts オーバー", ReadShortcut, key, list);
}

static void ReadOptionalNumbers(char* key) {
    SetupDescriptionRecord& d = SetupDescription;
    if (!ReadSetupInteger("DefaultSelect", d.DefaultSelect)) {
        d.DefaultSelect = 0;
    }
    for (int j = 0; j < d.InstallSelects; ++j) {
        int32_t size;
        wsprintfA(key, "InstallSize%i", j);
        d.InstallSize[j] = ReadSetupInteger(key, size) ? static_cast<uint32_t>(size) : 0;
    }
}

static int ReadExecApp(char* list) {
    SetupDescriptionRecord& d = SetupDescription;
    if (!ReadSetupString("ExecApp", list, PathBufferSize)) {
        d.ExecApp[0][0] = '\0';
        d.ExecApp[1][0] = '\0';
        return 1;
    }
    char* cursor = list;
    if (!NextListToken(d.ExecApp[0], cursor) || !NextListToken(d.ExecApp[1], cursor)) {
        return ShowKeyError("ExecApp");
    }
    return 1;
}

// Only the two lowest bits count; a present key always asks for the runtime.
static uint32_t DirectXFlags(int32_t value) {
    constexpr uint32_t Runtime = 0x10000; // DSETUP_DXCORE
    constexpr uint32_t Draw = 0x8;        // DSETUP_DDRAWDRV
    constexpr uint32_t Sound = 0x10;      // DSETUP_DSOUNDDRV
    return Runtime | ((value & 1) ? Draw : 0) | ((value & 2) ? Sound : 0);
}

static void ReadOptionalTexts() {
    SetupDescriptionRecord& d = SetupDescription;
    int32_t directX;
    d.InstallDirectX = ReadSetupInteger("InstallDirectX", directX) ? DirectXFlags(directX) : 0;
    if (!ReadSetupString("InstallDXMessage", d.InstallDXMessage, TextBufferSize)) {
        lstrcpyA(d.InstallDXMessage, "ＤｉｒｅｃｔＸをインストールする");
    }
    if (!ReadSetupString("SelectSetupMessage", d.SelectSetupMessage, TextBufferSize)) {
        lstrcpyA(d.SelectSetupMessage, "インストール方法を選択して下さい");
    }
}

static void ReadUninstallFiles(char* list) {
    SetupDescriptionRecord& d = SetupDescription;
    if (!ReadSetupString("AdditionalUninstallFiles", list, TextBufferSize)) {
        return;
    }
    d.AdditionalUninstallCount = 0;
    char* cursor = list;
    while (d.AdditionalUninstallCount < UninstallFileCapacity &&
           NextListToken(d.AdditionalUninstallFiles[d.AdditionalUninstallCount], cursor)) {
        ++d.AdditionalUninstallCount;
    }
}

int LoadSetupDescription() {
    SetupDescriptionRecord& d = SetupDescription;
    char key[TextBufferSize];
    char list[TextBufferSize];

    if (!ReadRequiredKeys(key, list)) {
        return 0;
    }
    MissingKeyQuiet = 1;

    if (!ReadSetupString("GameClass", d.GameClass, PathBufferSize)) {
        lstrcpyA(d.GameClass, d.GameTitle);
    }
    ReadOptionalNumbers(key);
    for (int n = 0; n < DiscCapacity; ++n) {
        wsprintfA(key, "DiskCheckFile%i", n);
        ReadSetupString(key, d.DiskCheckFile[n], PathBufferSize);
    }
    if (!ReadExecApp(list)) {
        return 0;
    }
    ReadOptionalTexts();
    ReadUninstallFiles(list);
    return 1;
}
