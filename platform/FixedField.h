// Fixed-size text fields: the 261-byte field (260 characters and a terminator) of paths, addresses
// and matched texts, and the one bounded copy every text takes into any fixed field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace hookwise::platform {

// The size of a path, an address or a matched text field: 260 characters and the terminator.
constexpr std::size_t kFieldSize = 261;

// Copies text into a fixed field of fieldSize bytes: cut to fieldSize-1 characters, always
// terminated, never written past the field. A null text gives an empty field.
inline void CopyField(char* field, std::size_t fieldSize, const char* text) {
    if (fieldSize == 0)
        return;
    std::size_t n = text ? strnlen(text, fieldSize - 1) : 0;
    if (n)
        std::memcpy(field, text, n);
    field[n] = '\0';
}

template <std::size_t N> inline void CopyField(char (&field)[N], const char* text) {
    CopyField(field, N, text);
}

// Reads a field as text up to its terminator or its end, whichever comes first (a receiver must not
// trust a sender to have terminated it).
template <std::size_t N> inline std::size_t FieldLength(const char (&field)[N]) {
    return strnlen(field, N);
}

// Clears a whole field, then copies text into it as CopyField does: nothing of an earlier,
// longer text is left behind the terminator.
template <std::size_t N> inline void ResetField(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    CopyField(field, N, text);
}

// ResetField for a UTF-8 text: a text longer than the field is cut before a character rather than
// inside one (no continuation byte is left without its lead byte at the end of the field).
template <std::size_t N> inline void ResetFieldUtf8(char (&field)[N], const char* text) {
    static_assert(N > 0);
    std::memset(field, 0, N);
    std::size_t n = text ? strnlen(text, N - 1) : 0;
    // text[n] is the first byte left out (or the terminator, which is no continuation byte).
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    if (n > 0) // memcpy from a null text is undefined even for no bytes
        std::memcpy(field, text, n);
}

// A field's text as a string, read up to its terminator or its end.
template <std::size_t N> inline std::string FieldString(const char (&field)[N]) {
    return std::string(field, FieldLength(field));
}

} // namespace hookwise::platform
