// GetPrivateProfileStringA with the platform reader's rules.
//
// - The file is read as code page 932 text; lines end in LF or CR LF. CR,
//   space and tab are blanks.
// - Leading and trailing blanks of a line are ignored. A line whose first
//   character is ';' is a comment.
// - A line that starts with '[' and has a ']' starts a section named by the
//   text between '[' and the last ']', its blanks trimmed. A '[' line without ']'
//   is an ordinary line.
// - Any other line is a key: the text before the first '=' with its blanks
//   trimmed; the value is the text after it with its blanks trimmed. A line
//   without '=' is a key without a value, which reads as the default.
// - The section argument (blanks trimmed) and the key argument (blanks
//   trimmed) are compared without regard to the case of single-byte letters.
//   Only the first section of that name is searched, and the first key of
//   that name in it is taken.
// - The default has its trailing spaces removed.
// - One pair of matching quotes (' or ") around the value or the default,
//   at least two characters long, is removed.
// - The text is copied cut to size - 1 bytes, never in the middle of a
//   double-byte character, and NUL-terminated. The result is its length,
//   or size - 1 when it was cut.
// - A missing file, section or key gives the default. Other code page 932
//   bytes pass through unchanged.
//
// Listing sections or keys (a null section or key) is not provided: the
// result is 0 with an empty list.
#include "platform/posix/layer.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Position of the last ']' that is a character of its own, or npos.
size_t LastCloseBracket(std::string_view line) {
    size_t found = std::string_view::npos;
    for (size_t at = 0; at < line.size(); at += layer::CharBytes(line, at)) {
        if (line[at] == ']' && layer::CharBytes(line, at) == 1) {
            found = at;
        }
    }
    return found;
}

enum class Lookup { NoKey, KeyWithoutValue, Value };

// Finds the key in the first section of that name.
Lookup FindValue(std::string_view contents, std::string_view section, std::string_view key,
                 std::string_view& value) {
    bool inSection = false;
    bool sectionSeen = false;
    while (!contents.empty()) {
        const size_t end = contents.find('\n');
        const std::string_view line = Trim(contents.substr(0, end));
        contents = end == std::string_view::npos ? std::string_view{} : contents.substr(end + 1);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = LastCloseBracket(line);
            if (close != std::string_view::npos) {
                if (sectionSeen) {
                    return Lookup::NoKey;
                }
                inSection = layer::EqualsNoCase(Trim(line.substr(1, close - 1)), section);
                sectionSeen = inSection;
                continue;
            }
        }
        if (!inSection) {
            continue;
        }
        const size_t equals = line.find('=');
        if (!layer::EqualsNoCase(Trim(line.substr(0, equals)), key)) {
            continue;
        }
        if (equals == std::string_view::npos) {
            return Lookup::KeyWithoutValue;
        }
        value = Trim(line.substr(equals + 1));
        return Lookup::Value;
    }
    return Lookup::NoKey;
}

std::optional<std::string> ReadFileText(LPCSTR fileName) {
    const layer::HostName path = layer::ResolvePath(fileName);
    if (path.host.empty()) {
        return std::nullopt;
    }
    std::ifstream file(path.host, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    buffer[0] = '\0';
    if (section == nullptr || key == nullptr) {
        if (size > 1) {
            buffer[1] = '\0';
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string_view text = defaultValue == nullptr ? "" : defaultValue;
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    const std::optional<std::string> contents = ReadFileText(fileName);
    if (!contents) {
        SetLastError(ERROR_FILE_NOT_FOUND);
    } else {
        std::string_view value;
        if (FindValue(*contents, Trim(section), Trim(key), value) == Lookup::Value) {
            text = value;
        }
    }
    text = Unquote(text);
    size_t length = 0;
    while (length < text.size()) {
        const size_t bytes = layer::CharBytes(text, length);
        if (length + bytes > size - 1) {
            break;
        }
        length += bytes;
    }
    text.copy(buffer, length);
    buffer[length] = '\0';
    return length < text.size() ? size - 1 : static_cast<DWORD>(length);
}
