// Modal dialogs with a scripted user, their controls and the cursor.
//
// DialogBoxParamA creates the dialog from machine.dialogTemplates as a
// window of the dialog class "#32770" with the template's caption, sends
// WM_INITDIALOG, then replays machine.presses as WM_COMMAND (running
// machine.beforePress before each) until the procedure calls EndDialog,
// taking a snapshot after each press. Presses are delivered whatever the
// state of their control, as keyboard commands are; a test that models a
// click checks the control's state itself. When the presses run out first,
// the dialog stops with -1 and machine.dialogStalled. One dialog is open at
// a time.
//
// Controls are named by HWNDs of their own (ControlBase + id) while their
// dialog is open. The cursor is recorded as "wait" or "arrow" in
// machine.dialog.cursor; the platform's default cursor handling for a
// procedure that returns 0 on WM_SETCURSOR is not simulated.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

namespace {

constexpr uintptr_t ControlBase = 0x10000;
constexpr uintptr_t ArrowCursorId = 32512;
constexpr uintptr_t WaitCursorId = 32514;
constexpr LPARAM ClientAreaMouseMove = (0x0200 << 16) | 1; // HTCLIENT, WM_MOUSEMOVE

struct OpenDialog {
    DLGPROC proc = nullptr;
    HWND window = nullptr;
    bool ended = false;
    INT_PTR result = 0;
};

OpenDialog Dialog;
HCURSOR CurrentCursor = nullptr;

HCURSOR CursorHandle(uintptr_t id) {
    static int arrow;
    static int wait;
    return reinterpret_cast<HCURSOR>(id == ArrowCursorId ? &arrow : &wait);
}

bool IsOpenDialog(HWND window) {
    return machine::TheMachine().dialogOpen && window != nullptr && window == Dialog.window;
}

// The control an HWND names in the open dialog, or null.
machine::Control* ControlOf(HWND window, int* id = nullptr) {
    auto& machine = machine::TheMachine();
    const auto value = reinterpret_cast<uintptr_t>(window);
    if (!machine.dialogOpen || value < ControlBase || value > ControlBase + 0xFFFF) {
        return nullptr;
    }
    const auto found = machine.dialog.controls.find(static_cast<int>(value - ControlBase));
    if (found == machine.dialog.controls.end()) {
        return nullptr;
    }
    if (id != nullptr) {
        *id = found->first;
    }
    return &found->second;
}

HWND ControlHandle(int id) {
    return reinterpret_cast<HWND>(ControlBase + static_cast<uintptr_t>(id));
}

INT_PTR DeliverCommand(WPARAM wParam) {
    auto& machine = machine::TheMachine();
    const int id = LOWORD(wParam);
    const LPARAM control =
        machine.dialog.controls.count(id) != 0 ? reinterpret_cast<LPARAM>(ControlHandle(id)) : 0;
    const INT_PTR result = Dialog.proc(Dialog.window, WM_COMMAND, wParam, control);
    machine.snapshots.push_back(machine.dialog);
    return result;
}

BOOL InvalidWindow() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

} // namespace

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, LPCSTR templateName, HWND /*owner*/, DLGPROC proc,
                        LPARAM initParam) {
    auto& machine = machine::TheMachine();
    if (!IS_INTRESOURCE(templateName) || proc == nullptr || machine.dialogOpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const auto found =
        machine.dialogTemplates.find(static_cast<int>(reinterpret_cast<uintptr_t>(templateName)));
    if (found == machine.dialogTemplates.end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    const HWND window = machine.AddWindow("#32770", found->second.caption);
    machine.FindWindowRecord(window)->shown = true;
    machine.dialog = machine::DialogSnapshot{found->second.caption, found->second.controls, 0, ""};
    machine.dialogOpen = true;
    machine.dialogStalled = false;
    machine.endDialogCode.reset();
    Dialog = OpenDialog{proc, window, false, 0};

    proc(window, WM_INITDIALOG, 0, initParam);
    while (!Dialog.ended) {
        if (!machine.presses.empty() && machine.beforePress) {
            machine.beforePress(machine);
        }
        if (Dialog.ended) {
            break;
        }
        if (machine.presses.empty()) {
            machine.dialogStalled = true;
            Dialog.result = -1;
            break;
        }
        const WPARAM press = machine.presses.front();
        machine.presses.pop_front();
        DeliverCommand(press);
    }

    const INT_PTR result = Dialog.result;
    machine.CloseWindow(window);
    machine.dialogOpen = false;
    Dialog = OpenDialog{};
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    if (!IsOpenDialog(dialog)) {
        return InvalidWindow();
    }
    Dialog.ended = true;
    Dialog.result = result;
    machine::TheMachine().endDialogCode = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!IsOpenDialog(dialog)) {
        InvalidWindow();
        return nullptr;
    }
    if (machine::TheMachine().dialog.controls.count(id) == 0) {
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
        return nullptr;
    }
    return ControlHandle(id);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    const HWND control = GetDlgItem(dialog, id);
    return control == nullptr ? FALSE : SetWindowTextA(control, text);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const std::string value = text == nullptr ? "" : text;
    if (machine::Control* control = ControlOf(window)) {
        control->text = value;
        return TRUE;
    }
    auto& machine = machine::TheMachine();
    machine::Window* record = machine.FindWindowRecord(window);
    if (record == nullptr) {
        return InvalidWindow();
    }
    record->title = value;
    if (IsOpenDialog(window)) {
        machine.dialog.caption = value;
    }
    return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    if (machine::Control* control = ControlOf(window)) {
        const bool wasDisabled = !control->enabled;
        control->enabled = enable != FALSE;
        return wasDisabled ? TRUE : FALSE;
    }
    if (machine::TheMachine().FindWindowRecord(window) == nullptr) {
        return InvalidWindow();
    }
    return FALSE;
}

HWND SetFocus(HWND window) {
    auto& machine = machine::TheMachine();
    const HWND previous = machine.dialogOpen && machine.dialog.focus != 0
                              ? ControlHandle(machine.dialog.focus)
                              : nullptr;
    int id = 0;
    if (ControlOf(window, &id) != nullptr) {
        machine.dialog.focus = id;
    } else if (window == nullptr || IsOpenDialog(window)) {
        machine.dialog.focus = 0;
    } else if (machine.FindWindowRecord(window) == nullptr) {
        InvalidWindow();
        return nullptr;
    }
    return previous;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    const auto id = reinterpret_cast<uintptr_t>(name);
    if (instance != nullptr || !IS_INTRESOURCE(name) ||
        (id != ArrowCursorId && id != WaitCursorId)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CursorHandle(id);
}

HCURSOR SetCursor(HCURSOR cursor) {
    const HCURSOR previous = CurrentCursor;
    CurrentCursor = cursor;
    std::string& shown = machine::TheMachine().dialog.cursor;
    if (cursor == CursorHandle(WaitCursorId)) {
        shown = "wait";
    } else if (cursor == CursorHandle(ArrowCursorId)) {
        shown = "arrow";
    } else {
        shown = "";
    }
    return previous;
}

namespace machine {

INT_PTR Machine::SendCommand(WPARAM wParam) {
    if (!dialogOpen || Dialog.proc == nullptr) {
        return 0;
    }
    return DeliverCommand(wParam);
}

INT_PTR Machine::SendSetCursor() {
    if (!dialogOpen || Dialog.proc == nullptr) {
        return 0;
    }
    return Dialog.proc(Dialog.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(Dialog.window),
                       ClientAreaMouseMove);
}

} // namespace machine

namespace layer {

void ResetDialogState() {
    Dialog = OpenDialog{};
    CurrentCursor = nullptr;
}

} // namespace layer
