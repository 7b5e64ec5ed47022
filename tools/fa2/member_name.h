// Member names: code page 932 in the package, UTF-8 on the host.
#pragma once

#include "archive/package.h"

#include <string>
#include <string_view>

// The name's bytes up to its NUL (all 15 when there is none).
std::string EntryName(const PackageEntry& entry);

// How messages name the entry at index (counted from 0): its name in UTF-8,
// or "#n" (counted from 1) when the name is empty.
std::string MemberLabel(const PackageEntry& entry, size_t index);

// UTF-8 for messages and listings; bytes that do not convert show as \xNN.
std::string DisplayName(std::string_view cp932Name);

// Why the name cannot be a plain file name inside a target folder, or empty
// when it can. Checked on the UTF-8 form, where no byte of a multi-byte
// character can be mistaken for '/', '\\' or ':'.
std::string UnsafeNameReason(std::string_view utf8Name);

// The program's lookup rule: whole names, case-blind for single-byte letters.
bool SameMemberName(const std::string& a, const std::string& b);
