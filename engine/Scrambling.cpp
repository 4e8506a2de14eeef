// The engine's text scrambling (Encode, Decode, EncryptString, DecryptString) and the profile
// reads that apply it to the definition database.
#include "engine/LSPGlobals.h"
#include "engine/TextScrambler.h"
#include "platform/FixedField.h"
#include "platform/Profile.h"

#include <cstring>
#include <new>

using namespace hookwise::platform;

namespace {

constexpr unsigned char kSemicolon = 0x3B;
constexpr unsigned char kEquals = 0x3D;
constexpr unsigned char kEscapeOffset = 0x80;
constexpr unsigned long kWorkBufferSize = kFieldSize; // 260 characters and the terminator

unsigned char KeyByte(std::size_t position) {
    return static_cast<unsigned char>(ScrambleKey[position % ScrambleKey.size()]);
}

} // namespace

unsigned char EscapeScrambled(unsigned char b) {
    if (b == kSemicolon || b == kEquals)
        return static_cast<unsigned char>(b + kEscapeOffset);
    return b;
}

unsigned char UnescapeScrambled(unsigned char b) {
    if (b == kSemicolon + kEscapeOffset || b == kEquals + kEscapeOffset)
        return static_cast<unsigned char>(b - kEscapeOffset);
    return b;
}

std::size_t ScrambleText(std::string_view text, char* out) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto sum = static_cast<unsigned char>(static_cast<unsigned char>(text[i]) + KeyByte(i));
        // A zero sum would end the one-character text that is appended, so nothing is.
        if (sum == 0)
            continue;
        out[length++] = static_cast<char>(EscapeScrambled(sum));
    }
    out[length] = '\0';
    return length;
}

std::size_t UnscrambleText(std::string_view text, char* out) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char v = UnescapeScrambled(static_cast<unsigned char>(text[i]));
        auto plain = static_cast<unsigned char>(v - KeyByte(i));
        if (plain == 0)
            break;
        out[length++] = static_cast<char>(plain);
    }
    out[length] = '\0';
    return length;
}

std::string CLSPGlobals::Encode(unsigned char b) {
    unsigned char escaped = EscapeScrambled(b);
    if (escaped == 0)
        return std::string(); // a zero byte is the end of a one-character text
    return std::string(1, static_cast<char>(escaped));
}

unsigned char CLSPGlobals::Decode(const std::string& s) {
    // An empty string's first character is its terminator, 0.
    return UnescapeScrambled(static_cast<unsigned char>(s.c_str()[0]));
}

std::string CLSPGlobals::EncryptString(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto sum = static_cast<unsigned char>(static_cast<unsigned char>(text[i]) + KeyByte(i));
        result += Encode(sum);
    }
    return result;
}

std::string CLSPGlobals::DecryptString(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char v = Decode(std::string(1, text[i]));
        // Every position appends exactly one byte, so the key index is the position itself.
        result.push_back(static_cast<char>(static_cast<unsigned char>(v - KeyByte(result.size()))));
    }
    return result;
}

unsigned long CLSPGlobals::GetEncPrivateProfileString(const char* section, const char* key,
                                                      const char* defaultText, char* out,
                                                      unsigned long size, const char* file) {
    if (!out || size == 0)
        return 0;
    // The value passes through a work buffer of 261 bytes, so no read may ask for more.
    if (size > kWorkBufferSize)
        size = kWorkBufferSize;
    try {
        std::string scrambledSection = section ? EncryptString(section) : std::string();
        std::string scrambledKey = key ? EncryptString(key) : std::string();
        char work[kWorkBufferSize];
        DWORD n = GetPrivateProfileStringA(section ? scrambledSection.c_str() : nullptr,
                                           key ? scrambledKey.c_str() : nullptr, defaultText, work,
                                           static_cast<DWORD>(size), file);
        UnscrambleText(std::string_view(work, n), out);
        return n;
    } catch (const std::bad_alloc&) {
        out[0] = '\0';
        return 0;
    }
}

unsigned long CLSPGlobals::GetEncPrivateProfileSection(const char* section, char* out,
                                                       unsigned long size, const char* file) {
    DWORD clamped = size > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<DWORD>(size);
    return GetPrivateProfileSectionA(section, out, clamped, file);
}
