// Single values from profile files, integers, and list tokens.
#include "settings/profile.h"

#include <climits>
#include <cstdlib>
#include <cstring>

PathBuffer SetupIniPath;
int MissingKeyQuiet = 0;
int32_t DiscIndex = 0;

int ShowSetupError(const char* text) {
    return MessageBoxA(WizardWindow, text, "INSTCMMN", MB_ICONERROR);
}

int IsListDelimiter(BYTE byte) {
    return byte == '\0' || byte == '\n' || byte == '\r' || byte == ',' ? 1 : 0;
}

// Reads the value into the zero-filled buffer; 1 when it is not empty.
static int ReadValue(const char* section, const char* key, char* buffer, DWORD size,
                     const char* file) {
    memset(buffer, 0, size);
    return GetPrivateProfileStringA(section, key, "", buffer, size, file) != 0 ? 1 : 0;
}

int ReadSetupString(const char* key, char* buffer, DWORD size) {
    if (ReadValue("SETUP", key, buffer, size, SetupIniPath)) {
        return 1;
    }
    if (!MissingKeyQuiet) {
        char message[TextBufferSize];
        wsprintfA(message, "SETUP.INI : %s キーが存在しません", key);
        ShowSetupError(message);
    }
    return 0;
}

int ReadProfileString(const char* section, const char* key, char* buffer, DWORD size,
                      const char* file) {
    if (ReadValue(section, key, buffer, size, file)) {
        return 1;
    }
    if (!MissingKeyQuiet) {
        char message[TextBufferSize];
        wsprintfA(message, "%s : %s キーが存在しません", section, key);
        ShowSetupError(message);
    }
    return 0;
}

int32_t ProfileNumber(const char* text) {
    long long value = strtoll(text, nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

int ReadSetupInteger(const char* key, int32_t& out) {
    char text[20];
    if (!ReadSetupString(key, text, sizeof text)) {
        return 0;
    }
    out = ProfileNumber(text);
    return 1;
}

int NextListToken(char* token, char*& cursor) {
    while (*cursor == ' ') {
        ++cursor;
    }
    if (IsListDelimiter(static_cast<BYTE>(*cursor))) {
        return 0;
    }

    if (cursor[1] == ':') {
        DiscIndex = *cursor >= '0' && *cursor <= '9' ? *cursor - '0' : 0;
        cursor += 2;
    }

    // Copy up to the delimiter. A token longer than the slot is cut at the
    // slot, before any double-byte character that would not fit whole; the
    // rest of it is passed over.
    int stored = 0;
    int full = 0;
    while (!IsListDelimiter(static_cast<BYTE>(*cursor))) {
        int width = IsDBCSLeadByte(static_cast<BYTE>(*cursor)) &&
                            !IsListDelimiter(static_cast<BYTE>(cursor[1]))
                        ? 2
                        : 1;
        if (!full && stored + width <= PathBufferSize - 1) {
            memcpy(token + stored, cursor, width);
            stored += width;
        } else {
            full = 1;
        }
        cursor += width;
    }
    token[stored] = '\0';

    // The delimiter is consumed, except the value's terminating NUL: the
    // cursor stays on it, so the next call ends the list without reading
    // past the value's buffer.
    if (*cursor != '\0') {
        ++cursor;
    }
    return 1;
}
