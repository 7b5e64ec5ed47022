// fa2 test: decodes everything and checks the package's layout.
#include "tools/fa2/block_length.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"
#include "tools/fa2/member_data.h"
#include "tools/fa2/member_name.h"
#include "tools/fa2/package_file.h"

#include "archive/decompress.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

namespace {

// Counts and prints the problems found in one package.
class Findings {
  public:
    explicit Findings(const std::string& path) : path_(path) {}

    void Package(const std::string& message) {
        PrintProblem(path_, message);
        ++count_;
    }
    void Member(const std::string& label, const std::string& message) {
        PrintMemberProblem(path_, label, message);
        ++count_;
    }
    int Count() const { return count_; }

  private:
    const std::string& path_;
    int count_ = 0;
};

std::string ByteCount(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::vector<PackageEntry> EntriesFrom(const uint8_t* bytes, size_t count) {
    std::vector<PackageEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(&entries[i], bytes + i * sizeof(PackageEntry), sizeof(PackageEntry));
    }
    return entries;
}

// The entries, decoded from the stored directory; empty after reporting a
// directory that cannot be decoded.
std::optional<std::vector<PackageEntry>> DecodeDirectory(const PackageFile& file,
                                                         Findings& findings) {
    const PackageHeader& header = file.header;
    const uint8_t* stored = file.bytes.data() + header.DirectoryOffset;
    const auto available = static_cast<DWORD>(file.bytes.size() - header.DirectoryOffset);
    const DWORD directorySize = sizeof(PackageEntry) * header.EntryCount;
    if ((header.Flags & DirectoryCompressed) == 0) {
        if (available > directorySize) {
            findings.Package("the directory is followed by " +
                             ByteCount(available - directorySize));
        }
        return EntriesFrom(stored, header.EntryCount);
    }
    std::vector<BYTE> decoded(directorySize + 1);
    DWORD produced = 0;
    if (DecompressBlock(decoded.data(), directorySize, stored, available, &produced) != 1) {
        findings.Package("the compressed directory is damaged (does not decode to " +
                         std::to_string(header.EntryCount) + " entries)");
        return std::nullopt;
    }
    if (produced != directorySize) {
        findings.Package("the compressed directory decodes to " + std::to_string(produced) +
                         " bytes, not the " + std::to_string(directorySize) + " of " +
                         std::to_string(header.EntryCount) + " entries");
        return std::nullopt;
    }
    const DWORD blockLength = DecodedBlockLength(stored, available, directorySize);
    if (blockLength < available) {
        findings.Package("the compressed directory's end marker is followed by " +
                         ByteCount(available - blockLength));
    }
    return EntriesFrom(decoded.data(), header.EntryCount);
}

// The program's own reader must accept the package and see the same entries.
void CompareWithReader(const PackageFile& file, const std::vector<PackageEntry>& entries,
                       Findings& findings) {
    PackageHeader* directory =
        OpenPackage(file.bytes.data(), static_cast<DWORD>(file.bytes.size()));
    if (directory == nullptr) {
        findings.Package("the program's reader refuses the package");
        return;
    }
    const std::vector<PackageEntry> read = EntriesFrom(
        reinterpret_cast<const uint8_t*>(PackageEntries(directory)), directory->EntryCount);
    const auto sameBytes = [](const PackageEntry& a, const PackageEntry& b) {
        return std::memcmp(&a, &b, sizeof(PackageEntry)) == 0;
    };
    if (!std::equal(read.begin(), read.end(), entries.begin(), entries.end(), sameBytes)) {
        findings.Package("the program's reader sees a different directory");
    }
    GlobalFree(directory);
}

void CheckEntryFields(const PackageEntry& entry, const std::string& label, Findings& findings) {
    const char* end = static_cast<const char*>(std::memchr(entry.Name, 0, PackageNameSize));
    if (end == nullptr) {
        findings.Member(label, "the name has no NUL within its 15 bytes");
    } else if (end == entry.Name) {
        findings.Member(label, "the name is empty");
    } else if (std::any_of(end, entry.Name + PackageNameSize, [](char c) { return c != 0; })) {
        findings.Member(label, "the name field is not zero-filled after its NUL");
    }
    if (entry.EntryFlags != MemberStored && entry.EntryFlags != MemberCompressed) {
        findings.Member(label, "entry flags " + Hex(entry.EntryFlags) + " are neither " +
                                   Hex(MemberStored) + " (stored) nor " + Hex(MemberCompressed) +
                                   " (compressed)");
    }
}

void CheckMemberData(const PackageFile& file, const PackageMember& member, const std::string& label,
                     Findings& findings) {
    std::vector<uint8_t> data;
    if (const std::string problem = ReadMember(file, member, data); !problem.empty()) {
        findings.Member(label, problem);
        return;
    }
    const PackageEntry& entry = member.entry;
    const uint8_t* stored = file.bytes.data() + member.offset;
    if ((entry.EntryFlags & MemberCompressed) != 0) {
        const DWORD blockLength = DecodedBlockLength(stored, entry.StoredSize, entry.Size);
        if (blockLength < entry.StoredSize) {
            findings.Member(label, "its stored size " + std::to_string(entry.StoredSize) +
                                       " is more than the " + ByteCount(blockLength) +
                                       " of its compressed block");
        }
    }
    const uint64_t fillEnd = std::min<uint64_t>(member.offset + AlignedStoredSize(entry.StoredSize),
                                                file.header.DirectoryOffset);
    if (std::any_of(stored + entry.StoredSize, file.bytes.data() + fillEnd,
                    [](uint8_t byte) { return byte != 0; })) {
        findings.Member(label, "the fill after its stored bytes is not zero");
    }
}

void RunTest(const std::string& path) {
    const PackageFile file = ReadPackageFile(path);
    Findings findings(file.path);
    if (const std::string problem = HeaderProblem(file.bytes); !problem.empty()) {
        findings.Package(problem);
        throw CLI::RuntimeError(1);
    }
    const PackageHeader& header = file.header;
    if ((header.Flags & ~DirectoryCompressed) != 0) {
        findings.Package("unknown header flags are set (" + Hex(header.Flags) + ")");
    }
    const std::optional<std::vector<PackageEntry>> entries = DecodeDirectory(file, findings);
    if (!entries) {
        throw CLI::RuntimeError(1);
    }
    CompareWithReader(file, *entries, findings);

    const std::vector<PackageMember> members = LayOutMembers(*entries);
    size_t compressed = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        const std::string label = MemberLabel(members[i].entry, i);
        CheckEntryFields(members[i].entry, label, findings);
        CheckMemberData(file, members[i], label, findings);
        compressed += (members[i].entry.EntryFlags & MemberCompressed) != 0 ? 1 : 0;
    }
    const uint64_t dataEnd = DataAreaEnd(members);
    if (dataEnd != header.DirectoryOffset) {
        findings.Package("the directory at offset " + std::to_string(header.DirectoryOffset) +
                         " does not directly follow the members' data, which ends at " +
                         std::to_string(dataEnd));
    }
    if (findings.Count() != 0) {
        throw CLI::RuntimeError(1);
    }
    std::cout << file.path << ": OK, " << members.size() << " members (" << compressed
              << " compressed, " << members.size() - compressed << " stored), directory "
              << ((header.Flags & DirectoryCompressed) != 0 ? "compressed" : "plain") << '\n';
}

} // namespace

void AddTestCommand(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("test", "Check that a package is sound.");
    command->footer(
        "Decodes every member and checks the package's layout: header, directory, names, "
        "sizes, 16-byte alignment with zero fill, and no bytes after a block's end marker "
        "(after the compressed directory, or within a compressed member's stored size). "
        "Prints each problem and exits with 1 when the package is damaged, 0 when sound.");
    command->add_option("PACKAGE", *path, "the package file")->required();
    command->callback([path] { RunTest(*path); });
}
