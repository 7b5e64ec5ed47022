// Replaces the package that a copy of the program carries.
#pragma once

#include <string>

// Copies program to output and replaces its "UPDATE" resource 102 (Japanese)
// with the bytes of payload. Returns an error text, empty on success.
std::wstring EmbedPackage(const std::wstring& program, const std::wstring& payload,
                          const std::wstring& output);
