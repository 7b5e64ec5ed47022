// fa2 list: the directory, one member per line.
#include "tools/fa2/commands.h"
#include "tools/fa2/filetime.h"
#include "tools/fa2/member_name.h"
#include "tools/fa2/package_file.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace {

void RunList(const std::string& path) {
    const PackageFile file = ReadPackageFile(path);
    for (const PackageEntry& entry : OpenDirectory(file)) {
        std::cout << DisplayName(EntryName(entry)) << '\t' << entry.Size << '\t' << entry.StoredSize
                  << '\t' << ((entry.EntryFlags & MemberCompressed) != 0 ? "compressed" : "stored")
                  << '\t' << FormatFileTime(entry.Timestamp) << '\n';
    }
}

} // namespace

void AddListCommand(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("list", "List the members of a package.");
    command->footer("One line per member, in directory order, fields separated by tabs: "
                    "name (UTF-8), size, stored size, 'compressed' or 'stored', and the timestamp "
                    "in UTC as ISO 8601 (2024-05-01T12:34:56Z; fractions of a second appear only "
                    "when nonzero, e.g. 2024-05-01T12:34:56.25Z).");
    command->add_option("PACKAGE", *path, "the package file")->required();
    command->callback([path] { RunList(*path); });
}
