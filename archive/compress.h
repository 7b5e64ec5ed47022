// The FA2 block writer (tools and tests only; never linked into the updater).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The greedy block: at each position the longest match (at most 282 bytes)
// over every distance up to 8192, the smallest distance among equals, 2-byte
// matches only as short matches (distance <= 2303), the end marker, and the
// single 1 bit after it where the last control word has room.
std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data);
