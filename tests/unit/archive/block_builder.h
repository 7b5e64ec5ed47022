// Hand-made FA2 blocks for the archive tests, written code by code from the
// block format, and a brute-force greedy coder to compare the writer with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace blocks {

class BlockBuilder {
  public:
    BlockBuilder& Bit(int bit) {
        if (bitsInWord_ == 32 || wordAt_ < 0) {
            wordAt_ = static_cast<long>(bytes_.size());
            bytes_.insert(bytes_.end(), 4, 0);
            bitsInWord_ = 0;
        }
        int position = 31 - bitsInWord_++;
        if (bit) {
            bytes_[wordAt_ + position / 8] |= static_cast<uint8_t>(1u << (position % 8));
        }
        return *this;
    }
    BlockBuilder& Bits(unsigned value, int count) {
        while (count-- > 0) {
            Bit((value >> count) & 1);
        }
        return *this;
    }
    BlockBuilder& Byte(unsigned value) {
        bytes_.push_back(static_cast<uint8_t>(value));
        return *this;
    }

    BlockBuilder& Literal(uint8_t byte) { return Bit(1).Byte(byte); }
    BlockBuilder& Literals(std::span<const uint8_t> data) {
        for (uint8_t byte : data) {
            Literal(byte);
        }
        return *this;
    }
    BlockBuilder& Literals(std::string_view text) {
        return Literals({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    }
    BlockBuilder& ShortMatch(unsigned distance) {
        Bits(0b01, 2);
        if (distance <= 256) {
            return Bit(0).Byte(distance - 1);
        }
        unsigned offset = distance - 257;
        return Bit(1).Byte(offset / 8).Bits(offset % 8, 3);
    }
    BlockBuilder& LongMatch(unsigned distance, unsigned length) {
        Bits(0b00, 2);
        if (distance <= 512) {
            Bit(1).Byte((distance - 1) / 2).Bits((distance - 1) % 2, 1);
        } else if (distance <= 1024) {
            Bits(0b01, 2).Byte((distance - 513) / 2).Bits((distance - 513) % 2, 1);
        } else if (distance <= 2048) {
            Bits(0b001, 3).Byte((distance - 1025) / 4).Bits((distance - 1025) % 4, 2);
        } else if (distance <= 4096) {
            Bits(0b0001, 4).Byte((distance - 2049) / 8).Bits((distance - 2049) % 8, 3);
        } else {
            Bits(0b0000, 4).Byte((distance - 4097) / 16).Bits((distance - 4097) % 16, 4);
        }
        if (length == 3) {
            return Bit(1);
        }
        if (length == 4) {
            return Bits(0b01, 2);
        }
        if (length <= 6) {
            return Bits(0b001, 3).Bits(length - 5, 1);
        }
        if (length <= 10) {
            return Bits(0b0001, 4).Bits(length - 7, 2);
        }
        if (length <= 26) {
            return Bits(0b00001, 5).Bits(length - 11, 4);
        }
        return Bits(0b00000, 5).Byte(length - 27);
    }
    // The end marker and the single 1 bit after it where the word has room.
    std::vector<uint8_t> End() {
        Bits(0b011, 3).Byte(0xFF).Bits(0b111, 3);
        if (bitsInWord_ < 32) {
            Bit(1);
        }
        return bytes_;
    }
    // The end marker alone, nothing after it.
    std::vector<uint8_t> EndBare() {
        Bits(0b011, 3).Byte(0xFF).Bits(0b111, 3);
        return bytes_;
    }

  private:
    std::vector<uint8_t> bytes_;
    long wordAt_ = -1;
    int bitsInWord_ = 0;
};

// The greedy coder by brute force: every distance is tried at every position.
inline std::vector<uint8_t> BruteForceGreedy(std::span<const uint8_t> data) {
    BlockBuilder block;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t limit = std::min<size_t>(282, data.size() - pos);
        size_t bestLength = 0;
        size_t bestDistance = 0;
        for (size_t distance = 1; distance <= std::min<size_t>(8192, pos); ++distance) {
            size_t length = 0;
            while (length < limit && data[pos - distance + length] == data[pos + length]) {
                ++length;
            }
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
            }
        }
        if (bestLength >= 3) {
            block.LongMatch(static_cast<unsigned>(bestDistance), static_cast<unsigned>(bestLength));
            pos += bestLength;
        } else if (bestLength == 2 && bestDistance <= 2303) {
            block.ShortMatch(static_cast<unsigned>(bestDistance));
            pos += 2;
        } else {
            block.Literal(data[pos]);
            pos += 1;
        }
    }
    return block.End();
}

} // namespace blocks
