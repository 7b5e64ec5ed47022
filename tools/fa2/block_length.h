// Facts about compressed blocks that the decoder does not report directly.
#pragma once

#include "platform/win32.h"

#include <cstdint>

// The most bytes a block of storedLength bytes can decode to: the cheapest
// code, a 282-byte match, costs 9 control bits and 2 data bytes.
uint64_t MostDecodedBytes(uint64_t storedLength);

// How many bytes of the block the decoder reads up to and including its end
// marker. The block must decode within available bytes and capacity.
DWORD DecodedBlockLength(const BYTE* block, DWORD available, DWORD capacity);
