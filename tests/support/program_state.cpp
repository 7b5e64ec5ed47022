#include "tests/support/program_state.h"

#include "settings/profile.h"
#include "settings/setup_description.h"
#include "updater/services.h"

#include <cstring>

void ResetProgramState() {
    SetupDescription = SetupDescriptionRecord{};
    std::memset(SetupIniPath, 0, sizeof SetupIniPath);
    MissingKeyQuiet = 0;
    DiscIndex = 0;
    std::memset(WindowTitle, 0, sizeof WindowTitle);
    std::strcpy(WindowTitle, "UPDATE");
    WizardWindow = nullptr;
    DiskFreeSpaceExEntry = nullptr;
}
