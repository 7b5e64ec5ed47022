// Windows paths over the drive table.
//
// "C:\Game\a.dat" names the host file <root of drive C>/Game/a.dat. Both
// '\' and '/' separate; the scan steps over double-byte characters, so a
// trail byte 0x5C is part of its character. Empty and "." components are
// dropped and ".." goes up, as Windows normalises a full path. A path
// without a drive letter, or on a drive the machine has not mapped, names
// nothing (ERROR_PATH_NOT_FOUND); so does one of MAX_PATH characters or
// more (ERROR_FILENAME_EXCED_RANGE), as for the ANSI calls on Windows.
//
// Components are code page 932 and host names UTF-8. An existing host entry
// whose name matches without regard to the case of ASCII letters is used;
// a name that does not exist yet is taken as given.
#include "platform/posix/cp932.h"
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <string>
#include <system_error>
#include <vector>

namespace layer {
namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsInvalidInName(unsigned char c) {
    return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
           c == '*';
}

// Splits the part after "X:" into components; false when one holds a
// character that Windows refuses in names.
bool SplitComponents(std::string_view rest, std::vector<std::string>& components) {
    std::string current;
    auto finish = [&] {
        if (current == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!current.empty() && current != ".") {
            components.push_back(current);
        }
        current.clear();
    };
    for (size_t at = 0; at < rest.size();) {
        const size_t bytes = CharBytes(rest, at);
        if (bytes == 1 && IsSeparator(rest[at])) {
            finish();
        } else if (bytes == 1 && IsInvalidInName(static_cast<unsigned char>(rest[at]))) {
            return false;
        } else {
            current.append(rest.substr(at, bytes));
        }
        at += bytes;
    }
    finish();
    return true;
}

// The name of the entry in `folder` that matches `name` (exactly, else
// without regard to ASCII case); empty when there is none.
std::string FindEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder / name, error))) {
        return name;
    }
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (EqualsAsciiNoCase(entry, name)) {
            return entry;
        }
    }
    return {};
}

} // namespace

HostName ResolvePath(const char* windowsPath) {
    if (windowsPath == nullptr) {
        return {{}, ERROR_PATH_NOT_FOUND};
    }
    const std::string_view path(windowsPath);
    if (CharCount(path) >= MAX_PATH) {
        return {{}, ERROR_FILENAME_EXCED_RANGE};
    }
    const char letter = DriveOfRoot(std::string(path.substr(0, 2)).c_str());
    const auto& drives = machine::TheMachine().drives;
    const auto drive = drives.find(letter);
    if (letter == 0 || drive == drives.end()) {
        return {{}, ERROR_PATH_NOT_FOUND};
    }
    std::vector<std::string> components;
    if (!SplitComponents(path.substr(2), components)) {
        return {{}, ERROR_INVALID_NAME};
    }
    std::filesystem::path host = drive->second.root;
    bool existing = true;
    for (const std::string& component : components) {
        const auto name = cp932::ToUtf8(component);
        if (!name) {
            return {{}, ERROR_INVALID_NAME};
        }
        if (existing) {
            const std::string found = FindEntry(host, *name);
            existing = !found.empty();
            host /= existing ? found : *name;
        } else {
            host /= *name;
        }
    }
    return {host, ERROR_SUCCESS};
}

char DriveOfRoot(const char* root) {
    if (root == nullptr) {
        return 0;
    }
    const char c = root[0];
    const char letter = (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
    if (letter < 'A' || letter > 'Z' || root[1] != ':') {
        return 0;
    }
    if (root[2] == '\0' || (IsSeparator(root[2]) && root[3] == '\0')) {
        return letter;
    }
    return 0;
}

bool SameHostPath(const std::filesystem::path& a, const std::filesystem::path& b) {
    return EqualsAsciiNoCase(a.lexically_normal().generic_string(),
                             b.lexically_normal().generic_string());
}

} // namespace layer

namespace machine {

std::filesystem::path Machine::HostPath(const std::string& windowsPath) const {
    return layer::ResolvePath(windowsPath.c_str()).host;
}

} // namespace machine
