#include "tests/e2e/ui.h"

namespace {

constexpr int InfoTextId = 1001;

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

ButtonView ReadButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        return {};
    return {IsWindowEnabled(button) != FALSE, WindowText(button)};
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>*>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->first && IsWindowVisible(window) && ClassName(window) == L"#32770")
        found->second->push_back(window);
    return TRUE;
}

} // namespace

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(size_t(length) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::vector<HWND> DialogWindows(DWORD processId) {
    std::vector<HWND> windows;
    std::pair<DWORD, std::vector<HWND>*> found{processId, &windows};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return windows;
}

bool IsWizard(HWND dialog) {
    return GetDlgItem(dialog, InfoTextId) != nullptr;
}

WizardView ReadWizard(HWND wizard) {
    WizardView view;
    view.caption = WindowText(wizard);
    view.info = WindowText(GetDlgItem(wizard, InfoTextId));
    view.back = ReadButton(wizard, 4);
    view.next = ReadButton(wizard, IDOK);
    view.abort = ReadButton(wizard, IDCANCEL);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &thread) && thread.hwndFocus &&
        GetParent(thread.hwndFocus) == wizard)
        view.focusId = GetDlgCtrlID(thread.hwndFocus);
    return view;
}

BoxView ReadBox(HWND box) {
    BoxView view;
    view.caption = WindowText(box);
    view.owner = GetWindow(box, GW_OWNER);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        std::wstring kind = ClassName(child);
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            view.buttons.push_back(GetDlgCtrlID(child));
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON)
                view.icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
            else if (view.text.empty())
                view.text = WindowText(child);
        }
    }
    return view;
}

std::wstring DescribeDialog(HWND dialog) {
    if (IsWizard(dialog)) {
        WizardView view = ReadWizard(dialog);
        auto state = [](const ButtonView& b) {
            return b.label + (b.enabled ? L" (on)" : L" (off)");
        };
        return L"wizard \"" + view.caption + L"\": info \"" + view.info + L"\", back " +
               state(view.back) + L", next " + state(view.next) + L", abort " + state(view.abort);
    }
    BoxView view = ReadBox(dialog);
    return L"box \"" + view.caption + L"\": \"" + view.text + L"\"" +
           (view.icon ? L", icon" : L", no icon") + L", " + std::to_wstring(view.buttons.size()) +
           L" button(s)";
}
