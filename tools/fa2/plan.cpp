// fa2 plan: what an update would do to an installed game, read with the
// program's own code.
#include "tools/fa2/commands.h"
#include "tools/fa2/diagnostics.h"
#include "tools/fa2/member_name.h"
#include "tools/fa2/package_file.h"

#include "archive/extract.h"
#include "archive/package.h"
#include "platform/posix/cp932.h"
#include "platform/posix/machine.h"
#include "settings/profile.h"
#include "settings/setup_description.h"
#include "updater/services.h"
#include "updater/startup.h"
#include "updater/update_description.h"
#include "updater/update_run.h"

#include <CLI/CLI.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <random>

namespace fs = std::filesystem;

namespace {

// The plan's own scratch drive (the temporary folder) and the drive of the
// install folder given with --install-dir.
constexpr char ScratchDrive = 'T';
constexpr char InstallDrive = 'C';
constexpr const char* ScratchUpdateIni = "T:\\UPDATE.INI";
constexpr const char* ScratchSetupIni = "T:\\SETUP.INI";
constexpr const char* InstallRoot = "C:\\";

struct PlanOptions {
    std::string input;
    int mode = 0;
    std::string installDir;
    std::string setup;
};

// A fresh host folder for the extracted files, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("fa2-plan-" + std::to_string(random()));
        fs::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string Utf8(const char* cp932Text) {
    return cp932::ToUtf8Lossy(cp932Text);
}

std::string OrNone(const char* cp932Text) {
    return cp932Text[0] != 0 ? Utf8(cp932Text) : "(none)";
}

// Reports the message boxes that the program's code showed, then any message
// of the plan's own, and ends the command with exit code 1.
[[noreturn]] void Refuse(const std::string& input, const std::string& message) {
    for (const machine::MessageBoxRecord& box : machine::TheMachine().boxes) {
        PrintProblem(input, Utf8(box.caption.c_str()) + ": " + Utf8(box.text.c_str()));
    }
    if (!message.empty()) {
        PrintProblem(input, message);
    }
    throw CLI::RuntimeError(1);
}

void WriteScratchFile(const std::vector<uint8_t>& bytes, const fs::path& to) {
    std::ofstream out(to, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw ToolError(to.string(), "cannot write the scratch copy");
    }
}

bool IsPackage(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "FA2", 4) == 0;
}

// UPDATE.INI at UpdateIniPath: extracted from the package as the program does,
// or a copy of the given file.
void PrepareUpdateIni(const PlanOptions& options, std::vector<uint8_t>& package,
                      const fs::path& scratch) {
    lstrcpyA(UpdateIniPath, ScratchUpdateIni);
    std::vector<uint8_t> bytes = ReadWholeFile(options.input);
    if (!IsPackage(bytes)) {
        WriteScratchFile(bytes, scratch / "UPDATE.INI");
        return;
    }
    package = std::move(bytes);
    PackageImage.Data = package.data();
    PackageImage.Length = static_cast<DWORD>(package.size());
    PackageDirectory = OpenPackage(package.data(), PackageImage.Length);
    if (PackageDirectory == nullptr) {
        Refuse(options.input, "RESOURCE READ ERROR");
    }
    if (!ExtractPackageMember("UPDATE.INI", UpdateIniPath)) {
        Refuse(options.input, "UPDATE.INI not found at UPDATE.FA2");
    }
}

// The installed "SETUP.INI": --setup, else the one in --install-dir when
// there is one. It replaces the identity values, as in the program.
bool LoadInstalledSetup(const PlanOptions& options, const fs::path& scratch) {
    std::string setup = options.setup;
    if (setup.empty() && !options.installDir.empty() &&
        fs::exists(fs::path(options.installDir) / "SETUP.INI")) {
        setup = (fs::path(options.installDir) / "SETUP.INI").string();
    }
    if (setup.empty()) {
        return false;
    }
    WriteScratchFile(ReadWholeFile(setup), scratch / "SETUP.INI");
    lstrcpyA(SetupIniPath, ScratchSetupIni);
    if (!LoadSetupDescription()) {
        Refuse(setup, "SETUP.INI is refused");
    }
    return true;
}

std::string MemberState(const char* name) {
    if (PackageDirectory == nullptr) {
        return "not checked: no package";
    }
    const PackageEntry* entries = PackageEntries(PackageDirectory);
    for (DWORD i = 0; i < PackageDirectory->EntryCount; ++i) {
        if (SameMemberName(EntryName(entries[i]), name)) {
            return "in the package";
        }
    }
    return "MISSING from the package";
}

// What is at an install-folder path: "exists" (a file), "is a folder" or
// "absent".
std::string DestinationState(const char* destination) {
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return "absent";
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? "is a folder" : "exists";
}

void PrintField(const std::string& name, const std::string& value) {
    std::cout << name << ": " << value << '\n';
}

// Lists the entries of one list, key by key, each that applies to the
// install variant told by `describe`; returns how many apply.
int PlanList(EntryList list, const std::function<void(const char* entry)>& describe) {
    char key[TextBufferSize];
    PathBuffer value;
    int applied = 0;
    const int capacity = list == UpdateFileList ? UpdateListCapacity : CopyListCapacity;
    for (int n = 0; n < capacity; ++n) {
        const char* entry = nullptr;
        if (!ReadListEntry(list, n, key, value, entry)) {
            break;
        }
        std::cout << key << ": ";
        if (entry == nullptr) {
            std::cout << "passed over: for install variant " << value[0] << '\n';
            continue;
        }
        ++applied;
        describe(entry);
        std::cout << '\n';
    }
    return applied;
}

void DescribeUpdateEntry(const PlanOptions& options, bool overwriteOnly, const char* entry) {
    std::cout << Utf8(entry) << " -> install folder\\" << Utf8(entry);
    if (!StaysInsideFolder(entry)) {
        std::cout << ", REFUSED: leaves the install folder";
        return;
    }
    const char* name = MemberNameOf(entry);
    std::cout << ", member " << Utf8(name) << " (" << MemberState(name) << ")";
    if (!options.installDir.empty()) {
        PathBuffer destination = {};
        lstrcpyA(destination, InstallRoot);
        AppendPathComponent(destination, entry);
        const std::string state = DestinationState(destination);
        std::cout << ", destination " << state;
        if (overwriteOnly && state != "exists") {
            std::cout << ", passed over: OverwriteOnly";
        }
    }
}

void DescribeCopyEntry(bool setupLoaded, const char* entry) {
    int32_t disc = 0;
    const char* path = entry;
    if (!SplitDiscPrefix(entry, disc, path)) {
        std::cout << Utf8(entry) << ", REFUSED: no disc number";
        return;
    }
    if (!StaysInsideFolder(path)) {
        std::cout << Utf8(path) << ", REFUSED: leaves the install folder";
        return;
    }
    if (disc == 0) {
        std::cout << "from the drive of the latest disc found";
    } else {
        std::cout << "disc " << disc;
        if (setupLoaded) {
            std::cout << " (probe " << OrNone(SetupDescription.DiskCheckFile[disc]) << ")";
        }
    }
    std::cout << ": " << Utf8(path) << " -> install folder\\" << Utf8(path)
              << ", or into the install folder when a folder";
}

void RunPlan(const PlanOptions& options) {
    machine::Machine& machine = machine::TheMachine();
    machine.Reset();
    ScratchFolder scratch;
    machine.MapDrive(ScratchDrive, scratch.path());
    if (!options.installDir.empty()) {
        if (!fs::is_directory(options.installDir)) {
            throw ToolError(options.installDir, "not a folder");
        }
        machine.MapDrive(InstallDrive, options.installDir);
    }

    std::vector<uint8_t> package;
    PrepareUpdateIni(options, package, scratch.path());
    if (!ReadUpdateIdentity()) {
        Refuse(options.input, "");
    }
    MissingKeyQuiet = 1;
    ReadUpdateOnlyValues();
    InstallRecord.InstMode = options.mode;
    lstrcpyA(InstallRecord.InstPath, InstallRoot);

    PrintField("CompanyName", Utf8(SetupDescription.CompanyName));
    PrintField("GameTitle", Utf8(SetupDescription.GameTitle));
    PrintField("GameClass", Utf8(SetupDescription.GameClass));
    PrintField("GameDir", Utf8(SetupDescription.GameDir));
    PrintField("GameTitleA", OrNone(GameTitleA));
    PrintField("InstallVersion", OrNone(InstallVersion));
    PrintField("Registry key", "HKEY_CURRENT_USER\\Software\\" +
                                   Utf8(SetupDescription.CompanyName) + "\\" +
                                   Utf8(SetupDescription.GameDir));
    PrintField("InstMode", std::to_string(options.mode));

    const bool setupLoaded = LoadInstalledSetup(options, scratch.path());
    if (setupLoaded) {
        PrintField("Installed title", Utf8(SetupDescription.GameTitle));
        PrintField("Installed class", Utf8(SetupDescription.GameClass));
    }
    const uint32_t required = static_cast<uint32_t>(ReadUpdateNumber("RequiredDiskSpace"));
    PrintField("RequiredDiskSpace",
               required == 0 ? "no check" : std::to_string(required) + " bytes");
    const bool overwriteOnly = ReadUpdateNumber("OverwriteOnly") != 0;
    PrintField("OverwriteOnly", overwriteOnly ? "on" : "off");

    // Two statements: the update entries are listed before the copy entries.
    int applied = PlanList(UpdateFileList, [&](const char* entry) {
        DescribeUpdateEntry(options, overwriteOnly, entry);
    });
    applied +=
        PlanList(CopyFileList, [&](const char* entry) { DescribeCopyEntry(setupLoaded, entry); });
    ReleasePackage();
    if (applied == 0) {
        Refuse(options.input, "No 'UpdateFileXX' and 'CopyFileXX'");
    }
}

} // namespace

void AddPlanCommand(CLI::App& app) {
    auto options = std::make_shared<PlanOptions>();
    CLI::App* command = app.add_subcommand(
        "plan", "Show what an update would do for one install variant, read with the "
                "updater's own code: the identity keys of UPDATE.INI, the registry key the "
                "updater opens, the free-space requirement, OverwriteOnly, and each update "
                "and copy entry (member or disc, destination, entries passed over for another "
                "variant, entries refused because they would leave the install folder). "
                "Output is UTF-8. Exits 1 with the updater's message when nothing applies.");
    command->add_option("INPUT", options->input, "an FA2 package or an UPDATE.INI file")
        ->required();
    command->add_option("--mode", options->mode, "the install variant (InstMode)")->required();
    command->add_option("--install-dir", options->installDir,
                        "the install folder: shows what each destination is there");
    command->add_option("--setup", options->setup,
                        "the installed SETUP.INI (default: the one in --install-dir)");
    command->callback([options] { RunPlan(*options); });
}
