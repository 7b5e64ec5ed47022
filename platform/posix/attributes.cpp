// Attributes, deletion and renaming.
//
// A plain file shows FILE_ATTRIBUTE_ARCHIVE, as on Windows and Wine; one
// without the owner's write bit adds FILE_ATTRIBUTE_READONLY; a folder shows
// FILE_ATTRIBUTE_DIRECTORY. SetFileAttributesA with FILE_ATTRIBUTE_READONLY
// removes every write bit, without it gives the owner write access back;
// the other attributes have no host form and are ignored. Deleting or
// replacing a read-only file fails with ERROR_ACCESS_DENIED, which the layer
// checks itself because the tests run as root.
#include "platform/posix/layer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// stat of a resolved path; on failure the last error says what is missing.
bool StatPath(const layer::HostName& path, struct stat& status) {
    if (path.host.empty()) {
        SetLastError(path.error);
        return false;
    }
    if (::stat(path.host.c_str(), &status) == 0) {
        return true;
    }
    if (errno == ENOENT) {
        struct stat parent {};
        const bool parentExists = ::stat(path.host.parent_path().c_str(), &parent) == 0;
        SetLastError(parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    } else {
        SetLastError(layer::ErrorFromErrno(errno));
    }
    return false;
}

} // namespace

DWORD GetFileAttributesA(LPCSTR name) {
    struct stat status {};
    if (!StatPath(layer::ResolvePath(name), status)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (layer::IsReadOnly(status)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes;
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
    const layer::HostName path = layer::ResolvePath(name);
    struct stat status {};
    if (!StatPath(path, status)) {
        return FALSE;
    }
    mode_t mode = status.st_mode & 07777;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (::chmod(path.host.c_str(), mode) != 0) {
        SetLastError(layer::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
    const layer::HostName path = layer::ResolvePath(name);
    struct stat status {};
    if (!StatPath(path, status)) {
        return FALSE;
    }
    if (S_ISDIR(status.st_mode) || layer::IsReadOnly(status)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.host.c_str()) != 0) {
        SetLastError(layer::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    const layer::HostName from = layer::ResolvePath(existing);
    struct stat source {};
    if (!StatPath(from, source)) {
        return FALSE;
    }
    const layer::HostName to = layer::ResolvePath(replacement);
    if (to.host.empty()) {
        SetLastError(to.error);
        return FALSE;
    }
    struct stat target {};
    if (::stat(to.host.c_str(), &target) == 0 && !layer::SameHostPath(from.host, to.host)) {
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(target.st_mode) || layer::IsReadOnly(target)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (std::rename(from.host.c_str(), to.host.c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : layer::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
