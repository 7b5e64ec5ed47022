#include "updater/wizard.h"

#include "settings/setup_description.h"
#include "updater/services.h"
#include "updater/update_run.h"

int32_t WizardStep;
uint32_t WizardBusy;

namespace {

constexpr int32_t ConfirmAction = 0;
constexpr int32_t RunAction = 1;
constexpr int32_t FinishAction = 2;

void SetPageButtons(HWND dialog, int back, int next, int abort) {
    EnableControl(dialog, BackButton, back);
    EnableControl(dialog, NextButton, next);
    EnableControl(dialog, AbortButton, abort);
}

// Next and Back: Back steps two back, so the action that runs is the one
// that produced the page before the current one.
void StepWizard(HWND dialog, int back) {
    if (WizardBusy != 0) {
        return;
    }
    WizardBusy = 1;
    SetInfoText(dialog, "");
    if (back) {
        WizardStep -= 2;
    }
    switch (WizardStep) {
    case ConfirmAction:
        ShowConfirmStep(dialog);
        break;
    case RunAction:
        RunUpdate(dialog);
        break;
    case FinishAction:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
    WizardStep += 1;
    WizardBusy -= 1;
}

// Only clicks count: the whole first parameter is compared with the ids, so a
// command with a nonzero notification code matches none of them.
void HandleCommand(HWND dialog, WPARAM command) {
    if (command == static_cast<WPARAM>(NextButton)) {
        StepWizard(dialog, 0);
    } else if (command == static_cast<WPARAM>(BackButton)) {
        StepWizard(dialog, 1);
    } else if (command == static_cast<WPARAM>(AbortButton)) {
        if (WizardBusy == 0) {
            EndDialog(dialog, -1);
        }
    }
}

} // namespace

void InitWizard(HWND dialog) {
    WizardWindow = dialog;
    WizardBusy = 0;
    WizardStep = 0;
    SetWindowTextA(dialog, WindowTitle);
    SetInfoText(dialog, "「%s」のアップデートを開始します", SetupDescription.GameTitle);
    SetPageButtons(dialog, 0, 1, 1);
}

void ShowConfirmStep(HWND dialog) {
    SetInfoText(dialog, "アップデートを実行します");
    SetPageButtons(dialog, 0, 1, 1);
}

INT_PTR CALLBACK WizardDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitWizard(dialog);
        return 0;
    case WM_COMMAND:
        HandleCommand(dialog, wParam);
        return 0;
    case WM_SETCURSOR:
        if (WizardBusy != 0) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}
