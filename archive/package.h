// The FA2 package: header and directory records, opening a package from a
// file or from memory, the package resource, and its release.
#pragma once

#include "platform/win32.h"

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "FA2 records are little-endian");

constexpr DWORD PackageMagic = 0x00324146; // the bytes "FA2" and a NUL
constexpr DWORD DirectoryCompressed = 0x1; // PackageHeader::Flags
constexpr BYTE MemberStored = 0x01;        // PackageEntry::EntryFlags of a plain member
constexpr BYTE MemberCompressed = 0x02;    // PackageEntry::EntryFlags bit
constexpr int PackageNameSize = 15;        // name field; names hold at most 14 bytes
constexpr int UpdateResourceId = 102;
constexpr const char* UpdateResourceType = "UPDATE";

struct PackageHeader {
    DWORD Magic;
    DWORD Flags;
    DWORD DirectoryOffset;
    DWORD EntryCount;
};

struct PackageEntry {
    char Name[PackageNameSize];
    BYTE EntryFlags;
    FILETIME Timestamp;
    DWORD Size;
    DWORD StoredSize;
};

static_assert(sizeof(PackageHeader) == 16);
static_assert(sizeof(PackageEntry) == 32);

// A PackageDirectory is one GlobalAlloc block: the header as stored, then
// EntryCount entries, decompressed.
inline PackageEntry* PackageEntries(PackageHeader* directory) {
    return reinterpret_cast<PackageEntry*>(directory + 1);
}
inline const PackageEntry* PackageEntries(const PackageHeader* directory) {
    return reinterpret_cast<const PackageEntry*>(directory + 1);
}

// Stored size raised to the next multiple of 16: the step from one member's
// data to the next.
inline DWORD AlignedStoredSize(DWORD storedSize) {
    return (storedSize + 15) & ~DWORD{15};
}

// The whole package as one read-only block (the locked resource).
struct PackageImageRecord {
    const BYTE* Data;
    DWORD Length;
};

extern PackageImageRecord PackageImage;
extern PackageHeader* PackageDirectory;

// The resource's bytes, or null; *length is written only on success.
const BYTE* FindPackageResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD* length);

// length 0: source is the NUL-terminated name of a package file; otherwise
// source is a package in memory of that many bytes. Returns a GlobalAlloc
// block the caller frees with GlobalFree, or null (nothing left allocated or
// open) when the package cannot be read or its header or directory does not
// fit it: wrong magic, directory offset past the end, a directory too large
// for 32 bits or for the stored bytes, or a compressed directory that does
// not decode to exactly EntryCount entries.
PackageHeader* OpenPackage(const void* source, DWORD length);

// Frees PackageDirectory (if any), sets it null, and deletes UpdateIniPath.
void ReleasePackage();
