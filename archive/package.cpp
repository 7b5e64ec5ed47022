// Opening an FA2 package: the resource that holds it, its header and its
// directory, and giving the directory back at the end of the run.
#include "archive/package.h"

#include "archive/decompress.h"
#include "updater/services.h"

#include <cstring>

PackageImageRecord PackageImage;
PackageHeader* PackageDirectory;
PathBuffer UpdateIniPath;

namespace {

constexpr DWORD EntryBytes = sizeof(PackageEntry);
// No code of a block yields more than 141 bytes per data byte it carries (a
// 282-byte match carries two), so a stored directory of L bytes cannot
// decode to more than 141 x L.
constexpr ULONGLONG MostDecodedPerStoredByte = 141;

int ReadExactly(HANDLE file, void* buffer, DWORD count) {
    DWORD read = 0;
    return ReadFile(file, buffer, count, &read, nullptr) && read == count;
}

// The header's claims measured against the package's total length: the magic,
// a directory that starts within the package and an entry count whose
// directory can be allocated and can come from the stored bytes.
int HeaderFits(const PackageHeader& header, DWORD total) {
    if (header.Magic != PackageMagic || header.DirectoryOffset > total) {
        return 0;
    }
    ULONGLONG entryBytes = ULONGLONG{EntryBytes} * header.EntryCount;
    if (entryBytes + sizeof(PackageHeader) > 0xFFFFFFFFull) {
        return 0;
    }
    DWORD storedBytes = total - header.DirectoryOffset;
    if (header.Flags & DirectoryCompressed) {
        return entryBytes <= MostDecodedPerStoredByte * storedBytes;
    }
    return entryBytes <= storedBytes;
}

// A PackageDirectory block for the header, its entries not yet filled.
PackageHeader* NewDirectory(const PackageHeader& header) {
    auto* directory = static_cast<PackageHeader*>(
        GlobalAlloc(GMEM_FIXED, sizeof(PackageHeader) + EntryBytes * header.EntryCount));
    if (directory) {
        *directory = header;
    }
    return directory;
}

// Decodes a compressed directory into the block's entries; it must fill them
// exactly.
int DecodeEntries(PackageHeader* directory, const BYTE* stored, DWORD storedLength) {
    DWORD entryBytes = EntryBytes * directory->EntryCount;
    DWORD produced = 0;
    return DecompressBlock(reinterpret_cast<BYTE*>(PackageEntries(directory)), entryBytes, stored,
                           storedLength, &produced) &&
           produced == entryBytes;
}

PackageHeader* OpenFromMemory(const BYTE* data, DWORD length) {
    PackageHeader header;
    if (length < sizeof header) {
        return nullptr;
    }
    std::memcpy(&header, data, sizeof header);
    if (!HeaderFits(header, length)) {
        return nullptr;
    }
    PackageHeader* directory = NewDirectory(header);
    if (!directory) {
        return nullptr;
    }
    const BYTE* stored = data + header.DirectoryOffset;
    if (header.Flags & DirectoryCompressed) {
        if (!DecodeEntries(directory, stored, length - header.DirectoryOffset)) {
            GlobalFree(directory);
            return nullptr;
        }
    } else {
        std::memcpy(PackageEntries(directory), stored, EntryBytes * header.EntryCount);
    }
    return directory;
}

// Reads a compressed directory of storedLength bytes at the file position
// into a temporary block and decodes it.
int ReadCompressedEntries(HANDLE file, PackageHeader* directory, DWORD storedLength) {
    BYTE* stored = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, storedLength));
    if (!stored) {
        return 0;
    }
    int done =
        ReadExactly(file, stored, storedLength) && DecodeEntries(directory, stored, storedLength);
    GlobalFree(stored);
    return done;
}

PackageHeader* ReadDirectoryFromFile(HANDLE file) {
    PackageHeader header;
    if (!ReadExactly(file, &header, sizeof header)) {
        return nullptr;
    }
    DWORD sizeHigh = 0;
    DWORD total = GetFileSize(file, &sizeHigh);
    if (total == INVALID_FILE_SIZE || sizeHigh != 0 || !HeaderFits(header, total)) {
        return nullptr;
    }
    // A signed seek distance: a directory at 2 GiB or later cannot be reached.
    if (SetFilePointer(file, static_cast<LONG>(header.DirectoryOffset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
        return nullptr;
    }
    PackageHeader* directory = NewDirectory(header);
    if (!directory) {
        return nullptr;
    }
    int done = (header.Flags & DirectoryCompressed)
                   ? ReadCompressedEntries(file, directory, total - header.DirectoryOffset)
                   : ReadExactly(file, PackageEntries(directory), EntryBytes * header.EntryCount);
    if (!done) {
        GlobalFree(directory);
        return nullptr;
    }
    return directory;
}

PackageHeader* OpenFromFile(const char* name) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    PackageHeader* directory = ReadDirectoryFromFile(file);
    CloseHandle(file);
    return directory;
}

} // namespace

const BYTE* FindPackageResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD* length) {
    HRSRC resource = FindResourceA(module, name, type);
    if (!resource) {
        return nullptr;
    }
    DWORD size = SizeofResource(module, resource);
    if (size == 0) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    if (!loaded) {
        return nullptr;
    }
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    if (!data) {
        return nullptr;
    }
    *length = size;
    return data;
}

PackageHeader* OpenPackage(const void* source, DWORD length) {
    if (length == 0) {
        return OpenFromFile(static_cast<const char*>(source));
    }
    return OpenFromMemory(static_cast<const BYTE*>(source), length);
}

void ReleasePackage() {
    if (PackageDirectory) {
        GlobalFree(PackageDirectory);
        PackageDirectory = nullptr;
    }
    DeleteFileA(UpdateIniPath);
}
