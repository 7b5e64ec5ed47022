// Key names and value prefixes of "UPDATE.INI".
#include "updater/update_description.h"

void FormatUpdateFileKey(char* key, int number) {
    wsprintfA(key, "UpdateFile%02i", number);
}

void FormatCopyFileKey(char* key, int number) {
    wsprintfA(key, "CopyFile%02i", number);
}

const char* EntryForVariant(const char* value, int32_t installVariant) {
    if (value[0] == '\0' || value[1] != ',') {
        return value;
    }
    return static_cast<BYTE>(value[0]) - '0' == installVariant ? value + 2 : nullptr;
}

int SplitDiscPrefix(const char* entry, int32_t& disc, const char*& path) {
    if (entry[0] == '\0' || entry[1] != ':') {
        disc = 0;
        path = entry;
        return 1;
    }
    if (entry[0] < '0' || entry[0] > '9') {
        return 0;
    }
    disc = entry[0] - '0';
    path = entry + 2;
    return 1;
}

const char* MemberNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') {
            name = p + 1;
        } else if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
            ++p;
        }
    }
    return name;
}
