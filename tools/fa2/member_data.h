// Where each member's bytes lie and how they decode.
#pragma once

#include "tools/fa2/package_file.h"

#include <cstdint>
#include <string>
#include <vector>

struct PackageMember {
    PackageEntry entry;
    uint64_t offset; // first stored byte, derived from the entries before it
};

// Offsets in directory order: 16, then each StoredSize raised to 16 bytes.
std::vector<PackageMember> LayOutMembers(const std::vector<PackageEntry>& entries);

// The end of the data area: where the directory belongs.
uint64_t DataAreaEnd(const std::vector<PackageMember>& members);

// Fills data with the member's Size bytes and returns empty, or returns what
// is wrong: stored bytes past the directory, a plain member whose StoredSize
// differs from Size, or a compressed block that does not decode to Size.
std::string ReadMember(const PackageFile& file, const PackageMember& member,
                       std::vector<uint8_t>& data);
