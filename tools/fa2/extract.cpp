// fa2 extract: members to files, stamped with their timestamps.
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"
#include "tools/fa2/filetime.h"
#include "tools/fa2/member_data.h"
#include "tools/fa2/member_name.h"
#include "tools/fa2/output_file.h"
#include "tools/fa2/package_file.h"

#include "platform/posix/cp932.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct ExtractOptions {
    std::string package;
    std::vector<std::string> members;
    std::string directory = ".";
};

// The first member that the program would find under this name.
std::optional<size_t> FindMember(const std::vector<PackageMember>& members,
                                 const std::string& name) {
    for (size_t i = 0; i < members.size(); ++i) {
        if (SameMemberName(EntryName(members[i].entry), name)) {
            return i;
        }
    }
    return std::nullopt;
}

// Indexes of the members asked for, each once; all members when none are
// named, where a later member whose name equals an earlier one is skipped
// because the program would never find it.
std::vector<size_t> SelectMembers(const ExtractOptions& options,
                                  const std::vector<PackageMember>& members) {
    std::vector<size_t> selected;
    if (options.members.empty()) {
        for (size_t i = 0; i < members.size(); ++i) {
            const std::string name = EntryName(members[i].entry);
            if (FindMember(members, name) == i) {
                selected.push_back(i);
            } else {
                PrintMemberProblem(options.package, DisplayName(name),
                                   "skipped: an earlier member has the same name");
            }
        }
        return selected;
    }
    for (const std::string& requested : options.members) {
        const std::optional<std::string> name = cp932::FromUtf8(requested);
        const std::optional<size_t> index = name ? FindMember(members, *name) : std::nullopt;
        if (!index) {
            throw ToolError(options.package, "no member named " + requested);
        }
        if (std::find(selected.begin(), selected.end(), *index) == selected.end()) {
            selected.push_back(*index);
        }
    }
    return selected;
}

// Writes one member into the folder; returns false after reporting why not.
bool ExtractMember(const PackageFile& file, const std::vector<PackageMember>& members, size_t index,
                   const std::filesystem::path& directory) {
    const PackageMember& member = members[index];
    const std::string label = MemberLabel(member.entry, index);
    const std::optional<std::string> hostName = cp932::ToUtf8(EntryName(member.entry));
    if (!hostName) {
        PrintMemberProblem(file.path, label, "refused: the name is not valid code page 932");
        return false;
    }
    if (const std::string reason = UnsafeNameReason(*hostName); !reason.empty()) {
        PrintMemberProblem(file.path, label, "refused: " + reason);
        return false;
    }
    std::vector<uint8_t> data;
    if (const std::string problem = ReadMember(file, member, data); !problem.empty()) {
        PrintMemberProblem(file.path, label, problem);
        return false;
    }
    const std::string target = (directory / *hostName).string();
    const timespec modified = TimespecFromFileTime(member.entry.Timestamp);
    if (const std::string problem = WriteFileAtomically(target, data, &modified);
        !problem.empty()) {
        PrintProblem(target, problem);
        return false;
    }
    return true;
}

void RunExtract(const ExtractOptions& options) {
    const PackageFile file = ReadPackageFile(options.package);
    const std::vector<PackageMember> members = LayOutMembers(OpenDirectory(file));
    const std::vector<size_t> selected = SelectMembers(options, members);

    std::error_code error;
    std::filesystem::create_directories(options.directory, error);
    if (error) {
        throw ToolError(options.directory, "cannot create the folder: " + error.message());
    }
    bool allWritten = true;
    for (const size_t index : selected) {
        allWritten = ExtractMember(file, members, index, options.directory) && allWritten;
    }
    if (!allWritten) {
        throw CLI::RuntimeError(1);
    }
}

} // namespace

void AddExtractCommand(CLI::App& app) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* command = app.add_subcommand("extract", "Write members of a package to files.");
    command->footer(
        "Members are written to files named by their names in UTF-8, with their timestamps as "
        "modification times. Names are matched as the program matches them: whole, "
        "ignoring the case of single-byte letters; the first of equal names wins. Names that "
        "would leave the folder (path separators, '..', a drive colon, empty) are refused.");
    command->add_option("PACKAGE", options->package, "the package file")->required();
    command->add_option("MEMBER", options->members, "members to write (default: all)");
    command
        ->add_option("-C,--directory", options->directory,
                     "folder to write into (made if missing; default: the current folder)")
        ->type_name("DIR");
    command->callback([options] { RunExtract(*options); });
}
