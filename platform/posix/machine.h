// The simulated machine behind the POSIX build of the Win32 layer.
//
// Tests and the fa2 tool set it up (drives, registry, windows, the package
// resource, scripted answers and presses) and read back what the program did
// (message boxes, the wizard's texts and states, shell copies). It is the
// least that the program's calls rely on, not a general Windows.
//
// All texts that cross the Win32 calls are code page 932 bytes, as the
// program sees them; host paths are UTF-8.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace machine {

struct Drive {
    std::filesystem::path root;   // host folder that holds the drive's root
    UINT type = DRIVE_FIXED;      // GetDriveTypeA
    std::optional<uint64_t> free; // bytes free for the caller; unset: the host's figure
    uint64_t total = 64ull << 30; // total bytes reported when `free` is set
};

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;    // code page 932
    std::string caption; // code page 932
    UINT style = 0;
};

struct Window {
    std::string className; // "#32770" for the dialog class (atom 0x8002)
    std::string title;     // code page 932
    bool shown = false;    // ShowWindow(SW_SHOW) was called on it (dialogs start shown)
    bool foreground = false;
    bool closed = false; // gone: FindWindowA skips it; its HWND stays unused
};

struct Control {
    std::string text; // code page 932
    bool enabled = true;
};

// A dialog resource as DialogBoxParamA creates it.
struct DialogTemplate {
    std::string caption;             // code page 932
    std::map<int, Control> controls; // by control id, with their initial texts and states
};

// What the wizard shows at one moment; a snapshot is taken after every
// WM_COMMAND that the machine delivers.
struct DialogSnapshot {
    std::string caption;
    std::map<int, Control> controls; // by control id
    int focus = 0;                   // id of the control that has the focus, 0 for none
    std::string cursor;              // "wait", "arrow" or "" (never set)
};

struct ShellCopyRecord {
    HWND owner = nullptr;
    std::vector<std::string> from; // entries of the source list
    std::vector<std::string> to;   // entries of the destination list
    FILEOP_FLAGS flags = 0;
};

struct Machine {
    // ---- Set up ----
    std::map<char, Drive> drives;        // 'C' -> drive; letters in upper case
    std::string tempPath = "C:\\TEMP\\"; // GetTempPathA; empty: the call fails
    bool diskFreeSpaceExPresent = true;  // GetProcAddress finds GetDiskFreeSpaceExA
    bool diskFreeSpaceExFails = false;   // ... but the call returns FALSE
    // HKEY_CURRENT_USER: key path (case-insensitive) -> value name -> data bytes.
    // Values stored directly here read with the type REG_BINARY.
    std::map<std::string, std::map<std::string, std::vector<uint8_t>>> registry;
    // Types of the values set through SetRegistryString / SetRegistryDword.
    std::map<std::string, std::map<std::string, DWORD>> registryTypes;
    std::optional<std::vector<uint8_t>> updateResource;       // type "UPDATE", id 102
    std::map<int, DialogTemplate> dialogTemplates;            // DialogBoxParamA by template id
    std::vector<Window> windows;                              // top-level windows; HWND = index + 1
    std::deque<int> answers;                                  // message box answers, taken in order
    std::function<int(const MessageBoxRecord&)> onMessageBox; // overrides `answers`
    std::deque<WPARAM> presses;                // WM_COMMAND wParams replayed by DialogBoxParamA
    std::function<void(Machine&)> beforePress; // runs before each replayed press
    int shellCopyResult = 0;                   // nonzero: the shell copy fails with it
    bool shellCopyAborted = false;             // the user cancels the progress window
    std::function<void(const ShellCopyRecord&)> onShellCopy; // runs before the copy
    std::string failWritesTo;               // WriteFile on a handle opened for this path fails
    std::optional<SIZE_T> globalAllocLimit; // GlobalAlloc of more bytes than this fails

    // ---- Observed ----
    std::vector<MessageBoxRecord> boxes;
    std::vector<ShellCopyRecord> shellCopies;
    std::vector<DialogSnapshot> snapshots;
    DialogSnapshot dialog; // live state of the open (or last) dialog
    bool dialogOpen = false;
    bool dialogStalled = false;           // the presses ran out before EndDialog
    std::optional<INT_PTR> endDialogCode; // what EndDialog was given for the last dialog
    int globalBlocksInUse = 0;            // GlobalAlloc blocks not yet freed
    int loadLibraryCalls = 0;
    int freeLibraryCalls = 0;
    int coInitializeCalls = 0;

    // Puts everything back as at process start (drives included), closing
    // the files, registry keys and memory blocks the program left open.
    void Reset();

    // Convenience set-up.
    void MapDrive(char letter, const std::filesystem::path& hostRoot, UINT type = DRIVE_FIXED);
    // Stores the text with its terminating NUL (REG_SZ).
    void SetRegistryString(const std::string& key, const std::string& name,
                           const std::string& value);
    // Stores the four little-endian bytes (REG_DWORD).
    void SetRegistryDword(const std::string& key, const std::string& name, uint32_t value);
    HWND AddWindow(const std::string& className, const std::string& title);
    void CloseWindow(HWND window);
    // The window an HWND names, null for none (or a closed one).
    Window* FindWindowRecord(HWND window);

    // Host path of a Windows path (through the drive table, case-insensitive
    // for components that exist); empty when the drive is not mapped.
    std::filesystem::path HostPath(const std::string& windowsPath) const;

    // Delivers WM_COMMAND or WM_SETCURSOR to the open dialog as the platform
    // would, nested inside whatever call is running now. Returns the
    // procedure's result, 0 when no dialog is open. A command is followed by
    // a snapshot, as for the replayed presses.
    INT_PTR SendCommand(WPARAM wParam);
    INT_PTR SendSetCursor();
};

Machine& TheMachine();

} // namespace machine
