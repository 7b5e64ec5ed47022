// The keys and value forms of "UPDATE.INI", the update description.
//
// Section [UPDATE] holds two lists of 16 keys each, read from number 00
// upward until the first missing or empty key:
//   UpdateFile00..15  "[v,]path"     a member written to InstPath\path
//   CopyFile00..15    "[v,][d:]path" a file or folder copied from disc d
// v is an install variant digit, d a disc digit. Values are read with
// ReadProfileString("UPDATE", key, PathBuffer, PathBufferSize, UpdateIniPath).
#pragma once

#include "platform/win32.h"

#include <cstdint>

constexpr int UpdateListCapacity = 16; // UpdateFile00 .. UpdateFile15
constexpr int CopyListCapacity = 16;   // CopyFile00 .. CopyFile15

// Key names "UpdateFile%02i" and "CopyFile%02i" for number 0..15; key is a
// 1024-byte text buffer.
void FormatUpdateFileKey(char* key, int number);
void FormatCopyFileKey(char* key, int number);

// The entry that a list value holds for the install variant (InstMode):
// a value whose second character is a comma carries a variant prefix and
// applies only when its first byte (0..255) minus '0' equals installVariant;
// it then yields the text after the comma. A value without prefix applies
// to every variant and yields the whole value. Null: the value names
// another variant and is passed over.
const char* EntryForVariant(const char* value, int32_t installVariant);

// Splits a copy entry (after any variant prefix) into its disc number and
// path. A second character ':' makes the first the disc digit: 1 and the
// disc 0..9 (0: no disc to search) with path after the colon. Without the
// prefix: 1, disc 0 and the whole entry. A character before the colon that is
// not a digit names no disc: 0, disc and path are left alone, and the entry
// must be refused.
int SplitDiscPrefix(const char* entry, int32_t& disc, const char*& path);

// The member name of an update entry's path: the part after its last
// backslash (stepping over double-byte characters, whose second byte may be
// 0x5C), or the whole path when it has none.
const char* MemberNameOf(const char* path);
