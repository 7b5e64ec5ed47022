// The global allocator: fixed blocks from malloc. The layer keeps the live
// blocks so that a stray GlobalFree fails as on Windows instead of corrupting
// the heap, and so that Machine::Reset can free what a test leaked.
#include "platform/posix/layer.h"
#include "platform/posix/machine.h"

#include <cstdlib>
#include <set>

namespace {
std::set<void*>& LiveBlocks() {
    static std::set<void*> blocks;
    return blocks;
}
} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto& machine = machine::TheMachine();
    if (flags != GMEM_FIXED) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (machine.globalAllocLimit && bytes > *machine.globalAllocLimit) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    LiveBlocks().insert(block);
    ++machine.globalBlocksInUse;
    return block;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (memory == nullptr) {
        return nullptr;
    }
    if (LiveBlocks().erase(memory) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;
    }
    std::free(memory);
    --machine::TheMachine().globalBlocksInUse;
    return nullptr;
}

namespace layer {

void FreeAllGlobalBlocks() {
    for (void* block : LiveBlocks()) {
        std::free(block);
    }
    LiveBlocks().clear();
}

} // namespace layer
