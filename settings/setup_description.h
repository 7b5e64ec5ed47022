// The installed game's "SETUP.INI", parsed and validated.
#pragma once

#include "updater/services.h"

#include <cstdint>

constexpr int SetupBmpCapacity = 20;
constexpr int InstallSelectCapacity = 3;
constexpr int InstallFileCapacity = 40;
constexpr int ShortcutCapacity = 10;
constexpr int ShortcutFieldCount = 3;
constexpr int DiscCapacity = 10;
constexpr int UninstallFileCapacity = 20;

struct SetupDescriptionRecord {
    PathBuffer CompanyName;
    PathBuffer GameTitle;
    PathBuffer GameDir;
    PathBuffer GameExe;
    PathBuffer UninstExe;
    PathBuffer SetupBmp[SetupBmpCapacity];
    int32_t SetupBmpLast;
    int32_t InstallSelects;
    PathBuffer InstallTitle[InstallSelectCapacity];
    PathBuffer InstallFiles[InstallSelectCapacity][InstallFileCapacity];
    int32_t InstallFileDisc[InstallSelectCapacity][InstallFileCapacity];
    uint32_t SelectUsesDiscs[InstallSelectCapacity];
    int32_t Shortcuts;
    PathBuffer Shortcut[ShortcutCapacity][ShortcutFieldCount];
    PathBuffer GameClass;
    int32_t DefaultSelect;
    uint64_t InstallSize[InstallSelectCapacity];
    PathBuffer DiskCheckFile[DiscCapacity];
    PathBuffer ExecApp[2];
    uint32_t InstallDirectX;
    char InstallDXMessage[TextBufferSize];
    char SelectSetupMessage[TextBufferSize];
    PathBuffer AdditionalUninstallFiles[UninstallFileCapacity];
    int32_t AdditionalUninstallCount;
};

// Process-wide; CompanyName, GameTitle, GameClass and GameDir are also the
// values that start-up reads from "UPDATE.INI" before the parse.
extern SetupDescriptionRecord SetupDescription;

// Reads and validates SETUP.INI at SetupIniPath into SetupDescription.
// 1 when valid; 0 after the first failure (its message already shown).
int LoadSetupDescription();
