// fa2 setup-check: runs the updater's own parse of an installed SETUP.INI.
#include "platform/posix/cp932.h"
#include "platform/posix/machine.h"
#include "settings/profile.h"
#include "settings/setup_description.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace {

struct SetupCheckOptions {
    std::string path;
    bool quietMissing = false;
};

std::string Show(const char* text) {
    return cp932::ToUtf8Lossy(text);
}

void PrintList(const char* key, const PathBuffer* items, int count,
               const int32_t* discs = nullptr) {
    std::cout << key << ": " << count << '\n';
    for (int i = 0; i < count; ++i) {
        std::cout << "  [" << i << "] " << Show(items[i]);
        if (discs != nullptr) {
            std::cout << " (disc " << discs[i] << ')';
        }
        std::cout << '\n';
    }
}

// How many names the parse stored for a list key. The names cannot tell:
// a bare disc prefix stores an empty one in the middle of a list. So the
// value is split again with the updater's own token reader.
int StoredNameCount(const std::string& key, int capacity) {
    char list[TextBufferSize];
    if (!ReadSetupString(key.c_str(), list, sizeof list)) {
        return 0;
    }
    char* cursor = list;
    PathBuffer name;
    int count = 0;
    while (count < capacity && NextListToken(name, cursor)) {
        ++count;
    }
    return count;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

void PrintDescription() {
    const SetupDescriptionRecord& d = SetupDescription;
    std::cout << "CompanyName: " << Show(d.CompanyName) << '\n'
              << "GameTitle: " << Show(d.GameTitle) << '\n'
              << "GameDir: " << Show(d.GameDir) << '\n'
              << "GameExe: " << Show(d.GameExe) << '\n'
              << "UninstExe: " << Show(d.UninstExe) << '\n'
              << "GameClass: " << Show(d.GameClass) << '\n';
    PrintList("SetupBmp", d.SetupBmp, d.SetupBmpLast + 1);
    std::cout << "InstallSelects: " << d.InstallSelects << '\n';
    for (int j = 0; j < d.InstallSelects; ++j) {
        std::string select = std::to_string(j);
        std::cout << "InstallTitle" << select << ": " << Show(d.InstallTitle[j]) << '\n'
                  << "InstallSize" << select << ": " << d.InstallSize[j] << '\n'
                  << "SelectUsesDiscs" << select << ": " << d.SelectUsesDiscs[j] << '\n';
        const std::string key = "InstallFiles" + select;
        PrintList(key.c_str(), d.InstallFiles[j], StoredNameCount(key, InstallFileCapacity),
                  d.InstallFileDisc[j]);
    }
    std::cout << "DefaultSelect: " << d.DefaultSelect << '\n'
              << "Shortcuts: " << d.Shortcuts << '\n';
    for (int j = 0; j < d.Shortcuts; ++j) {
        std::cout << "Shortcut" << j << ": " << Show(d.Shortcut[j][0]) << " | "
                  << Show(d.Shortcut[j][1]) << " | " << Show(d.Shortcut[j][2]) << '\n';
    }
    for (int n = 0; n < DiscCapacity; ++n) {
        if (d.DiskCheckFile[n][0] != '\0') {
            std::cout << "DiskCheckFile" << n << ": " << Show(d.DiskCheckFile[n]) << '\n';
        }
    }
    std::cout << "ExecApp: " << Show(d.ExecApp[0]) << " | " << Show(d.ExecApp[1]) << '\n'
              << "InstallDirectX: " << Hex(d.InstallDirectX) << '\n'
              << "InstallDXMessage: " << Show(d.InstallDXMessage) << '\n'
              << "SelectSetupMessage: " << Show(d.SelectSetupMessage) << '\n';
    PrintList("AdditionalUninstallFiles", d.AdditionalUninstallFiles, d.AdditionalUninstallCount);
}

int RunSetupCheck(const SetupCheckOptions& options) {
    namespace fs = std::filesystem;
    const fs::path file = fs::absolute(options.path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        throw ToolError(options.path, "no such file");
    }
    if (error) {
        throw ToolError(options.path, error.message());
    }
    if (status.type() != fs::file_type::regular) {
        throw ToolError(options.path, "not a file");
    }
    const auto name = cp932::FromUtf8(file.filename().string());
    if (!name || name->size() + 3 >= sizeof SetupIniPath) {
        throw ToolError(options.path,
                        "the file name has no code page 932 form of at most 256 bytes");
    }

    machine::Machine& machine = machine::TheMachine();
    machine.Reset();
    machine.MapDrive('C', file.parent_path());
    std::snprintf(SetupIniPath, sizeof SetupIniPath, "C:\\%s", name->c_str());
    MissingKeyQuiet = options.quietMissing ? 1 : 0;

    if (LoadSetupDescription()) {
        PrintDescription();
        return 0;
    }
    for (const machine::MessageBoxRecord& box : machine.boxes) {
        std::cout << Show(box.caption.c_str()) << ": " << Show(box.text.c_str()) << '\n';
    }
    if (machine.boxes.empty()) {
        PrintProblem(options.path,
                     "refused without a message (a required key is missing or empty)");
    }
    return 1;
}

} // namespace

void AddSetupCheckCommand(CLI::App& app) {
    auto options = std::make_shared<SetupCheckOptions>();
    CLI::App* command = app.add_subcommand(
        "setup-check",
        "Read and validate an installed game's SETUP.INI exactly as the updater does. "
        "Accepted: prints the parsed fields (texts as UTF-8, lists with their disc numbers, "
        "the DirectX flags in hex) and exits 0. Refused: prints each message box the updater "
        "would show as 'CAPTION: TEXT' and exits 1.");
    command->add_option("SETUP_INI", options->path, "the SETUP.INI file")->required();
    command->add_flag("--quiet-missing", options->quietMissing,
                      "do not report missing or empty required keys, as the updater runs");
    command->callback([options] {
        const int code = RunSetupCheck(*options);
        if (code != 0) {
            throw CLI::RuntimeError(code);
        }
    });
}
