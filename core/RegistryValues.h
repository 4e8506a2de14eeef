// Typed reads and writes of single registry values in the stored forms of the tray program:
// little-endian numbers of a given byte count, texts without a terminating NUL.
//
// Reads take values whole, up to kMaxRegValueBytes: a fixed 202-byte read buffer would lose the
// longer texts the lists store (a link key can exceed 500 bytes).
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hookwise::core {

constexpr std::size_t kMaxRegValueBytes = 64 * 1024;

// The bytes and type of value `name` of key. False, with out emptied, when the value is missing,
// larger than kMaxRegValueBytes, or cannot be read.
bool ReadRegBytes(HKEY key, const char* name, std::vector<BYTE>& out, DWORD* type = nullptr);

// The value as text: its bytes up to the first NUL, whatever its type. False when unreadable.
bool ReadRegText(HKEY key, const char* name, std::string& out);

// The first up to 4 bytes of the value as a little-endian number (missing high bytes are 0).
// False when the value is missing or empty.
bool ReadRegUInt32(HKEY key, const char* name, std::uint32_t& out);

// The first byte of the value. False when the value is missing or empty.
bool ReadRegLowByte(HKEY key, const char* name, BYTE& out);

// Writes the low `bytes` bytes (1 to 4) of value, little-endian, as REG_BINARY (or `type`).
bool WriteRegNumber(HKEY key, const char* name, std::uint32_t value, std::size_t bytes = 4,
                    DWORD type = REG_BINARY);

// Writes text as REG_SZ of exactly its length, without a terminating NUL (an empty text is a
// value of size 0).
bool WriteRegText(HKEY key, const char* name, std::string_view text);

// Writes raw bytes with the given type.
bool WriteRegBytes(HKEY key, const char* name, DWORD type, const void* data, std::size_t size);

// Tests only: hook called after every successful write made through the functions above (the
// crash tests kill the process from it after a chosen number of writes). Empty to remove.
void SetRegistryWriteHookForTesting(std::function<void()> hook);

} // namespace hookwise::core
