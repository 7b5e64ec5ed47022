// wsprintfA / wvsprintfA with the platform's rules: conversions %s %c %d %i
// %u %x %X and %%, the flags '-', '0' and '#' (0x before hex digits, not
// counted in the width), a
// width and a precision; the size prefixes 'l' and 'h' are accepted and
// change nothing (every number is a 32-bit int); no floating point. A null
// %s argument prints "(null)"; an unknown conversion prints its letter.
// Padding of %s and %c is always blanks. The output stops at 1023
// characters and the terminator; the result is the count written, or 1024
// when the output filled the buffer, as the platform reports it.
#include "platform/win32.h"

#include <cstring>

namespace {

constexpr size_t OutputLimit = 1024;

class Output {
  public:
    explicit Output(char* buffer) : buffer_(buffer) {}
    void Put(char c) {
        if (length_ < OutputLimit - 1) {
            buffer_[length_++] = c;
        }
    }
    void Repeat(char c, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            Put(c);
        }
    }
    int Finish() {
        buffer_[length_] = '\0';
        return length_ == OutputLimit - 1 ? static_cast<int>(OutputLimit)
                                          : static_cast<int>(length_);
    }

  private:
    char* buffer_;
    size_t length_ = 0;
};

struct Conversion {
    bool left = false;
    bool zero = false;
    bool prefix = false; // '#'
    size_t width = 0;
    int precision = -1;
    char type = 0;
};

// Parses the conversion after '%'; returns the position after it.
const char* ParseConversion(const char* p, Conversion& conversion) {
    for (;; ++p) {
        if (*p == '-') {
            conversion.left = true;
        } else if (*p == '0') {
            conversion.zero = true;
        } else if (*p == '#') {
            conversion.prefix = true;
        } else {
            break;
        }
    }
    while (*p >= '0' && *p <= '9') {
        conversion.width = conversion.width * 10 + static_cast<size_t>(*p++ - '0');
    }
    if (*p == '.') {
        conversion.precision = 0;
        for (++p; *p >= '0' && *p <= '9'; ++p) {
            conversion.precision = conversion.precision * 10 + (*p - '0');
        }
    }
    if (*p == 'h' || *p == 'l') {
        ++p;
    }
    conversion.type = *p;
    return *p != '\0' ? p + 1 : p;
}

// Writes text padded to the width; with zero padding the first `signLength`
// characters (a sign) stay in front of the zeros.
void Emit(Output& out, const Conversion& conversion, const char* text, size_t length,
          size_t signLength) {
    const size_t pad = conversion.width > length ? conversion.width - length : 0;
    if (conversion.left) {
        for (size_t i = 0; i < length; ++i) {
            out.Put(text[i]);
        }
        out.Repeat(' ', pad);
        return;
    }
    if (conversion.zero) {
        for (size_t i = 0; i < signLength; ++i) {
            out.Put(text[i]);
        }
        out.Repeat('0', pad);
        for (size_t i = signLength; i < length; ++i) {
            out.Put(text[i]);
        }
        return;
    }
    out.Repeat(' ', pad);
    for (size_t i = 0; i < length; ++i) {
        out.Put(text[i]);
    }
}

void EmitNumber(Output& out, const Conversion& conversion, va_list& arguments) {
    const bool isSigned = conversion.type == 'd' || conversion.type == 'i';
    uint32_t magnitude = 0;
    bool negative = false;
    if (isSigned) {
        const int32_t value = va_arg(arguments, int32_t);
        negative = value < 0;
        magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    } else {
        magnitude = va_arg(arguments, uint32_t);
    }
    const unsigned base = (conversion.type == 'x' || conversion.type == 'X') ? 16 : 10;
    const char* digits = conversion.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    size_t count = 0;
    do {
        reversed[count++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    char text[48];
    size_t length = 0;
    size_t signLength = 0;
    if (negative) {
        text[length++] = '-';
        signLength = 1;
    } else if (conversion.prefix && base == 16) {
        text[length++] = '0';
        text[length++] = conversion.type;
        signLength = 2;
    }
    for (int i = static_cast<int>(count); i < conversion.precision && length < 32; ++i) {
        text[length++] = '0';
    }
    while (count > 0) {
        text[length++] = reversed[--count];
    }
    // The width counts the digits and sign, not the 0x prefix.
    Conversion padded = conversion;
    if (conversion.prefix && base == 16 && !negative) {
        padded.width += 2;
    }
    Emit(out, padded, text, length, signLength);
}

void EmitString(Output& out, const Conversion& conversion, const char* text) {
    if (text == nullptr) {
        text = "(null)";
    }
    size_t length = std::strlen(text);
    if (conversion.precision >= 0 && static_cast<size_t>(conversion.precision) < length) {
        length = static_cast<size_t>(conversion.precision);
    }
    Conversion padded = conversion;
    padded.zero = false;
    Emit(out, padded, text, length, 0);
}

} // namespace

int wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
    Output out(buffer);
    va_list args;
    va_copy(args, arguments);
    for (const char* p = format; *p != '\0';) {
        if (*p != '%') {
            out.Put(*p++);
            continue;
        }
        Conversion conversion;
        p = ParseConversion(p + 1, conversion);
        switch (conversion.type) {
        case 's':
            EmitString(out, conversion, va_arg(args, const char*));
            break;
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            Conversion padded = conversion;
            padded.zero = false;
            Emit(out, padded, &c, 1, 0);
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            EmitNumber(out, conversion, args);
            break;
        case '\0':
            break;
        default:
            out.Put(conversion.type); // "%%" and unknown conversions print the letter
            break;
        }
    }
    va_end(args);
    return out.Finish();
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = wvsprintfA(buffer, format, arguments);
    va_end(arguments);
    return written;
}
