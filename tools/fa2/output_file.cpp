#include "tools/fa2/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

std::string WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return ErrnoText("cannot write");
        }
        done += static_cast<size_t>(written);
    }
    return {};
}

// Files made by mkstemp are private; give the new file the usual mode.
mode_t DefaultFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string FillTemporary(int fd, std::span<const uint8_t> bytes, const timespec* modified) {
    if (fchmod(fd, DefaultFileMode()) != 0) {
        return ErrnoText("cannot set permissions");
    }
    if (std::string problem = WriteAll(fd, bytes); !problem.empty()) {
        return problem;
    }
    if (modified != nullptr) {
        const timespec times[2] = {*modified, *modified};
        if (futimens(fd, times) != 0) {
            return ErrnoText("cannot set the modification time");
        }
    }
    if (fsync(fd) != 0) {
        return ErrnoText("cannot write");
    }
    return {};
}

} // namespace

std::string WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                const timespec* modified) {
    const std::filesystem::path target(path);
    const std::string pattern =
        (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');

    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return ErrnoText("cannot create a file in its folder");
    }
    std::string problem = FillTemporary(fd, bytes, modified);
    if (close(fd) != 0 && problem.empty()) {
        problem = ErrnoText("cannot write");
    }
    if (problem.empty() && std::rename(temporary.data(), path.c_str()) != 0) {
        problem = ErrnoText("cannot replace the file");
    }
    if (!problem.empty()) {
        unlink(temporary.data());
    }
    return problem;
}
