// OpenPackage on arbitrary packages held in memory.
#include "archive/package.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0; // length 0 names a file
    }
    std::vector<BYTE> package(data, data + size);
    PackageHeader* directory = OpenPackage(package.data(), static_cast<DWORD>(package.size()));
    if (directory == nullptr) {
        return 0;
    }
    // The block holds the header as stored and every entry: touching the
    // last entry's last byte shows the allocation is large enough.
    if (std::memcmp(directory, package.data(), sizeof(PackageHeader)) != 0) {
        std::abort();
    }
    volatile BYTE sink = 0;
    if (directory->EntryCount > 0) {
        const PackageEntry& last = PackageEntries(directory)[directory->EntryCount - 1];
        sink = reinterpret_cast<const BYTE*>(&last)[sizeof(PackageEntry) - 1];
    }
    (void)sink;
    GlobalFree(directory);
    return 0;
}
