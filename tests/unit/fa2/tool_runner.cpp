#include "tests/unit/fa2/tool_runner.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fa2test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ToolResult RunFa2(const std::vector<std::string>& arguments,
                  const std::filesystem::path& workingFolder) {
    const std::filesystem::path outPath = workingFolder / ".fa2-stdout";
    const std::filesystem::path errPath = workingFolder / ".fa2-stderr";
    std::vector<std::string> argv{FA2_TOOL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            chdir(workingFolder.c_str()) != 0) {
            _exit(127);
        }
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        throw std::runtime_error("cannot run " FA2_TOOL_PATH);
    }
    ToolResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    const std::string text = ReadText(path);
    return {text.begin(), text.end()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

timespec ModificationTime(const std::filesystem::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw std::runtime_error("cannot stat " + path.string());
    }
    return status.st_mtim;
}

void SetModificationTime(const std::filesystem::path& path, timespec time) {
    const timespec times[2] = {time, time};
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string());
    }
}

std::vector<std::vector<std::string>> ListRows(const std::string& listing) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        rows.push_back(fields);
    }
    return rows;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

FILETIME FileTime(uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

PackageMemberSource Member(const std::string& name, const std::string& content, bool compress,
                           uint64_t ticks) {
    PackageMemberSource member;
    member.name = name;
    member.data = Bytes(content);
    member.timestamp = FileTime(ticks);
    member.compress = compress;
    return member;
}

PackageHeader& HeaderOf(std::vector<uint8_t>& package) {
    return *reinterpret_cast<PackageHeader*>(package.data());
}

PackageEntry& PlainEntryOf(std::vector<uint8_t>& package, size_t index) {
    return reinterpret_cast<PackageEntry*>(package.data() +
                                           HeaderOf(package).DirectoryOffset)[index];
}

size_t MemberOffset(std::vector<uint8_t>& package, size_t index) {
    size_t offset = sizeof(PackageHeader);
    for (size_t i = 0; i < index; ++i) {
        offset += AlignedStoredSize(PlainEntryOf(package, i).StoredSize);
    }
    return offset;
}

void ToolTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fa2-tool-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    folder_ = pattern;
}

void ToolTest::TearDown() {
    std::filesystem::remove_all(folder_);
}

std::string ToolTest::SavePackage(const std::vector<uint8_t>& package) const {
    WriteBytes(Path("pkg.fa2"), package);
    return Path("pkg.fa2").string();
}

} // namespace fa2test
