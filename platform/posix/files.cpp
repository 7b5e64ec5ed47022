// File handles over host file descriptors.
//
// CreateFileA supports GENERIC_READ and GENERIC_WRITE with OPEN_EXISTING and
// CREATE_ALWAYS; share modes are not enforced. Because the tests run as
// root, the layer itself refuses to open a read-only file for writing
// (ERROR_ACCESS_DENIED), as Windows does. SetFileTime maps the last-write
// time to the host's modification time and the last-access time to its
// access time; the host keeps no creation time, so that one is accepted and
// dropped. A time of 0 or of all bits set leaves that time unchanged.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace {

struct OpenFile {
    int descriptor = -1;
    bool readable = false;
    bool writable = false;
    bool failWrites = false; // machine.failWritesTo named this file when it was opened
};

std::map<uintptr_t, OpenFile>& Files() {
    static std::map<uintptr_t, OpenFile> files;
    return files;
}

uintptr_t NextHandle = 0x1000;

OpenFile* Lookup(HANDLE handle) {
    const auto it = Files().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Files().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Seconds and nanoseconds since 1970 of a FILETIME (100 ns since 1601).
timespec ToTimespec(const FILETIME* time) {
    if (time == nullptr || (time->dwLowDateTime == 0 && time->dwHighDateTime == 0) ||
        (time->dwLowDateTime == 0xFFFFFFFFu && time->dwHighDateTime == 0xFFFFFFFFu)) {
        return timespec{0, UTIME_OMIT};
    }
    constexpr int64_t TicksFrom1601To1970 = 116444736000000000LL;
    constexpr int64_t TicksPerSecond = 10000000;
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(time->dwHighDateTime) << 32) |
                                               time->dwLowDateTime) -
                          TicksFrom1601To1970;
    int64_t seconds = ticks / TicksPerSecond;
    int64_t rest = ticks % TicksPerSecond;
    if (rest < 0) {
        rest += TicksPerSecond;
        --seconds;
    }
    return timespec{static_cast<time_t>(seconds), static_cast<long>(rest * 100)};
}

} // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD /*share*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD disposition, DWORD /*flags*/, HANDLE /*templateFile*/) {
    const layer::HostName path = layer::ResolvePath(name);
    if (path.host.empty()) {
        return Fail(path.error);
    }
    const bool readable = (access & GENERIC_READ) != 0;
    const bool writable = (access & GENERIC_WRITE) != 0;
    if (disposition != OPEN_EXISTING && disposition != CREATE_ALWAYS) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    struct stat status {};
    const bool exists = ::stat(path.host.c_str(), &status) == 0;
    if (!exists && errno == ENOTDIR) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    if (exists && S_ISDIR(status.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (!exists && disposition == OPEN_EXISTING) {
        struct stat parent {};
        const bool parentExists = ::stat(path.host.parent_path().c_str(), &parent) == 0;
        return Fail(parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    if (exists && layer::IsReadOnly(status) && (writable || disposition == CREATE_ALWAYS)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    int mode = readable && writable ? O_RDWR : (writable ? O_WRONLY : O_RDONLY);
    if (disposition == CREATE_ALWAYS) {
        mode |= O_CREAT | O_TRUNC;
        if (!writable) {
            mode = (mode & ~O_ACCMODE) | O_RDWR; // truncating needs write access on the host
        }
    }
    const int descriptor = ::open(path.host.c_str(), mode | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : layer::ErrorFromErrno(errno));
    }
    const auto& machine = machine::TheMachine();
    OpenFile file{descriptor, readable, writable,
                  !machine.failWritesTo.empty() &&
                      layer::SameHostPath(machine.HostPath(machine.failWritesTo), path.host)};
    const uintptr_t handle = NextHandle;
    NextHandle += 4;
    Files()[handle] = file;
    // CREATE_ALWAYS over an existing file succeeds and says so.
    SetLastError(exists && disposition == CREATE_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read,
              LPOVERLAPPED /*overlapped*/) {
    if (read != nullptr) {
        *read = 0;
    }
    OpenFile* file = Lookup(handle);
    if (file == nullptr) {
        return FALSE;
    }
    if (!file->readable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t got =
            ::read(file->descriptor, static_cast<char*>(buffer) + total, toRead - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            SetLastError(layer::ErrorFromErrno(errno));
            return FALSE;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<DWORD>(got);
    }
    if (read != nullptr) {
        *read = total;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED /*overlapped*/) {
    if (written != nullptr) {
        *written = 0;
    }
    OpenFile* file = Lookup(handle);
    if (file == nullptr) {
        return FALSE;
    }
    if (!file->writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (file->failWrites) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    DWORD total = 0;
    while (total < toWrite) {
        const ssize_t put =
            ::write(file->descriptor, static_cast<const char*>(buffer) + total, toWrite - total);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            if (written != nullptr) {
                *written = total;
            }
            SetLastError(layer::ErrorFromErrno(errno));
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    if (written != nullptr) {
        *written = total;
    }
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
    OpenFile* file = Lookup(handle);
    if (file == nullptr) {
        return INVALID_SET_FILE_POINTER;
    }
    if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit count.
    const int64_t target =
        distanceHigh == nullptr
            ? static_cast<int64_t>(distance)
            : static_cast<int64_t>(
                  (static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                  static_cast<uint32_t>(distance));
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t position = ::lseek(file->descriptor, static_cast<off_t>(target), SEEK_SET);
    if (position < 0) {
        SetLastError(layer::ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(position) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    OpenFile* file = Lookup(handle);
    if (file == nullptr) {
        return INVALID_FILE_SIZE;
    }
    struct stat status {};
    if (::fstat(file->descriptor, &status) != 0) {
        SetLastError(layer::ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<uint64_t>(status.st_size);
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(size >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetFileTime(HANDLE handle, const FILETIME* /*creation*/, const FILETIME* access,
                 const FILETIME* write) {
    OpenFile* file = Lookup(handle);
    if (file == nullptr) {
        return FALSE;
    }
    const timespec times[2] = {ToTimespec(access), ToTimespec(write)};
    if (::futimens(file->descriptor, times) != 0) {
        SetLastError(layer::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    const auto it = Files().find(reinterpret_cast<uintptr_t>(object));
    if (it == Files().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(it->second.descriptor);
    Files().erase(it);
    return TRUE;
}

namespace layer {

void CloseAllFiles() {
    for (const auto& [handle, file] : Files()) {
        ::close(file.descriptor);
    }
    Files().clear();
}

} // namespace layer
