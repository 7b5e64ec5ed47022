// Writing whole FA2 packages (tools and tests only).
#pragma once

#include "archive/package.h"

#include <cstdint>
#include <string>
#include <vector>

struct PackageMemberSource {
    std::string name; // code page 932, at most 14 bytes
    std::vector<uint8_t> data;
    FILETIME timestamp{};
    bool compress = true;
};

// Lays out header, members (16-byte aligned, zero fill) and the directory,
// compressed unless plainDirectory. Throws std::invalid_argument for a name
// that is empty or longer than 14 bytes, or a package beyond 32-bit offsets.
std::vector<uint8_t> WritePackage(const std::vector<PackageMemberSource>& members,
                                  bool plainDirectory);
