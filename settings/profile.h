// Profile (INI) values, integers and list tokens with their disc prefix.
#pragma once

#include "updater/services.h"

#include <cstdint>

// The installed "SETUP.INI": install folder joined with "SETUP.INI".
extern PathBuffer SetupIniPath;
// Nonzero: a missing or empty key is not reported.
extern int MissingKeyQuiet;
// Disc number of the latest disc prefix that NextListToken took.
extern int32_t DiscIndex;

// Error box with caption "INSTCMMN".
int ShowSetupError(const char* text);
int IsListDelimiter(BYTE byte);
// Section [SETUP] of SetupIniPath. 1 for a non-empty value.
int ReadSetupString(const char* key, char* buffer, DWORD size);
int ReadProfileString(const char* section, const char* key, char* buffer, DWORD size,
                      const char* file);
// A profile value as a number: leading blanks, one sign, then decimal digits
// up to the first other character; no digits give 0, a number beyond the
// signed 32-bit range gives that range's bound.
int32_t ProfileNumber(const char* text);
// ProfileNumber of the value; out is written only when the value is there.
int ReadSetupInteger(const char* key, int32_t& out);
// Stores the next token into token, a PathBuffer, and advances cursor past
// its delimiter; 0 at the end of the list (the value's NUL or an empty item).
// Blanks before a token are skipped; "d:" before it sets DiscIndex to the
// digit d (0 for any other character). A token longer than 259 bytes is cut
// there, never inside a double-byte character, and the rest of it skipped.
// After the last token the cursor stays on the value's NUL, so nothing past
// the value is ever read.
int NextListToken(char* token, char*& cursor);
