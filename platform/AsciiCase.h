// ASCII case helpers: the case rules of the registry, profile files, definitions and lists, where
// only A-Z and a-z have a case and every other byte (UTF-8 included) stands for itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hookwise::platform {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// True when a and b have the same length and differ at most in the case of ASCII letters.
constexpr bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

inline std::string AsciiUppered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiUpper(c);
    return out;
}

inline std::string AsciiLowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

// Lowers a NUL-terminated text where it stands; null is ignored.
inline void AsciiLowerInPlace(char* text) {
    for (; text && *text; ++text)
        *text = AsciiLower(*text);
}

// _stricmp in the "C" locale: <0, 0 or >0 as a sorts before, equal to or after b, ASCII letters
// compared as lower case and every other byte as itself.
inline int CompareIgnoreAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(*a));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

} // namespace hookwise::platform
