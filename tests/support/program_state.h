// Puts the program's process-wide records back as at program load, so each
// test starts like a fresh process.
#pragma once

// Zeroes SetupDescription, SetupIniPath, MissingKeyQuiet and DiscIndex, sets
// WindowTitle to "UPDATE", and empties WizardWindow and DiskFreeSpaceExEntry.
void ResetProgramState();
