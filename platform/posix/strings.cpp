// The ANSI string calls for code page 932.
//
// lstrcmpiA folds the case of single-byte letters only and steps over
// double-byte pairs, so a trail byte that equals a letter is compared as it
// is. Its order follows the platform's for ASCII text: end of text first,
// then symbols, digits, letters (without regard to case); characters beyond
// ASCII come last, by their codes.
#include "platform/posix/layer.h"

#include <cstring>

namespace layer {
namespace {

unsigned char Lower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool IsLetter(unsigned char byte) {
    return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
}

// Sort weight of the character at text[at] (beyond the end: 0).
uint32_t Weight(std::string_view text, size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    const auto byte = static_cast<unsigned char>(text[at]);
    if (CharBytes(text, at) == 2) {
        return 0x50000u | (static_cast<uint32_t>(byte) << 8) |
               static_cast<unsigned char>(text[at + 1]);
    }
    if (IsLetter(byte)) {
        return 0x30000u | Lower(byte);
    }
    if (byte >= '0' && byte <= '9') {
        return 0x20000u | byte;
    }
    if (byte < 0x80) {
        return 0x10000u | byte;
    }
    return 0x40000u | byte;
}

} // namespace

bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t CharBytes(std::string_view text, size_t at) {
    return IsLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

size_t CharCount(std::string_view text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at += CharBytes(text, at)) {
        ++count;
    }
    return count;
}

bool EndsInBackslash(std::string_view text) {
    size_t last = text.size();
    for (size_t at = 0; at < text.size(); at += CharBytes(text, at)) {
        last = at;
    }
    return last < text.size() && CharBytes(text, last) == 1 && text[last] == '\\';
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() || j < b.size()) {
        const uint32_t left = Weight(a, i);
        const uint32_t right = Weight(b, j);
        if (left != right) {
            return left < right ? -1 : 1;
        }
        // Equal weights are not 0 here, so both positions lie within their texts.
        i += CharBytes(a, i);
        j += CharBytes(b, j);
    }
    return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

} // namespace layer

LPSTR lstrcpyA(LPSTR destination, LPCSTR source) {
    if (destination == nullptr || source == nullptr) {
        return nullptr;
    }
    return std::strcpy(destination, source);
}

LPSTR lstrcatA(LPSTR destination, LPCSTR source) {
    if (destination == nullptr || source == nullptr) {
        return nullptr;
    }
    return std::strcat(destination, source);
}

int lstrlenA(LPCSTR text) {
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
    if (a == nullptr || b == nullptr) {
        return a == b ? 0 : (a == nullptr ? -1 : 1);
    }
    return layer::CompareNoCase(a, b);
}

BOOL IsDBCSLeadByte(BYTE byte) {
    return layer::IsLead(byte) ? TRUE : FALSE;
}
