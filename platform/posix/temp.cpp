// The temporary folder, temporary file names and the process id.
//
// GetTempPathA gives machine.tempPath, ending in a backslash. With
// unique 0, GetTempFileNameA creates "<path>\<up to 3 characters of
// prefix><number in lower-case hex>.tmp" with the next number (1 to FFFF)
// that names no file yet and returns that number; with a nonzero unique it
// only forms the name.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
UINT LastUnique = 0;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    std::string path = machine::TheMachine().tempPath;
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (!layer::EndsInBackslash(path)) {
        path += '\\';
    }
    if (size <= path.size()) {
        return static_cast<DWORD>(path.size() + 1);
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
    if (path == nullptr || tempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string stem = path;
    if (!layer::EndsInBackslash(stem)) {
        stem += '\\';
    }
    const std::string_view prefixText = prefix == nullptr ? "" : prefix;
    size_t prefixBytes = 0;
    for (int characters = 0; characters < 3 && prefixBytes < prefixText.size(); ++characters) {
        prefixBytes += layer::CharBytes(prefixText, prefixBytes);
    }
    stem.append(prefixText.substr(0, prefixBytes));
    auto nameFor = [&](UINT number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%x.tmp", number & 0xFFFFu);
        return stem + digits;
    };
    if (stem.size() + 8 >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    unique &= 0xFFFFu;
    if (unique != 0) {
        const std::string name = nameFor(unique);
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return unique;
    }
    UINT number = LastUnique;
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        number = number % 0xFFFFu + 1; // 1 .. 0xFFFF
        const std::string name = nameFor(number);
        const layer::HostName host = layer::ResolvePath(name.c_str());
        if (host.host.empty()) {
            SetLastError(host.error);
            return 0;
        }
        const int descriptor =
            ::open(host.host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor >= 0) {
            ::close(descriptor);
            LastUnique = number;
            std::memcpy(tempFileName, name.c_str(), name.size() + 1);
            return number;
        }
        if (errno != EEXIST) {
            SetLastError(errno == ENOENT ? ERROR_DIRECTORY : layer::ErrorFromErrno(errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(::getpid());
}

namespace layer {

void ResetTempFileNames() {
    LastUnique = 0;
}

} // namespace layer
