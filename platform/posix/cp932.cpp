#include "platform/posix/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace cp932 {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    // Flush any shift state (none for these encodings, but iconv wants it).
    if (rc != static_cast<size_t>(-1)) {
        rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    }
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::optional<std::string> FromUtf8(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8);
}

std::optional<std::string> ToUtf8(std::string_view sjis) {
    return Convert("UTF-8", "CP932", sjis);
}

std::string ToUtf8Lossy(std::string_view sjis) {
    if (auto whole = ToUtf8(sjis)) {
        return *whole;
    }
    std::string out;
    size_t i = 0;
    while (i < sjis.size()) {
        const auto lead = static_cast<unsigned char>(sjis[i]);
        const bool pair = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
                          i + 1 < sjis.size();
        const size_t length = pair ? 2 : 1;
        if (auto piece = ToUtf8(sjis.substr(i, length))) {
            out += *piece;
        } else {
            for (size_t k = 0; k < length; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(sjis[i + k]));
                out += hex;
            }
        }
        i += length;
    }
    return out;
}

} // namespace cp932
