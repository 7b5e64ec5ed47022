#include "tools/fa2/member_name.h"

#include "platform/posix/cp932.h"

#include <cstring>

std::string EntryName(const PackageEntry& entry) {
    return std::string(entry.Name, strnlen(entry.Name, PackageNameSize));
}

std::string DisplayName(std::string_view cp932Name) {
    return cp932::ToUtf8Lossy(cp932Name);
}

std::string MemberLabel(const PackageEntry& entry, size_t index) {
    const std::string name = EntryName(entry);
    return name.empty() ? "#" + std::to_string(index + 1) : DisplayName(name);
}

std::string UnsafeNameReason(std::string_view utf8Name) {
    if (utf8Name.empty()) {
        return "the name is empty";
    }
    if (utf8Name == "." || utf8Name == "..") {
        return "the name denotes a folder";
    }
    if (utf8Name.find_first_of("/\\") != std::string_view::npos) {
        return "the name contains a path separator";
    }
    if (utf8Name.find(':') != std::string_view::npos) {
        return "the name contains a drive colon";
    }
    return {};
}

bool SameMemberName(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}
