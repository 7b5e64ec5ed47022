// The wizard dialog: start page, confirmation page and the update run.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// The action that the next Next press runs: 0 the confirmation page, 1 the
// update run, 2 the end of the wizard.
extern int32_t WizardStep;
// 1 while a Next or Back press is being handled; the buttons are inert then.
extern uint32_t WizardBusy;

INT_PTR CALLBACK WizardDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The start page, when the dialog opens.
void InitWizard(HWND dialog);
// The confirmation page.
void ShowConfirmStep(HWND dialog);
