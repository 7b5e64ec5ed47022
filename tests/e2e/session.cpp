#include "tests/e2e/session.h"

#include "tests/e2e/screenshot.h"
#include "tests/e2e/ui.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

struct StepFailure {
    std::wstring what;
};

constexpr DWORD SettleMs = 300; // lets a new page or box finish painting

std::wstring Quoted(const std::wstring& text) {
    std::wstring shown;
    for (wchar_t c : text)
        shown += c == L'\r' ? std::wstring(L"{CR}") : std::wstring(1, c);
    return L"\"" + shown + L"\"";
}

int ButtonId(const std::wstring& name) {
    if (name == L"next" || name == L"ok")
        return IDOK;
    if (name == L"abort" || name == L"cancel")
        return IDCANCEL;
    if (name == L"back")
        return 4;
    throw StepFailure{L"unknown button " + name};
}

bool OnOff(const std::wstring& word) {
    if (word == L"on")
        return true;
    if (word == L"off")
        return false;
    throw StepFailure{L"expected on or off, got " + word};
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in)
        throw StepFailure{L"cannot read " + path};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FILETIME WriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        throw StepFailure{path + L" does not exist"};
    return data.ftLastWriteTime;
}

std::wstring FormatTime(const FILETIME& time) {
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&time, &utc);
    wchar_t text[64];
    swprintf(text, 64, L"%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth, utc.wDay,
             utc.wHour, utc.wMinute, utc.wSecond);
    ULONGLONG ticks = (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks % 10000000)
        return std::wstring(text) + L" (+" + std::to_wstring(ticks % 10000000) + L"00ns)";
    return text;
}

std::set<std::wstring> TempEntries() {
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(folder) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

LRESULT CALLBACK GameWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcW(window, message, w, l);
}

} // namespace

Session::Session(std::wstring program, std::wstring shots)
    : program_(std::move(program)), shots_(std::move(shots)) {}

Session::~Session() {
    for (Copy& copy : copies_) {
        if (WaitForSingleObject(copy.process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(copy.process.hProcess, 255);
        CloseHandle(copy.process.hProcess);
        CloseHandle(copy.process.hThread);
    }
    if (gameWindow_)
        DestroyWindow(gameWindow_);
}

bool Session::Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        try {
            Execute(step.words);
        } catch (const StepFailure& failure) {
            std::string where =
                "line " + std::to_string(step.line) + " (" + ToUtf8(step.words[0]) + "): ";
            std::printf("FAIL %s%s\n", where.c_str(), ToUtf8(failure.what).c_str());
            std::printf("     on screen: %s\n", ToUtf8(DescribeScreen()).c_str());
            for (HWND dialog : [&] {
                     std::vector<HWND> all;
                     for (Copy& copy : copies_)
                         for (HWND d : DialogWindows(copy.process.dwProcessId))
                             all.push_back(d);
                     return all;
                 }())
                Shot(dialog, L"failure");
            return false;
        }
    }
    for (size_t i = 0; i < copies_.size(); ++i) {
        if (WaitForSingleObject(copies_[i].process.hProcess, 0) == WAIT_TIMEOUT) {
            std::printf("FAIL copy %zu is still running at the end: %s\n", i + 1,
                        ToUtf8(DescribeScreen()).c_str());
            return false;
        }
    }
    return true;
}

void Session::Require(const std::vector<std::wstring>& words, size_t count) const {
    if (words.size() != count)
        throw StepFailure{L"takes " + std::to_wstring(count - 1) + L" argument(s), got " +
                          std::to_wstring(words.size() - 1)};
}

void Session::Fail(const std::wstring& what) const {
    throw StepFailure{what};
}

void Session::Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DWORD now = GetTickCount();
        if (int(end - now) <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(end - now, 50), QS_ALLINPUT);
    }
}

template <typename Check> bool Session::WaitFor(Check check, DWORD timeoutMs) {
    DWORD end = GetTickCount() + timeoutMs;
    for (;;) {
        if (check())
            return true;
        if (int(end - GetTickCount()) <= 0)
            return false;
        Pump(50);
    }
}

Session::Copy& Session::CopyNumber(const std::wstring& word) {
    size_t number = std::wcstoul(word.c_str(), nullptr, 10);
    if (number < 1 || number > copies_.size())
        Fail(L"no copy " + word + L" was started");
    return copies_[number - 1];
}

HWND Session::Wizard() {
    for (Copy& copy : copies_)
        for (HWND dialog : DialogWindows(copy.process.dwProcessId))
            if (IsWizard(dialog))
                return dialog;
    return nullptr;
}

HWND Session::Box() {
    for (Copy& copy : copies_)
        for (HWND dialog : DialogWindows(copy.process.dwProcessId))
            if (!IsWizard(dialog))
                return dialog;
    return nullptr;
}

HWND Session::WizardButton(const std::wstring& name) {
    if (!WaitFor([&] { return Wizard() != nullptr; }))
        Fail(L"no wizard is open");
    HWND wizard = Wizard();
    return GetDlgItem(wizard, ButtonId(name));
}

std::wstring Session::DescribeScreen() {
    std::wstring screen;
    for (size_t i = 0; i < copies_.size(); ++i) {
        DWORD code = 0;
        GetExitCodeProcess(copies_[i].process.hProcess, &code);
        screen += L"[copy " + std::to_wstring(i + 1) + L": ";
        if (code == STILL_ACTIVE) {
            auto dialogs = DialogWindows(copies_[i].process.dwProcessId);
            screen += dialogs.empty() ? L"running, no dialog" : L"running";
            for (HWND dialog : dialogs)
                screen += L"; " + DescribeDialog(dialog);
        } else {
            screen += L"exited with " + std::to_wstring(code);
        }
        screen += L"] ";
    }
    return screen.empty() ? L"nothing started" : screen;
}

void Session::Shot(HWND window, const std::wstring& what) {
    wchar_t name[32];
    swprintf(name, 32, L"%02d-", ++shotNumber_);
    SaveWindowShot(window, shots_ + L"\\" + name + what + L".bmp");
}

void Session::Start() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    Copy copy;
    std::wstring commandLine = L"\"" + program_ + L"\"";
    std::wstring folder = program_.substr(0, program_.find_last_of(L'\\'));
    if (!CreateProcessW(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &copy.process))
        Fail(L"cannot start " + program_ + L": error " + std::to_wstring(GetLastError()));
    copies_.push_back(copy);
}

void Session::ExpectPage(const std::wstring& text) {
    bool seen = WaitFor([&] {
        HWND wizard = Wizard();
        return wizard && WindowText(GetDlgItem(wizard, 1001)) == text;
    });
    if (!seen)
        Fail(L"expected the page " + Quoted(text));
    Pump(SettleMs);
    Shot(Wizard(), L"page");
}

void Session::ExpectButtons(const std::vector<std::wstring>& states) {
    bool back = OnOff(states[1]), next = OnOff(states[2]), abort = OnOff(states[3]);
    bool seen = WaitFor([&] {
        HWND wizard = Wizard();
        if (!wizard)
            return false;
        WizardView view = ReadWizard(wizard);
        return view.back.enabled == back && view.next.enabled == next &&
               view.abort.enabled == abort;
    });
    if (!seen)
        Fail(L"expected back " + states[1] + L", next " + states[2] + L", abort " + states[3]);
}

void Session::ExpectBox(const std::vector<std::wstring>& words) {
    if (words.size() != 6)
        Fail(L"takes TEXT CAPTION icon|noicon ok|okcancel owned|unowned");
    if (!WaitFor([&] { return Box() != nullptr; }))
        Fail(L"expected the box " + Quoted(words[1]));
    Pump(SettleMs);
    HWND box = Box();
    BoxView view = ReadBox(box);
    Shot(box, L"box");
    lastBox_ = box;

    std::vector<int> buttons = view.buttons;
    std::sort(buttons.begin(), buttons.end());
    std::vector<int> expectedButtons =
        words[4] == L"okcancel" ? std::vector<int>{IDOK, IDCANCEL} : std::vector<int>{IDOK};
    bool owned = view.owner != nullptr && view.owner == Wizard();
    if (view.text != words[1] || view.caption != words[2] || view.icon != (words[3] == L"icon") ||
        buttons != expectedButtons || owned != (words[5] == L"owned") ||
        (!owned && view.owner != nullptr))
        Fail(L"expected the box " + Quoted(words[1]) + L" caption " + Quoted(words[2]) + L" " +
             words[3] + L" " + words[4] + L" " + words[5] + L", saw " + DescribeDialog(box) +
             (view.owner ? (owned ? L", owned by the wizard" : L", owned by another window")
                         : L", no owner"));
}

void Session::Press(HWND button) {
    if (!button)
        Fail(L"no such button");
    if (!WaitFor([&] { return IsWindowEnabled(button) != FALSE; }, 3000))
        Fail(L"the button " + Quoted(WindowText(button)) + L" is disabled");
    PostMessageW(button, BM_CLICK, 0, 0);
    Pump(100);
}

void Session::ExpectExit(int code, Copy& copy) {
    if (!WaitFor([&] { return WaitForSingleObject(copy.process.hProcess, 0) == WAIT_OBJECT_0; }))
        Fail(L"expected exit code " + std::to_wstring(code) + L", but the copy still runs");
    DWORD actual = 0;
    GetExitCodeProcess(copy.process.hProcess, &actual);
    if (int(actual) != code)
        Fail(L"expected exit code " + std::to_wstring(code) + L", got " + std::to_wstring(actual));
}

void Session::OpenGameWindow(const std::wstring& className, const std::wstring& title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = GameWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className.c_str();
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    gameWindow_ = CreateWindowW(className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                20, 20, 320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!gameWindow_)
        Fail(L"cannot open the game window");
    Pump(SettleMs);
}

void Session::Execute(const std::vector<std::wstring>& words) {
    const std::wstring& command = words[0];
    if (command == L"start") {
        Require(words, 1);
        Start();
    } else if (command == L"expect-page") {
        Require(words, 2);
        ExpectPage(words[1]);
    } else if (command == L"expect-caption") {
        Require(words, 2);
        if (!WaitFor([&] { return Wizard() && WindowText(Wizard()) == words[1]; }))
            Fail(L"expected the wizard's caption " + Quoted(words[1]));
    } else if (command == L"expect-buttons") {
        Require(words, 4);
        ExpectButtons(words);
    } else if (command == L"expect-label") {
        Require(words, 3);
        if (!WaitFor([&] { return WindowText(WizardButton(words[1])) == words[2]; }))
            Fail(L"expected the label " + Quoted(words[2]) + L" on " + words[1] + L", saw " +
                 Quoted(WindowText(WizardButton(words[1]))));
    } else if (command == L"expect-focus") {
        Require(words, 2);
        if (!WaitFor([&] { return ReadWizard(Wizard()).focusId == ButtonId(words[1]); }))
            Fail(L"expected the focus on " + words[1] + L", it is on control " +
                 std::to_wstring(ReadWizard(Wizard()).focusId));
    } else if (command == L"expect-foreground") {
        Require(words, 1);
        if (!WaitFor([&] { return Wizard() && GetForegroundWindow() == Wizard(); }))
            Fail(L"expected the wizard in the foreground");
    } else if (command == L"press") {
        Require(words, 2);
        Press(WizardButton(words[1]));
    } else if (command == L"key") {
        Require(words, 2);
        HWND wizard = Wizard();
        if (!wizard)
            Fail(L"no wizard is open");
        WPARAM key = words[1] == L"escape" ? VK_ESCAPE : VK_RETURN;
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &thread);
        HWND target = thread.hwndFocus ? thread.hwndFocus : wizard;
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        Pump(100);
    } else if (command == L"expect-box") {
        ExpectBox(words);
    } else if (command == L"answer") {
        Require(words, 2);
        if (!lastBox_ || !IsWindow(lastBox_))
            Fail(L"no box to answer");
        Press(GetDlgItem(lastBox_, ButtonId(words[1])));
        HWND answered = lastBox_;
        if (!WaitFor([&] { return !IsWindow(answered) || !IsWindowVisible(answered); }))
            Fail(L"the box stays open after " + words[1]);
        lastBox_ = nullptr;
    } else if (command == L"expect-exit") {
        if (words.size() != 2 && words.size() != 3)
            Fail(L"takes CODE [COPY]");
        if (copies_.empty())
            Fail(L"nothing was started");
        ExpectExit(std::stoi(words[1]), words.size() == 3 ? CopyNumber(words[2]) : copies_.back());
    } else if (command == L"expect-running") {
        Require(words, 2);
        Copy& copy = CopyNumber(words[1]);
        Pump(SettleMs);
        if (WaitForSingleObject(copy.process.hProcess, 0) != WAIT_TIMEOUT)
            Fail(L"copy " + words[1] + L" has ended");
    } else if (command == L"registry-clear") {
        Require(words, 2);
        RegDeleteTreeW(HKEY_CURRENT_USER, words[1].c_str());
    } else if (command == L"registry-sz" || command == L"registry-dword") {
        Require(words, 4);
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, words[1].c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            Fail(L"cannot create the key " + words[1]);
        LONG result;
        if (command == L"registry-sz") {
            result = RegSetValueExW(key, words[2].c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(words[3].c_str()),
                                    DWORD((words[3].size() + 1) * sizeof(wchar_t)));
        } else {
            DWORD value = DWORD(std::stol(words[3]));
            result = RegSetValueExW(key, words[2].c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof value);
        }
        RegCloseKey(key);
        if (result != ERROR_SUCCESS)
            Fail(L"cannot set " + words[2]);
    } else if (command == L"attributes") {
        Require(words, 3);
        DWORD attributes =
            words[2] == L"readonly" ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileAttributesW(words[1].c_str(), attributes))
            Fail(L"cannot set the attributes of " + words[1]);
    } else if (command == L"game-window") {
        Require(words, 3);
        OpenGameWindow(words[1], words[2]);
    } else if (command == L"close-game-window") {
        Require(words, 1);
        DestroyWindow(gameWindow_);
        gameWindow_ = nullptr;
    } else if (command == L"expect-same") {
        Require(words, 3);
        if (ReadAll(words[1]) != ReadAll(words[2]))
            Fail(words[1] + L" differs from " + words[2]);
    } else if (command == L"expect-time") {
        Require(words, 3);
        std::wstring actual = FormatTime(WriteTime(words[1]));
        if (actual != words[2])
            Fail(L"expected " + words[1] + L" written at " + words[2] + L", it is " + actual);
    } else if (command == L"expect-same-time") {
        Require(words, 3);
        FILETIME a = WriteTime(words[1]), b = WriteTime(words[2]);
        if (CompareFileTime(&a, &b) != 0)
            Fail(words[1] + L" has the time " + FormatTime(a) + L", " + words[2] + L" has " +
                 FormatTime(b));
    } else if (command == L"expect-missing") {
        Require(words, 2);
        if (GetFileAttributesW(words[1].c_str()) != INVALID_FILE_ATTRIBUTES)
            Fail(words[1] + L" exists");
    } else if (command == L"temp-snapshot") {
        Require(words, 1);
        tempBefore_ = TempEntries();
    } else if (command == L"expect-temp-clean") {
        Require(words, 1);
        for (const std::wstring& name : TempEntries())
            if (!tempBefore_.count(name))
                Fail(L"the temporary folder keeps " + name);
    } else if (command == L"wait") {
        Require(words, 2);
        Pump(DWORD(std::stoul(words[1])));
    } else {
        Fail(L"unknown step");
    }
}
