// Writing a file so that it is either left as it was or replaced whole.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

// Writes bytes to a temporary file beside path, gives it the modification
// (and access) time when one is given, and renames it over path. Returns
// empty on success, else what went wrong; the temporary file is removed.
std::string WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                const timespec* modified);
