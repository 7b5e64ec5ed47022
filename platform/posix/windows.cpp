// Message boxes and the top-level window list.
//
// MessageBoxA records the box and answers with machine.onMessageBox, else
// the next of machine.answers, else IDOK for an OK box and IDCANCEL for an
// OK/Cancel box. FindWindowA compares class and title without regard to
// case, as Windows does; a null class or title matches any, and the class
// atom 0x8002 is the dialog class "#32770". The most recently added window
// is found first, as the top of the Z order.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

namespace {

constexpr uintptr_t DialogClassAtom = 0x8002;

bool ClassMatches(LPCSTR className, const std::string& windowClass) {
    if (className == nullptr) {
        return true;
    }
    if (IS_INTRESOURCE(className)) {
        return reinterpret_cast<uintptr_t>(className) == DialogClassAtom && windowClass == "#32770";
    }
    return layer::EqualsNoCase(className, windowClass);
}

} // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto& machine = machine::TheMachine();
    machine::MessageBoxRecord box{owner, text == nullptr ? "" : text,
                                  caption == nullptr ? "Error" : caption, type};
    machine.boxes.push_back(box);
    if (machine.onMessageBox) {
        return machine.onMessageBox(box);
    }
    if (!machine.answers.empty()) {
        const int answer = machine.answers.front();
        machine.answers.pop_front();
        return answer;
    }
    return (type & 0xF) == MB_OKCANCEL ? IDCANCEL : IDOK;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    const auto& windows = machine::TheMachine().windows;
    for (size_t i = windows.size(); i-- > 0;) {
        const machine::Window& window = windows[i];
        if (!window.closed && ClassMatches(className, window.className) &&
            (windowName == nullptr || layer::EqualsNoCase(windowName, window.title))) {
            return reinterpret_cast<HWND>(i + 1);
        }
    }
    return nullptr;
}

BOOL ShowWindow(HWND window, int command) {
    machine::Window* record = machine::TheMachine().FindWindowRecord(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const bool wasShown = record->shown;
    if (command == SW_SHOW) {
        record->shown = true;
    }
    return wasShown ? TRUE : FALSE;
}

BOOL SetForegroundWindow(HWND window) {
    auto& machine = machine::TheMachine();
    machine::Window* record = machine.FindWindowRecord(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (machine::Window& other : machine.windows) {
        other.foreground = false;
    }
    record->foreground = true;
    return TRUE;
}
