#include "tools/fa2/block_length.h"

#include "archive/decompress.h"

#include <vector>

uint64_t MostDecodedBytes(uint64_t storedLength) {
    return storedLength * 8 / 25 * 282;
}

DWORD DecodedBlockLength(const BYTE* block, DWORD available, DWORD capacity) {
    // The decoder fails exactly when the block it is given ends before the
    // end marker, so the shortest length that decodes is the block's length.
    std::vector<BYTE> scratch(capacity + 1);
    DWORD produced = 0;
    const auto decodes = [&](DWORD length) {
        return DecompressBlock(scratch.data(), capacity, block, length, &produced) == 1;
    };
    if (available == 0 || !decodes(available - 1)) {
        return available;
    }
    DWORD tooShort = 0;
    DWORD enough = available - 1;
    while (enough - tooShort > 1) {
        const DWORD middle = tooShort + (enough - tooShort) / 2;
        if (decodes(middle)) {
            enough = middle;
        } else {
            tooShort = middle;
        }
    }
    return enough;
}
