// GlobalAlloc / GlobalFree: fixed, optionally zeroed blocks that one module allocates and another
// frees, as the provider listing hands its entry array to the caller.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>

using SIZE_T = std::size_t;
using HGLOBAL = void*;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Allocates bytes of fixed memory; the handle is the block's address. GMEM_ZEROINIT clears it.
// A request for 0 bytes gives a valid, distinct block. Returns null with ERROR_NOT_ENOUGH_MEMORY
// when memory is short, and null with ERROR_INVALID_PARAMETER for GMEM_MOVEABLE or any other flag
// (movable memory is not offered: nothing here locks handles).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);

// Frees a block from GlobalAlloc; null is accepted. Returns null (success), as Windows does.
HGLOBAL GlobalFree(HGLOBAL block);
