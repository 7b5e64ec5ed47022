// Reads a table of profile files through GetPrivateProfileStringA and prints
// one line per case: name, returned count, value bytes in hex within []. Built for
// Windows (run under Wine) and natively (the posix layer); run.sh compares
// the two outputs.
#include "platform/win32.h"

#if !defined(_WIN32)
#include "platform/posix/machine.h"
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct ProfileCase {
    const char* name;
    std::string text; // the file's bytes
    const char* section;
    const char* key;
    DWORD size;
};

const std::string Long(300, 'x');

// "\x90\xaf\x8b\xf3\x82\xcc\x96\xf1\x91\xa9" is 星空の約束 in code page 932;
// "\x95\x5c" is 表, whose trail byte is a backslash.
const ProfileCase Cases[] = {
    {"plain", "[S]\r\nKey=Value\r\n", "S", "Key", 260},
    {"case-blind", "[setup]\r\nkey=v\r\n", "SETUP", "KEY", 260},
    {"blanks", "[S]\r\n  Key  =  spaced value  \r\n", "S", "Key", 260},
    {"tabs", "[S]\r\n\tKey\t=\tvalue\t\r\n", "S", "Key", 260},
    {"double-quotes", "[S]\r\nKey=\"quoted value\"\r\n", "S", "Key", 260},
    {"single-quotes", "[S]\r\nKey='single'\r\n", "S", "Key", 260},
    {"open-quote", "[S]\r\nKey=\"open\r\n", "S", "Key", 260},
    {"inner-quotes", "[S]\r\nKey=a\"b\"c\r\n", "S", "Key", 260},
    {"comment-line", "[S]\r\n;Key=commented\r\nKey=real\r\n", "S", "Key", 260},
    {"semicolon-in-value", "[S]\r\nKey=value ; more\r\n", "S", "Key", 260},
    {"repeated-key", "[S]\r\nKey=first\r\nKey=second\r\n", "S", "Key", 260},
    {"repeated-section", "[S]\r\nA=1\r\n[S]\r\nKey=second\r\n", "S", "Key", 260},
    {"long-value", "[S]\r\nKey=" + Long + "\r\n", "S", "Key", 260},
    {"small-buffer", "[S]\r\nKey=abcdefgh\r\n", "S", "Key", 5},
    {"shift-jis", "[S]\r\nKey=\x90\xaf\x8b\xf3\x82\xcc\x96\xf1\x91\xa9\r\n", "S", "Key", 260},
    {"trail-backslash", "[S]\r\nKey=C:\\\x95\x5c\r\n", "S", "Key", 260},
    {"missing-section", "[S]\r\nKey=v\r\n", "NONE", "Key", 260},
    {"missing-key", "[S]\r\nKey=v\r\n", "S", "Other", 260},
    {"empty-value", "[S]\r\nKey=\r\n", "S", "Key", 260},
    {"no-final-newline", "[S]\r\nKey=last", "S", "Key", 260},
    {"lf-lines", "[S]\nKey=lf\n", "S", "Key", 260},
    {"indented-section", "  [S]  \r\nKey=v\r\n", "S", "Key", 260},
    {"key-without-equals", "[S]\r\nKey\r\n", "S", "Key", 260},
    {"blank-section-name", "[ S ]\r\nKey=v\r\n", "S", "Key", 260},
};

} // namespace

int main() {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "profile-probe";
    std::filesystem::create_directories(folder);
#if defined(_WIN32)
    const std::string windowsFolder = folder.string();
#else
    machine::TheMachine().MapDrive('C', folder);
    const std::string windowsFolder = "C:";
#endif
    for (const ProfileCase& c : Cases) {
        std::ofstream(folder / "CASE.INI", std::ios::binary) << c.text;
        std::string path = windowsFolder + "\\CASE.INI";
        char value[1024];
        std::fill(std::begin(value), std::end(value), '\x7f');
        DWORD count = GetPrivateProfileStringA(c.section, c.key, "", value, c.size, path.c_str());
        std::printf("%s\t%lu\t[", c.name, static_cast<unsigned long>(count));
        for (DWORD i = 0; i < count && i < sizeof value; ++i)
            std::printf("%02x", static_cast<unsigned char>(value[i]));
        std::printf("]\n");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
