// Puts the program's process-wide records back as at program load, so each
// test starts like a fresh process.
#pragma once

// Zeroes SetupDescription, SetupIniPath, MissingKeyQuiet and DiscIndex, sets
// WindowTitle to "UPDATE", and empties WizardWindow and DiskFreeSpaceExEntry.
// Also zeroes the updater's records: InstallRecord, GameTitleA,
// InstallVersion, UpdateList, CopyList, WizardStep, WizardBusy, and the
// package's UpdateIniPath, PackageImage and PackageDirectory (call it after
// Machine::Reset, which frees the blocks the program left).
void ResetProgramState();
