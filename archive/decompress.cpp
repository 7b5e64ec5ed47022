// The FA2 block decoder: LZ77 codes steered by 32-bit control words that are
// interleaved with the data bytes in one forward stream.
#include "archive/decompress.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr DWORD LongestMatch = 282;
// The most input one code can take: two data bytes and, since no code needs
// more than 19 control bits, at most one fresh control word.
constexpr DWORD LongestCode = 2 + 4;

enum CodeResult { CodeDone, CodeEnd, CodeFailed };

// Reading position in the block and in the output. In the checked form a read
// past the block's end yields zeros and sets overrun; the code that caused it
// is then refused before it writes anything.
struct BlockCursor {
    const BYTE* in;
    const BYTE* inEnd;
    BYTE* out;
    BYTE* outStart;
    BYTE* outEnd;
    DWORD word;   // control bits not yet taken, at the top
    int bitsLeft; // how many of them remain
    bool overrun;
};

template <bool Checked> inline DWORD LoadWord(BlockCursor& c) {
    DWORD word = 0;
    if (Checked && c.inEnd - c.in < 4) {
        c.overrun = true;
        return 0;
    }
    std::memcpy(&word, c.in, 4);
    c.in += 4;
    return word;
}

template <bool Checked> inline DWORD TakeBit(BlockCursor& c) {
    if (c.bitsLeft == 0) {
        c.word = LoadWord<Checked>(c);
        c.bitsLeft = 32;
    }
    --c.bitsLeft;
    DWORD bit = c.word >> 31;
    c.word <<= 1;
    return bit;
}

// A field of 1 to 4 bits, most significant first.
template <bool Checked> inline DWORD TakeBits(BlockCursor& c, int count) {
    if (c.bitsLeft >= count) {
        DWORD value = c.word >> (32 - count);
        c.word <<= count;
        c.bitsLeft -= count;
        return value;
    }
    DWORD value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 1) | TakeBit<Checked>(c);
    }
    return value;
}

template <bool Checked> inline DWORD TakeByte(BlockCursor& c) {
    if (Checked && c.in == c.inEnd) {
        c.overrun = true;
        return 0;
    }
    return *c.in++;
}

// Distance code of a long match: up to four selecting bits, the byte with the
// high bits of the offset within the range, then the low bits.
template <bool Checked> inline DWORD TakeLongDistance(BlockCursor& c) {
    if (TakeBit<Checked>(c)) {
        DWORD high = TakeByte<Checked>(c);
        return 1 + 2 * high + TakeBits<Checked>(c, 1);
    }
    if (TakeBit<Checked>(c)) {
        DWORD high = TakeByte<Checked>(c);
        return 513 + 2 * high + TakeBits<Checked>(c, 1);
    }
    if (TakeBit<Checked>(c)) {
        DWORD high = TakeByte<Checked>(c);
        return 1025 + 4 * high + TakeBits<Checked>(c, 2);
    }
    if (TakeBit<Checked>(c)) {
        DWORD high = TakeByte<Checked>(c);
        return 2049 + 8 * high + TakeBits<Checked>(c, 3);
    }
    DWORD high = TakeByte<Checked>(c);
    return 4097 + 16 * high + TakeBits<Checked>(c, 4);
}

template <bool Checked> inline DWORD TakeLongLength(BlockCursor& c) {
    if (TakeBit<Checked>(c)) {
        return 3;
    }
    if (TakeBit<Checked>(c)) {
        return 4;
    }
    if (TakeBit<Checked>(c)) {
        return 5 + TakeBits<Checked>(c, 1);
    }
    if (TakeBit<Checked>(c)) {
        return 7 + TakeBits<Checked>(c, 2);
    }
    if (TakeBit<Checked>(c)) {
        return 11 + TakeBits<Checked>(c, 4);
    }
    return 27 + TakeByte<Checked>(c);
}

// Appends length bytes that repeat the output distance bytes back, in the
// widest units that give the same bytes as a copy one byte at a time. Writes
// nothing past out + length.
inline void CopyMatch(BYTE* out, DWORD distance, DWORD length) {
    const BYTE* from = out - distance;
    if (distance == 1) {
        std::memset(out, from[0], length);
        return;
    }
    if (distance == 2 || distance == 3) {
        // Four bytes of the pattern, stored every `distance` bytes: for
        // distance 2 the unit holds the pattern twice, for distance 3 its
        // fourth byte is rewritten by the next store with the same value.
        BYTE unit[4] = {from[0], from[1], from[distance == 2 ? 0 : 2], from[distance == 2 ? 1 : 0]};
        DWORD step = distance == 2 ? 4 : 3;
        while (length >= 4) {
            std::memcpy(out, unit, 4);
            out += step;
            length -= step;
        }
        for (DWORD i = 0; i < length; ++i) {
            out[i] = (out - distance)[i];
        }
        return;
    }
    // Each four-byte unit reads only bytes written before it.
    while (length >= 4) {
        std::memcpy(out, out - distance, 4);
        out += 4;
        length -= 4;
    }
    for (DWORD i = 0; i < length; ++i) {
        out[i] = (out - distance)[i];
    }
}

// Decodes one code. The unchecked form relies on the caller having made sure
// that LongestCode input bytes and LongestMatch output bytes remain.
template <bool Checked> inline CodeResult DecodeCode(BlockCursor& c) {
    if (TakeBit<Checked>(c)) {
        DWORD literal = TakeByte<Checked>(c);
        if (Checked && (c.overrun || c.out == c.outEnd)) {
            return CodeFailed;
        }
        *c.out++ = static_cast<BYTE>(literal);
        return CodeDone;
    }
    DWORD distance;
    DWORD length;
    if (TakeBit<Checked>(c)) {
        length = 2;
        if (!TakeBit<Checked>(c)) {
            distance = TakeByte<Checked>(c) + 1;
        } else {
            DWORD high = TakeByte<Checked>(c);
            DWORD low = TakeBits<Checked>(c, 3);
            if (Checked && c.overrun) {
                return CodeFailed;
            }
            if (high == 0xFF && low == 7) {
                return CodeEnd;
            }
            distance = 257 + 8 * high + low;
        }
    } else {
        distance = TakeLongDistance<Checked>(c);
        length = TakeLongLength<Checked>(c);
    }
    if (Checked && (c.overrun || length > static_cast<DWORD>(c.outEnd - c.out))) {
        return CodeFailed;
    }
    if (distance > static_cast<DWORD>(c.out - c.outStart)) {
        return CodeFailed;
    }
    if (length == 2) {
        c.out[0] = c.out[-static_cast<ptrdiff_t>(distance)];
        c.out[1] = c.out[1 - static_cast<ptrdiff_t>(distance)];
    } else {
        CopyMatch(c.out, distance, length);
    }
    c.out += length;
    return CodeDone;
}

// The hot loop: while far from both ends, codes are decoded without any test
// on input or output positions; near either end every read and write is
// checked. Only the distance of each match is always compared with the output
// so far.
CodeResult DecodeBlock(BlockCursor& c) {
    for (;;) {
        while (static_cast<DWORD>(c.inEnd - c.in) >= LongestCode &&
               static_cast<DWORD>(c.outEnd - c.out) >= LongestMatch) {
            CodeResult result = DecodeCode<false>(c);
            if (result != CodeDone) {
                return result;
            }
        }
        CodeResult result = DecodeCode<true>(c);
        if (result != CodeDone) {
            return result;
        }
    }
}

} // namespace

int DecompressBlock(BYTE* destination, DWORD capacity, const BYTE* source, DWORD sourceLength,
                    DWORD* produced) {
    BlockCursor cursor = {
        source, source + sourceLength, destination, destination, destination + capacity, 0, 0,
        false};
    if (DecodeBlock(cursor) != CodeEnd) {
        return 0;
    }
    *produced = static_cast<DWORD>(cursor.out - destination);
    return 1;
}
