// Reading another process's windows as a user sees them: the wizard dialog
// and message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ButtonView {
    bool enabled = false;
    std::wstring label;
};

struct WizardView {
    std::wstring caption;
    std::wstring info;
    ButtonView back, next, abort;
    int focusId = 0; // dialog id of the control with the keyboard focus, 0 for none
};

struct BoxView {
    std::wstring caption;
    std::wstring text;
    bool icon = false;        // an icon is shown
    std::vector<int> buttons; // ids of the visible buttons, in window order
    HWND owner = nullptr;
};

std::wstring WindowText(HWND window);

// Visible top-level windows of the dialog class that belong to the process.
std::vector<HWND> DialogWindows(DWORD processId);
bool IsWizard(HWND dialog); // the window has the information text (control 1001)

WizardView ReadWizard(HWND wizard);
BoxView ReadBox(HWND box);

// One line that tells what a dialog shows, for failure reports.
std::wstring DescribeDialog(HWND dialog);
