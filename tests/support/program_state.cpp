#include "tests/support/program_state.h"

#include "archive/package.h"
#include "settings/profile.h"
#include "settings/setup_description.h"
#include "updater/services.h"
#include "updater/startup.h"
#include "updater/update_run.h"
#include "updater/wizard.h"

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

    InstallRecord = InstallRecordFields{};
    std::memset(GameTitleA, 0, sizeof GameTitleA);
    std::memset(InstallVersion, 0, sizeof InstallVersion);
    UpdateList = UpdateListRecord{};
    CopyList = CopyListRecord{};
    WizardStep = 0;
    WizardBusy = 0;
    std::memset(UpdateIniPath, 0, sizeof UpdateIniPath);
    PackageImage = PackageImageRecord{};
    PackageDirectory = nullptr;
}
