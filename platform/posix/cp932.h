// Conversion between code page 932 (the program's strings) and UTF-8 (host
// file names, terminal output).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cp932 {

// Empty optional when the text is not representable in the target encoding.
std::optional<std::string> FromUtf8(std::string_view utf8);
std::optional<std::string> ToUtf8(std::string_view sjis);

// For display: bytes that do not convert are shown as \xNN.
std::string ToUtf8Lossy(std::string_view sjis);

} // namespace cp932
