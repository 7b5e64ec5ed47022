// Running the built fa2 tool in a scratch folder and looking at what it made.
#pragma once

#include "archive/package_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fa2test {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs fa2 with these arguments in the given working folder.
ToolResult RunFa2(const std::vector<std::string>& arguments,
                  const std::filesystem::path& workingFolder);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Bytes(const std::string& text);

// A u8"..." literal (host names, terminal text) as a std::string.
inline std::string Utf8(std::u8string_view text) {
    return {text.begin(), text.end()};
}

timespec ModificationTime(const std::filesystem::path& path);
void SetModificationTime(const std::filesystem::path& path, timespec time);

// fa2 list output split into lines and tab-separated fields.
std::vector<std::vector<std::string>> ListRows(const std::string& listing);

// Names of the entries in a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

FILETIME FileTime(uint64_t ticks);

PackageMemberSource Member(const std::string& name, const std::string& content, bool compress,
                           uint64_t ticks = 133590404960000000);

// Header and entries of a package written with a plain directory, in place.
PackageHeader& HeaderOf(std::vector<uint8_t>& package);
PackageEntry& PlainEntryOf(std::vector<uint8_t>& package, size_t index);
// Offset of member index's stored bytes.
size_t MemberOffset(std::vector<uint8_t>& package, size_t index);

// A fresh scratch folder per test, removed afterwards.
class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path Path(const std::string& name) const { return folder_ / name; }
    ToolResult Run(const std::vector<std::string>& arguments) const {
        return RunFa2(arguments, folder_);
    }
    // Writes the package as pkg.fa2 and returns its path.
    std::string SavePackage(const std::vector<uint8_t>& package) const;

    std::filesystem::path folder_;
};

} // namespace fa2test
