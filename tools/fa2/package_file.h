// Reading a package file into memory and opening its directory the way the
// program does (OpenPackage on the bytes in memory).
#pragma once

#include "archive/package.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The whole file; throws ToolError naming path when it cannot be read or is
// larger than 32-bit offsets reach.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

struct PackageFile {
    std::string path; // as the user gave it, for messages
    std::vector<uint8_t> bytes;
    PackageHeader header; // valid when bytes holds at least 16
};

PackageFile ReadPackageFile(const std::string& path);

// The first reason the header does not lead to a readable directory, or
// empty: too short, wrong magic, directory offset outside the file, entry
// count beyond 32-bit sizes, a plain directory past the end of the file, or a
// compressed directory too short to decode to its entries.
std::string HeaderProblem(std::span<const uint8_t> bytes);

// The directory entries as OpenPackage decodes them; throws ToolError when
// the header is unusable or OpenPackage refuses the package.
std::vector<PackageEntry> OpenDirectory(const PackageFile& file);
