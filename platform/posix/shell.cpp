// The shell's copy and COM initialisation.
//
// SHFileOperationA(FO_COPY) records the request, runs machine.onShellCopy,
// then either plays the scripted outcome (the user's abort, or a failure
// code) or copies as the shell does:
// - a file to a destination that is a folder lands in it under its own
//   name; to any other destination path it becomes that file, creating
//   missing folders and replacing an existing file;
// - a folder to an existing folder arrives in it under its own last name;
//   to a path that does not exist yet it becomes that folder;
// - copies keep the source's last-write time and its read-only attribute.
// A missing source fails with 0x402, as the shell reports it.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int ShellErrorInvalidSource = 0x402;

std::vector<std::string> SplitList(LPCSTR list) {
    std::vector<std::string> entries;
    if (list == nullptr) {
        return entries;
    }
    for (const char* entry = list; *entry != '\0'; entry += entries.back().size() + 1) {
        entries.emplace_back(entry);
    }
    return entries;
}

// Copies one file over `target`, keeping its permissions and last-write time.
bool CopyOneFile(const fs::path& source, const fs::path& target, std::error_code& error) {
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    if (error) {
        return false;
    }
    const fs::perms permissions = fs::status(source, error).permissions();
    if (!error) {
        fs::permissions(target, permissions, error);
    }
    const fs::file_time_type written =
        error ? fs::file_time_type{} : fs::last_write_time(source, error);
    if (!error) {
        fs::last_write_time(target, written, error);
    }
    return !error;
}

bool CopyTree(const fs::path& source, const fs::path& target, std::error_code& error) {
    fs::create_directories(target, error);
    if (error) {
        return false;
    }
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
        const fs::path next = target / it->path().filename();
        const bool done = it->is_directory(error) ? CopyTree(it->path(), next, error)
                                                  : CopyOneFile(it->path(), next, error);
        if (!done) {
            return false;
        }
    }
    return !error;
}

int ErrorCode(const std::error_code& error) {
    return static_cast<int>(layer::ErrorFromErrno(error.value()));
}

// Copies one source entry to the destination; 0 or a shell error code.
int CopyEntry(const std::string& from, const std::string& to, bool destinationIsFolder) {
    const layer::HostName source = layer::ResolvePath(from.c_str());
    const layer::HostName destination = layer::ResolvePath(to.c_str());
    std::error_code error;
    if (source.host.empty() || !fs::exists(source.host, error)) {
        return ShellErrorInvalidSource;
    }
    if (destination.host.empty()) {
        return static_cast<int>(destination.error);
    }
    const bool intoFolder = destinationIsFolder || fs::is_directory(destination.host, error);
    const fs::path target =
        intoFolder ? destination.host / source.host.filename() : destination.host;
    if (fs::is_directory(source.host, error)) {
        if (fs::exists(target, error) && !fs::is_directory(target, error)) {
            return static_cast<int>(ERROR_ALREADY_EXISTS);
        }
        return CopyTree(source.host, target, error) ? 0 : ErrorCode(error);
    }
    fs::create_directories(target.parent_path(), error);
    if (error || fs::is_directory(target, error)) {
        return error ? ErrorCode(error) : static_cast<int>(ERROR_ACCESS_DENIED);
    }
    return CopyOneFile(source.host, target, error) ? 0 : ErrorCode(error);
}

} // namespace

int SHFileOperationA(LPSHFILEOPSTRUCTA operation) {
    auto& machine = machine::TheMachine();
    if (operation == nullptr || operation->wFunc != FO_COPY) {
        return static_cast<int>(ERROR_INVALID_PARAMETER);
    }
    operation->fAnyOperationsAborted = FALSE;
    const machine::ShellCopyRecord record{operation->hwnd, SplitList(operation->pFrom),
                                          SplitList(operation->pTo), operation->fFlags};
    machine.shellCopies.push_back(record);
    if (machine.onShellCopy) {
        machine.onShellCopy(record);
    }
    if (machine.shellCopyAborted) {
        operation->fAnyOperationsAborted = TRUE;
        return static_cast<int>(ERROR_CANCELLED);
    }
    if (machine.shellCopyResult != 0) {
        return machine.shellCopyResult;
    }
    if (record.from.empty() || record.to.empty()) {
        return ShellErrorInvalidSource;
    }
    const bool severalSources = record.from.size() > 1;
    for (const std::string& from : record.from) {
        const int result = CopyEntry(from, record.to.front(), severalSources);
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

HRESULT CoInitialize(LPVOID /*reserved*/) {
    // The first call of a process initialises; later ones find it done.
    return ++machine::TheMachine().coInitializeCalls == 1 ? S_OK : S_FALSE;
}
