// The greedy FA2 block writer.
//
// At every position the writer needs the longest earlier match (at most 282
// bytes, at most 8192 back) and, among equally long ones, the nearest. Three
// indexes give exactly that without looking at every distance:
//   - a chain of earlier positions with the same 8-byte prefix: any match of
//     8 bytes or more is on it, so walking it newest first and keeping only
//     strictly longer matches yields the answer whenever one exists;
//   - otherwise a chain of positions with the same 3-byte prefix, on which
//     every match of 3 to 7 bytes lies;
//   - otherwise the newest position with the same 2-byte prefix.
// A walk stops at the window's edge or when no longer match can exist.
#include "archive/compress.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr size_t Window = 8192;
constexpr size_t LongestMatch = 282;
constexpr size_t ShortMatchReach = 2303;
constexpr size_t LongPrefix = 8;
constexpr size_t ChainSlots = 2 * Window; // ring of predecessors, larger than the window
constexpr size_t HashBits = 16;
constexpr size_t None = SIZE_MAX;

class BitStream {
  public:
    void Bit(uint32_t bit) {
        if (bitsInWord_ == 32 || wordAt_ == NoWord) {
            wordAt_ = out_.size();
            out_.insert(out_.end(), 4, 0);
            bitsInWord_ = 0;
        }
        if (bit) {
            out_[wordAt_ + 3 - bitsInWord_ / 8] |= static_cast<uint8_t>(0x80 >> (bitsInWord_ % 8));
        }
        ++bitsInWord_;
    }
    void Bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            Bit((value >> i) & 1);
        }
    }
    void Byte(uint32_t value) { out_.push_back(static_cast<uint8_t>(value)); }

    // The end marker, then a single 1 bit where the last word has room.
    std::vector<uint8_t> Finish() {
        Bits(0b011, 3);
        Byte(0xFF);
        Bits(0b111, 3);
        if (bitsInWord_ < 32) {
            Bit(1);
        }
        return std::move(out_);
    }

  private:
    static constexpr size_t NoWord = SIZE_MAX;
    std::vector<uint8_t> out_;
    size_t wordAt_ = NoWord;
    int bitsInWord_ = 0;
};

void WriteLiteral(BitStream& s, uint8_t byte) {
    s.Bit(1);
    s.Byte(byte);
}

void WriteShortMatch(BitStream& s, size_t distance) {
    s.Bits(0b01, 2);
    if (distance <= 256) {
        s.Bit(0);
        s.Byte(static_cast<uint32_t>(distance - 1));
    } else {
        size_t offset = distance - 257;
        s.Bit(1);
        s.Byte(static_cast<uint32_t>(offset >> 3));
        s.Bits(offset & 7, 3);
    }
}

void WriteLongMatch(BitStream& s, size_t distance, size_t length) {
    struct Range {
        size_t first;
        int selectors; // zero bits before the closing 1 (none for the last range)
        int lowBits;
    };
    static constexpr Range ranges[] = {
        {1, 0, 1}, {513, 1, 1}, {1025, 2, 2}, {2049, 3, 3}, {4097, 4, 4}};
    s.Bits(0b00, 2);
    const Range* range = &ranges[4];
    for (const Range& r : ranges) {
        if (distance < r.first + (size_t{256} << r.lowBits)) {
            range = &r;
            break;
        }
    }
    size_t offset = distance - range->first;
    s.Bits(0, range->selectors);
    if (range->selectors < 4) {
        s.Bit(1);
    }
    s.Byte(static_cast<uint32_t>(offset >> range->lowBits));
    s.Bits(static_cast<uint32_t>(offset & ((1u << range->lowBits) - 1)), range->lowBits);

    if (length == 3) {
        s.Bit(1);
    } else if (length == 4) {
        s.Bits(0b01, 2);
    } else if (length <= 6) {
        s.Bits(0b001, 3);
        s.Bits(static_cast<uint32_t>(length - 5), 1);
    } else if (length <= 10) {
        s.Bits(0b0001, 4);
        s.Bits(static_cast<uint32_t>(length - 7), 2);
    } else if (length <= 26) {
        s.Bits(0b00001, 5);
        s.Bits(static_cast<uint32_t>(length - 11), 4);
    } else {
        s.Bits(0, 5);
        s.Byte(static_cast<uint32_t>(length - 27));
    }
}

struct Match {
    size_t length = 0;
    size_t distance = 0;
};

class MatchFinder {
  public:
    explicit MatchFinder(std::span<const uint8_t> data)
        : data_(data), longHead_(size_t{1} << HashBits, None),
          shortHead_(size_t{1} << HashBits, None), pairLast_(size_t{1} << 16, None),
          longPrev_(ChainSlots, None), shortPrev_(ChainSlots, None) {}

    // The longest match at pos (nearest among equals); every earlier position
    // must have been added.
    Match Find(size_t pos) const {
        size_t limit = std::min(LongestMatch, data_.size() - pos);
        // A shorter result of a walk comes from a hash collision and is
        // dropped: the next index finds every match of that length.
        if (limit >= LongPrefix) {
            Match best = WalkChain(longHead_[LongHash(pos)], longPrev_, pos, limit);
            if (best.length >= LongPrefix) {
                return best;
            }
            // No match reaches 8 bytes, so one of 7 cannot be beaten.
            limit = LongPrefix - 1;
        }
        if (limit >= 3) {
            Match best = WalkChain(shortHead_[ShortHash(pos)], shortPrev_, pos, limit);
            if (best.length >= 3) {
                return best;
            }
        }
        if (limit >= 2) {
            size_t last = pairLast_[Pair(pos)];
            if (last != None && pos - last <= Window) {
                return {2, pos - last};
            }
        }
        return {};
    }

    void Add(size_t pos) {
        size_t left = data_.size() - pos;
        if (left >= LongPrefix) {
            Link(longHead_[LongHash(pos)], longPrev_, pos);
        }
        if (left >= 3) {
            Link(shortHead_[ShortHash(pos)], shortPrev_, pos);
        }
        if (left >= 2) {
            pairLast_[Pair(pos)] = pos;
        }
    }

  private:
    static void Link(size_t& head, std::vector<size_t>& prev, size_t pos) {
        prev[pos % ChainSlots] = head;
        head = pos;
    }

    Match WalkChain(size_t candidate, const std::vector<size_t>& prev, size_t pos,
                    size_t limit) const {
        const uint8_t* here = data_.data() + pos;
        Match best;
        while (candidate != None && pos - candidate <= Window) {
            const uint8_t* there = data_.data() + candidate;
            // Only a match longer than the best so far can replace it.
            if (there[best.length] == here[best.length]) {
                size_t length = CommonLength(there, here, limit);
                if (length > best.length) {
                    best = {length, pos - candidate};
                    if (length == limit) {
                        break;
                    }
                }
            }
            candidate = prev[candidate % ChainSlots];
        }
        return best;
    }

    static size_t CommonLength(const uint8_t* a, const uint8_t* b, size_t limit) {
        size_t n = 0;
        while (n + 8 <= limit) {
            uint64_t x, y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) {
                return n + std::countr_zero(x ^ y) / 8;
            }
            n += 8;
        }
        while (n < limit && a[n] == b[n]) {
            ++n;
        }
        return n;
    }

    size_t Pair(size_t pos) const { return data_[pos] | data_[pos + 1] << 8; }
    size_t ShortHash(size_t pos) const {
        uint32_t v = data_[pos] | data_[pos + 1] << 8 | data_[pos + 2] << 16;
        return (v * 2654435761u) >> (32 - HashBits);
    }
    size_t LongHash(size_t pos) const {
        uint64_t v;
        std::memcpy(&v, data_.data() + pos, 8);
        return static_cast<size_t>((v * 0x9E3779B97F4A7C15ull) >> (64 - HashBits));
    }

    std::span<const uint8_t> data_;
    std::vector<size_t> longHead_, shortHead_, pairLast_;
    std::vector<size_t> longPrev_, shortPrev_;
};

} // namespace

std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data) {
    BitStream stream;
    MatchFinder finder(data);
    size_t pos = 0;
    while (pos < data.size()) {
        Match match = finder.Find(pos);
        size_t step = 1;
        if (match.length >= 3) {
            WriteLongMatch(stream, match.distance, match.length);
            step = match.length;
        } else if (match.length == 2 && match.distance <= ShortMatchReach) {
            WriteShortMatch(stream, match.distance);
            step = 2;
        } else {
            WriteLiteral(stream, data[pos]);
        }
        for (size_t end = pos + step; pos < end; ++pos) {
            finder.Add(pos);
        }
    }
    return stream.Finish();
}
