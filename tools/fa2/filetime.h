// Windows FILETIME (100-nanosecond ticks since 1601-01-01 UTC) against host
// file times and text.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

uint64_t FileTimeTicks(FILETIME time);
FILETIME FileTimeFromTicks(uint64_t ticks);

// Truncated to 100 ns; empty for a time before 1601 or beyond 64-bit ticks.
std::optional<FILETIME> FileTimeFromTimespec(const timespec& time);
timespec TimespecFromFileTime(FILETIME time);

// UTC ISO 8601, e.g. 2024-05-01T12:34:56Z; a nonzero fraction of a second is
// written with up to seven digits, trailing zeros dropped (…T12:34:56.5Z).
std::string FormatFileTime(FILETIME time);
