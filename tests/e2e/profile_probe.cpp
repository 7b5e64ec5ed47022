// Reads the profile reader's table of cases through GetPrivateProfileStringA
// and prints one line per case: name, returned count, value bytes in hex
// within []. Built for Windows (run under Wine) and natively (the posix
// layer); run.sh compares the two outputs.
#include "platform/win32.h"
#include "tests/unit/platform/profile_cases.h"

#if !defined(_WIN32)
#include "platform/posix/machine.h"
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "profile-probe";
    std::filesystem::create_directories(folder);
#if defined(_WIN32)
    const std::string windowsFolder = folder.string();
#else
    machine::TheMachine().MapDrive('C', folder);
    const std::string windowsFolder = "C:";
#endif
    const std::filesystem::path file = folder / "CASE.INI";
    const std::string path = windowsFolder + "\\CASE.INI";
    for (const ProfileCase& c : ProfileCases) {
        std::filesystem::remove(file);
        if (c.file != nullptr) {
            std::ofstream(file, std::ios::binary) << c.file;
        }
        // Zero-filled as the program's own reads do: a value cut inside a
        // double-byte character leaves that byte unwritten on Windows.
        char value[1024] = {};
        DWORD count =
            GetPrivateProfileStringA(c.section, c.key, c.defaultValue, value, c.size, path.c_str());
        std::printf("%s\t%lu\t[", c.name, static_cast<unsigned long>(count));
        for (DWORD i = 0; i < count && i < sizeof value; ++i)
            std::printf("%02x", static_cast<unsigned char>(value[i]));
        std::printf("]\n");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
