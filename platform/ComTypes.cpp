// GUID comparison and text form, BSTR allocation and conversion, VARIANT clearing.
//
// Sections: GUIDs, BSTR, text conversion, VARIANT.
#include "platform/ComTypes.h"

#include "platform/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace hookwise::platform;

// ---- GUIDs ----

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_NULL = GUID_NULL;

bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

std::string GuidToString(REFGUID g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// ---- BSTR ----

namespace {

// The 4-byte length prefix sits right before the characters.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(BSTR text) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

} // namespace

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
    // Lengths whose byte count does not fit the 32-bit prefix are refused, as on Windows.
    if (length > (0xFFFFFFFFu - kPrefix - sizeof(WCHAR)) / sizeof(WCHAR))
        return nullptr;
    std::size_t bytes = static_cast<std::size_t>(length) * sizeof(WCHAR);
    auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(WCHAR)));
    if (!block)
        return nullptr;
    std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &prefix, kPrefix);
    auto* chars = reinterpret_cast<WCHAR*>(block + kPrefix);
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const WCHAR* text) {
    if (!text)
        return nullptr;
    UINT length = 0;
    while (text[length])
        ++length;
    return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
    if (text)
        std::free(PrefixOf(text));
}

UINT SysStringLen(BSTR text) {
    if (!text)
        return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, PrefixOf(text), kPrefix);
    return bytes / sizeof(WCHAR);
}

BStr& BStr::operator=(BStr&& other) noexcept {
    if (this != &other) {
        SysFreeString(text_);
        text_ = other.Detach();
    }
    return *this;
}

BSTR* BStr::Put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
}

BSTR BStr::Detach() {
    BSTR text = text_;
    text_ = nullptr;
    return text;
}

// ---- text conversion ----

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input gives U+FFFD for one byte.
char32_t DecodeUtf8(const std::string& text, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    // Lead bytes 0x80..0xC1 and above 0xF4 never start a valid sequence.
    if (lead < 0xC2 || lead > 0xF4) {
        ++i;
        return kReplacement;
    }
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (i + extra >= text.size()) {
        ++i;
        return kReplacement;
    }
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

// Decodes the code point at text[i] of a UTF-16 string of length n; advances i. A lone surrogate
// gives U+FFFD.
char32_t DecodeUtf16(const WCHAR* text, UINT n, UINT& i) {
    char32_t unit = text[i++];
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit <= 0xDBFF && i < n && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
    return kReplacement;
}

// Code page 1252 bytes 0x80..0x9F and the characters they stand for; 0 marks the five bytes
// that have no character of their own (they map to the C1 control of the same value).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (unsigned k = 0; k < 32; ++k) {
        if (kCp1252High[k] == 0 ? cp == 0x80 + k : cp == kCp1252High[k])
            return static_cast<char>(0x80 + k);
    }
    return '?';
}

} // namespace

BSTR SysAllocStringFromUtf8(const std::string& utf8) {
    std::u16string wide;
    wide.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = DecodeUtf8(utf8, i);
        if (cp >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(cp);
        }
    }
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string Utf8FromBstr(BSTR text) {
    std::string out;
    UINT n = SysStringLen(text);
    for (UINT i = 0; i < n;)
        AppendUtf8(out, DecodeUtf16(text, n, i));
    return out;
}

std::string AnsiFromBstr(BSTR text) {
    std::string out;
    UINT n = SysStringLen(text);
    out.reserve(n);
    for (UINT i = 0; i < n;) {
        char32_t cp = DecodeUtf16(text, n, i);
        if (cp == 0)
            break;
        out += ToCp1252(cp);
    }
    return out;
}
