// fa2 create: a package from files on the host.
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"
#include "tools/fa2/filetime.h"
#include "tools/fa2/member_name.h"
#include "tools/fa2/output_file.h"
#include "tools/fa2/package_file.h"

#include "archive/package_writer.h"
#include "platform/posix/cp932.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace {

struct CreateOptions {
    std::string output;
    std::vector<std::string> files;
    std::vector<std::string> storeGlobs;
    bool plainDirectory = false;
};

constexpr size_t LongestMemberName = PackageNameSize - 1;

std::string MemberNameFor(const std::string& file, const std::string& baseName) {
    if (const std::string reason = UnsafeNameReason(baseName); !reason.empty()) {
        throw ToolError(file, "cannot be a member: " + reason);
    }
    const std::optional<std::string> name = cp932::FromUtf8(baseName);
    if (!name) {
        throw ToolError(file, "the name \"" + baseName + "\" cannot be written in code page 932");
    }
    if (name->size() > LongestMemberName) {
        throw ToolError(file, "the name \"" + baseName + "\" takes " +
                                  std::to_string(name->size()) +
                                  " bytes in code page 932; a member name holds at most 14");
    }
    return *name;
}

FILETIME ModificationTime(const std::string& file) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) {
        throw ToolError(file, std::string("cannot open: ") + std::strerror(errno));
    }
    const std::optional<FILETIME> time = FileTimeFromTimespec(status.st_mtim);
    if (!time) {
        throw ToolError(file, "its modification time cannot be written as a FILETIME");
    }
    return *time;
}

bool MatchesAny(const std::vector<std::string>& globs, const std::string& baseName) {
    for (const std::string& glob : globs) {
        if (fnmatch(glob.c_str(), baseName.c_str(), 0) == 0) {
            return true;
        }
    }
    return false;
}

void RunCreate(const CreateOptions& options) {
    std::vector<PackageMemberSource> members;
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string& file = options.files[i];
        const std::string baseName = std::filesystem::path(file).filename().string();
        std::string name = MemberNameFor(file, baseName);
        for (size_t earlier = 0; earlier < members.size(); ++earlier) {
            if (SameMemberName(members[earlier].name, name)) {
                throw ToolError(file, "the member name \"" + baseName + "\" is already taken by " +
                                          options.files[earlier]);
            }
        }
        PackageMemberSource member;
        member.timestamp = ModificationTime(file);
        member.data = ReadWholeFile(file);
        member.name = std::move(name);
        member.compress = !MatchesAny(options.storeGlobs, baseName);
        members.push_back(std::move(member));
    }

    std::vector<uint8_t> package;
    try {
        package = WritePackage(members, options.plainDirectory);
    } catch (const std::invalid_argument& error) {
        throw ToolError(options.output, error.what());
    }
    if (const std::string problem = WriteFileAtomically(options.output, package, nullptr);
        !problem.empty()) {
        throw ToolError(options.output, problem);
    }
}

} // namespace

void AddCreateCommand(CLI::App& app) {
    auto options = std::make_shared<CreateOptions>();
    CLI::App* command = app.add_subcommand("create", "Make a package from files.");
    command->footer("Each member is named by its file's base name in "
                    "code page 932 (at most 14 bytes) and stamped with the file's modification "
                    "time. The package is written whole or not at all.");
    command->add_option("OUT", options->output, "the package file to write")->required();
    command->add_option("FILE", options->files, "files to add, in this order")->required();
    command
        ->add_option("--store", options->storeGlobs,
                     "store members whose base name matches GLOB uncompressed (repeatable)")
        ->type_name("GLOB")
        ->allow_extra_args(false);
    command->add_flag("--plain-directory", options->plainDirectory,
                      "write the directory uncompressed");
    command->callback([options] { RunCreate(*options); });
}
