// Shared inside the POSIX Win32 layer: code page 932 text helpers, the
// mapping of Windows paths onto the drive table, errno translation, and the
// hooks through which Machine::Reset drops what the layer holds.
#pragma once

#include "platform/win32.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace layer {

// ---- Code page 932 text ----

bool IsLead(unsigned char byte);
// Bytes of the character that starts at text[at]: 2 for a lead byte followed
// by another byte, else 1.
size_t CharBytes(std::string_view text, size_t at);
// Number of characters (a double-byte pair counts once).
size_t CharCount(std::string_view text);
// The last character is a backslash (not a trail byte 0x5C).
bool EndsInBackslash(std::string_view text);
// Compares without regard to the case of single-byte letters; trail bytes
// are never folded. Negative, 0 or positive.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// ---- Paths ----

// A Windows path resolved onto the host. `host` is empty when the path
// cannot name a host file; `error` then says why.
struct HostName {
    std::filesystem::path host;
    DWORD error = ERROR_SUCCESS;
};
HostName ResolvePath(const char* windowsPath);
// The drive letter (upper case) of a drive text "X:", "X:\" or "X:/", or 0.
char DriveOfRoot(const char* root);
// ASCII case-insensitive comparison of host paths (UTF-8).
bool SameHostPath(const std::filesystem::path& a, const std::filesystem::path& b);

// ---- Host files ----

DWORD ErrorFromErrno(int error);
// A file without the owner's write bit is read-only, as Windows shows it.
bool IsReadOnly(const struct stat& status);

// ---- Reset hooks (Machine::Reset) ----

void CloseAllFiles();
void CloseAllKeys();
void FreeAllGlobalBlocks();
void ResetTempFileNames();
void ResetDialogState();

} // namespace layer
