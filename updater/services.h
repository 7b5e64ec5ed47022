// Dialog, file and message services, and the process-wide records that every
// part of the program shares.
#pragma once

#include "platform/win32.h"

constexpr int PathBufferSize = 260;  // a path, a file name or a profile value
constexpr int TextBufferSize = 1024; // list values, composed messages, the info text
typedef char PathBuffer[PathBufferSize];
typedef BOOL(WINAPI* GetDiskFreeSpaceExA_t)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                            PULARGE_INTEGER);

// Caption of the wizard, of the update error boxes and of the prompts:
// "UPDATE" from program load until start-up composes it.
extern char WindowTitle[TextBufferSize];
// The wizard dialog while it is open, null before and after.
extern HWND WizardWindow;
// The temporary copy of "UPDATE.INI" that start-up extracts and
// ReleasePackage deletes.
extern PathBuffer UpdateIniPath;
// GetDiskFreeSpaceExA, looked up by the first QueryDiskSpace that finds it.
extern GetDiskFreeSpaceExA_t DiskFreeSpaceExEntry;

// Control ids of the wizard dialog.
constexpr int NextButton = 1;  // IDOK
constexpr int AbortButton = 2; // IDCANCEL
constexpr int BackButton = 4;
constexpr int InfoText = 1001;

// Error box: the finished text, caption WindowTitle, error icon, owned by the
// wizard while it is open.
int ShowUpdateError(const char* text);

// Joins name to path (a PathBuffer) in place with one backslash (none after
// an existing separator or for an empty path) and writes a second NUL after
// the result, so the path is also a one-entry shell list. The last character
// is found by stepping over double-byte pairs: "...\ゲーム表" (trail byte
// 0x5C) gets a backslash. A result that would not fit the PathBuffer with both
// NULs leaves UnjoinablePath instead.
void AppendPathComponent(char* path, const char* name);
// A path no file operation accepts ('|' is not allowed in file names), and
// that stays unusable when more is joined to it.
constexpr const char* UnjoinablePath = "|";

// Free space of a drive ("C:"): freeToCaller and totalBytes must be given,
// totalFree may be null. 1 on success, 0 when neither platform call succeeds.
int QueryDiskSpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* totalBytes,
                   ULONGLONG* totalFree);

enum ShellCopyResult { ShellCopyDone = 0, ShellCopyFailed = 1, ShellCopyAborted = 2 };
// Copies with the shell; both arguments are shell lists (double NUL).
int ShellCopy(HWND owner, const char* sourceList, const char* destinationList, int quietErrors);

// Formats once (wvsprintfA rules, 1024 bytes) into the info text (control 1001).
void SetInfoText(HWND dialog, const char* format, ...);

void EnableControl(HWND dialog, int controlId, int enable);
