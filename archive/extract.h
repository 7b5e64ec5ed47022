// Writing one member of the package to a file.
#pragma once

#include "platform/win32.h"

// Writes the member called name (compared without regard to case) from
// PackageDirectory/PackageImage to destination. 1 when written, else 0 after
// the message (if any) has been shown.
int ExtractPackageMember(const char* name, const char* destination);

// Writes length bytes to path, replacing it only once the new content is
// complete (and stamped with timestamp when given). 1 on success.
int WriteWholeFile(const char* path, const void* data, DWORD length, const FILETIME* timestamp);
