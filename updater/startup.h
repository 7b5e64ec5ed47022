// Start-up and preflight: the process-wide records it fills for the wizard and
// the update run, and the body of WinMain.
#pragma once

#include "updater/services.h"

#include <cstdint>

// The installed game's per-user registry record, read once at start-up.
struct InstallRecordFields {
    PathBuffer InstPath; // the install folder
    int32_t InstMode;    // the install variant
};
extern InstallRecordFields InstallRecord;

// Values that only "UPDATE.INI" gives; empty when its key is absent.
extern PathBuffer GameTitleA;     // a second window title of the running game
extern PathBuffer InstallVersion; // the version shown in WindowTitle

constexpr int WizardTemplateId = 101;
constexpr int DialogClassAtom = 0x8002;

// The four required [SETUP] keys of "UPDATE.INI" at UpdateIniPath into
// SetupDescription; 0 at the first one missing, after its message.
int ReadUpdateIdentity();
// GameTitleA and InstallVersion; each stays empty when its key is absent.
void ReadUpdateOnlyValues();

// Everything WinMain does: preflight, the wizard, the release of the package.
// Returns the exit code: 1 after a completed update, 0 otherwise.
int RunStartup(HINSTANCE instance);
