// DecompressBlock on arbitrary blocks: the first two bytes give the output
// capacity, the rest is the block.
#include "archive/decompress.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    DWORD capacity = data[0] | data[1] << 8;
    // Exactly sized heap copies, so that any access past them is caught.
    std::vector<BYTE> block(data + 2, data + size);
    std::vector<BYTE> out(capacity);
    DWORD produced = 0;
    if (!DecompressBlock(out.data(), capacity, block.data(), static_cast<DWORD>(block.size()),
                         &produced)) {
        return 0;
    }
    if (produced > capacity) {
        std::abort();
    }
    // The same block fits a destination of exactly its decoded length and
    // decodes to the same bytes; one byte less is refused.
    std::vector<BYTE> exact(produced);
    DWORD again = 0;
    if (!DecompressBlock(exact.data(), produced, block.data(), static_cast<DWORD>(block.size()),
                         &again) ||
        again != produced || std::memcmp(exact.data(), out.data(), produced) != 0) {
        std::abort();
    }
    if (produced > 0) {
        std::vector<BYTE> small(produced - 1);
        if (DecompressBlock(small.data(), produced - 1, block.data(),
                            static_cast<DWORD>(block.size()), &again)) {
            std::abort();
        }
    }
    return 0;
}
