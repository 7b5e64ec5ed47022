// Writing one member of the package to a file.
#pragma once

#include "platform/win32.h"

// Writes the member called name (compared without regard to case; the first
// of equal names) from PackageDirectory/PackageImage to destination, after
// checking that the destination's drive has room for it (skipped when the
// drive's free space cannot be told). A read-only destination is replaced
// (and stays as it was, read-only mark included, when the write fails); a
// folder of that name is left alone. 1 when written, else 0 after the
// message (if any) has been shown; a member whose bytes do not lie in the
// image or do not decode to exactly its Size reports "UPDATE.FA2 is damaged".
int ExtractPackageMember(const char* name, const char* destination);

// Writes length bytes to path through a temporary file in the same folder,
// which replaces path only once the new content is complete (and stamped
// with timestamp as all three file times, when given). On failure path is
// untouched and the temporary file is gone. 1 on success.
int WriteWholeFile(const char* path, const void* data, DWORD length, const FILETIME* timestamp);
