#include "tools/fa2/package_file.h"

#include "tools/fa2/block_length.h"
#include "tools/fa2/diagnostics.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t EntrySize = sizeof(PackageEntry);
constexpr uint64_t HeaderSize = sizeof(PackageHeader);

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (fd.get() < 0 || fstat(fd.get(), &status) != 0) {
        throw ToolError(path, std::string("cannot open: ") + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw ToolError(path, "is a folder, not a file");
    }
    if (static_cast<uint64_t>(status.st_size) > std::numeric_limits<uint32_t>::max()) {
        throw ToolError(path, "larger than 4 GiB, beyond what a package can hold");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw ToolError(path, std::string("cannot read: ") + std::strerror(errno));
        }
        if (got == 0) {
            throw ToolError(path, "cannot read: the file became shorter while being read");
        }
        done += static_cast<size_t>(got);
    }
    return bytes;
}

PackageFile ReadPackageFile(const std::string& path) {
    PackageFile file{path, ReadWholeFile(path), {}};
    if (file.bytes.size() >= HeaderSize) {
        std::memcpy(&file.header, file.bytes.data(), HeaderSize);
    }
    return file;
}

std::string HeaderProblem(std::span<const uint8_t> bytes) {
    if (bytes.size() < HeaderSize) {
        return "too short for an FA2 header (" + std::to_string(bytes.size()) + " bytes)";
    }
    PackageHeader header;
    std::memcpy(&header, bytes.data(), HeaderSize);
    if (header.Magic != PackageMagic) {
        return "not an FA2 package (wrong magic)";
    }
    if (header.DirectoryOffset < HeaderSize) {
        return "directory offset " + std::to_string(header.DirectoryOffset) +
               " lies within the header";
    }
    if (header.DirectoryOffset > bytes.size()) {
        return "directory offset " + std::to_string(header.DirectoryOffset) +
               " lies outside the file (" + std::to_string(bytes.size()) + " bytes)";
    }
    const uint64_t directorySize = EntrySize * header.EntryCount;
    if (directorySize + HeaderSize > std::numeric_limits<uint32_t>::max()) {
        return "entry count " + std::to_string(header.EntryCount) + " is too large";
    }
    const uint64_t available = bytes.size() - header.DirectoryOffset;
    if ((header.Flags & DirectoryCompressed) == 0 && directorySize > available) {
        return "the directory of " + std::to_string(header.EntryCount) +
               " entries runs past the end of the file";
    }
    if ((header.Flags & DirectoryCompressed) != 0 && directorySize > MostDecodedBytes(available)) {
        return "the compressed directory (" + std::to_string(available) +
               " bytes) is too short to hold " + std::to_string(header.EntryCount) + " entries";
    }
    return {};
}

std::vector<PackageEntry> OpenDirectory(const PackageFile& file) {
    if (const std::string problem = HeaderProblem(file.bytes); !problem.empty()) {
        throw ToolError(file.path, problem);
    }
    PackageHeader* directory =
        OpenPackage(file.bytes.data(), static_cast<DWORD>(file.bytes.size()));
    if (directory == nullptr) {
        throw ToolError(file.path, "the directory is damaged and cannot be read");
    }
    const PackageEntry* entries = PackageEntries(directory);
    std::vector<PackageEntry> result(entries, entries + directory->EntryCount);
    GlobalFree(directory);
    return result;
}
