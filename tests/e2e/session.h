// Runs a scenario's steps against copies of the program: starts them, reads
// and presses what they show, answers their boxes, checks files and exit
// codes, and saves a screenshot of every page and box it checks.
#pragma once

#include "tests/e2e/script.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

class Session {
  public:
    // program: the executable that "start" runs; shots: folder for the BMPs.
    Session(std::wstring program, std::wstring shots);
    ~Session();

    // Runs the steps in order; stops at the first that fails. True when all passed.
    bool Run(const std::vector<Step>& steps);

  private:
    struct Copy {
        PROCESS_INFORMATION process{};
    };

    void Execute(const std::vector<std::wstring>& words);
    void Fail(const std::wstring& what) const;
    void Require(const std::vector<std::wstring>& words, size_t count) const;

    // Waiting: pumps this thread's messages so that the program's calls on
    // the driver's own windows (the game window) never block.
    template <typename Check> bool WaitFor(Check check, DWORD timeoutMs = 15000);
    void Pump(DWORD ms);

    Copy& CopyNumber(const std::wstring& word);
    HWND Wizard();
    HWND Box();
    HWND WizardButton(const std::wstring& name);
    void Shot(HWND window, const std::wstring& what);
    std::wstring DescribeScreen();

    void Start();
    void ExpectPage(const std::wstring& text);
    void ExpectButtons(const std::vector<std::wstring>& states);
    void ExpectBox(const std::vector<std::wstring>& words);
    void Press(HWND button);
    void ExpectExit(int code, Copy& copy);
    void OpenGameWindow(const std::wstring& className, const std::wstring& title);

    std::wstring program_;
    std::wstring shots_;
    int shotNumber_ = 0;
    std::vector<Copy> copies_;
    HWND gameWindow_ = nullptr;
    HWND lastBox_ = nullptr;
    std::set<std::wstring> tempBefore_;
};
