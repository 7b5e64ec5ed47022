// Writing one member of the package to a file.
#include "archive/extract.h"

#include "archive/decompress.h"
#include "archive/package.h"
#include "updater/services.h"

static const char DamagedMessage[] = "UPDATE.FA2 is damaged";

// The first entry whose name equals name without regard to case; *offset
// receives where its bytes begin in the PackageImage. Offsets are summed in
// 64 bits so that no stored size can wrap them around.
static const PackageEntry* FindMember(const char* name, ULONGLONG* offset) {
    if (PackageDirectory == nullptr) {
        return nullptr;
    }
    const PackageEntry* entries = PackageEntries(PackageDirectory);
    ULONGLONG running = sizeof(PackageHeader);
    for (DWORD i = 0; i < PackageDirectory->EntryCount; ++i) {
        char entryName[PackageNameSize + 1] = {};
        for (int c = 0; c < PackageNameSize && entries[i].Name[c] != '\0'; ++c) {
            entryName[c] = entries[i].Name[c];
        }
        if (lstrcmpiA(entryName, name) == 0) {
            *offset = running;
            return &entries[i];
        }
        running += (ULONGLONG{entries[i].StoredSize} + 15) & ~ULONGLONG{15};
    }
    return nullptr;
}

// 1 when the destination's drive has room for size bytes, or when its free
// space cannot be told (a path without a drive letter).
static int HasRoomFor(const char* destination, DWORD size) {
    PathBuffer drive = {};
    drive[0] = destination[0];
    if (drive[0] != '\0') {
        drive[1] = destination[1];
    }
    ULONGLONG freeToCaller, totalBytes;
    if (!QueryDiskSpace(drive, &freeToCaller, &totalBytes, nullptr)) {
        return 1;
    }
    DWORD freeLow = static_cast<DWORD>(freeToCaller);
    if ((freeToCaller >> 32) != 0 || size <= freeLow) {
        return 1;
    }
    PathBuffer message;
    wsprintfA(message, "ディスク容量が足りません。%s ドライブに %u バイトの空き容量が必要です",
              drive, size - freeLow);
    ShowUpdateError(message);
    return 0;
}

// The member's Size bytes: straight from the PackageImage for a plain
// member, else decoded into *block (the caller frees it). Null after the
// message when they cannot be had.
static const BYTE* MemberData(const PackageEntry* entry, ULONGLONG offset, HGLOBAL* block) {
    if (offset + entry->StoredSize > PackageImage.Length) {
        ShowUpdateError(DamagedMessage);
        return nullptr;
    }
    const BYTE* stored = PackageImage.Data + offset;
    if (!(entry->EntryFlags & MemberCompressed)) {
        if (entry->Size != entry->StoredSize) {
            ShowUpdateError(DamagedMessage);
            return nullptr;
        }
        return stored;
    }

    *block = GlobalAlloc(GMEM_FIXED, entry->Size);
    if (*block == nullptr) {
        ShowUpdateError("Can't Allocate Memory !!");
        return nullptr;
    }
    BYTE* decoded = static_cast<BYTE*>(*block);
    DWORD produced = 0;
    if (!DecompressBlock(decoded, entry->Size, stored, entry->StoredSize, &produced) ||
        produced != entry->Size) {
        ShowUpdateError(DamagedMessage);
        return nullptr;
    }
    return decoded;
}

int ExtractPackageMember(const char* name, const char* destination) {
    ULONGLONG offset = 0;
    const PackageEntry* entry = FindMember(name, &offset);
    if (entry == nullptr) {
        ShowUpdateError("Can't Find File in Resource !!");
        return 0;
    }
    if (!HasRoomFor(destination, entry->Size)) {
        return 0;
    }

    HGLOBAL block = nullptr;
    int result = 0;
    const BYTE* data = MemberData(entry, offset, &block);
    if (data != nullptr) {
        DWORD attributes = GetFileAttributesA(destination);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            result = WriteWholeFile(destination, data, entry->Size, &entry->Timestamp);
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (attributes & FILE_ATTRIBUTE_READONLY) {
                SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
            }
            result = WriteWholeFile(destination, data, entry->Size, &entry->Timestamp);
            // A failed write leaves the old file as it was, its marks included.
            if (!result && (attributes & FILE_ATTRIBUTE_READONLY)) {
                SetFileAttributesA(destination, attributes);
            }
        }
    }
    if (block != nullptr) {
        GlobalFree(block);
    }
    return result;
}

// The folder that holds path, up to and including its last separator (found
// by stepping over double-byte pairs), or the drive ("C:") of a drive and a
// bare name. 0 for a path without either, which names no folder to write
// in, and for one too long to be a path.
static int FolderOf(const char* path, char* folder) {
    int length = lstrlenA(path);
    if (length >= PathBufferSize) {
        return 0;
    }
    int end = 0;
    for (int i = 0; i < length; ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            end = i + 1;
        } else if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1] != '\0') {
            ++i;
        }
    }
    if (end == 0 && length >= 2 && path[1] == ':') {
        end = 2;
    }
    if (end == 0) {
        return 0;
    }
    for (int i = 0; i < end; ++i) {
        folder[i] = path[i];
    }
    folder[end] = '\0';
    return 1;
}

// Creates path (a fresh temporary file) with the data and the timestamp.
static int WriteNewFile(const char* path, const void* data, DWORD length,
                        const FILETIME* timestamp) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD written = 0;
    int result = WriteFile(file, data, length, &written, nullptr) && written == length;
    if (result && timestamp != nullptr) {
        result = SetFileTime(file, timestamp, timestamp, timestamp) ? 1 : 0;
    }
    if (!CloseHandle(file)) {
        result = 0;
    }
    return result;
}

// The new content goes to a temporary file beside path first and replaces
// path in one step only when it is complete: a failed write never leaves the
// old file damaged, and never leaves the temporary file behind.
int WriteWholeFile(const char* path, const void* data, DWORD length, const FILETIME* timestamp) {
    PathBuffer folder;
    char temporary[MAX_PATH];
    if (!FolderOf(path, folder) || GetTempFileNameA(folder, "UPD", 0, temporary) == 0) {
        return 0;
    }
    if (WriteNewFile(temporary, data, length, timestamp) &&
        MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        return 1;
    }
    DeleteFileA(temporary);
    return 0;
}
