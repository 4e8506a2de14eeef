// Fixed global memory blocks on the C heap.
#include "platform/Memory.h"

#include "platform/LastError.h"

#include <cstdlib>

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~GMEM_ZEROINIT) != GMEM_FIXED) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // One byte at least, so that a zero-size request still gives a block the caller can free.
    const SIZE_T size = bytes ? bytes : 1;
    void* block = (flags & GMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
    if (!block)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    std::free(block);
    return nullptr;
}
