// The thread's last error and the translation of host errors into it.
#include "platform/posix/layer.h"

#include <cerrno>

namespace {
thread_local DWORD LastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return LastError;
}

void SetLastError(DWORD error) {
    LastError = error;
}

namespace layer {

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ENOTEMPTY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ERROR_DISK_FULL;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_WRITE_FAULT;
    }
}

bool IsReadOnly(const struct stat& status) {
    return (status.st_mode & S_IWUSR) == 0;
}

} // namespace layer
