// BlowfishCipher: the Blowfish block cipher that deciphers the shipped definition file.
//
// 64-bit blocks, 16 Feistel rounds, the published initial P-array and S-boxes (the hexadecimal
// digits of pi). Bytes map to the two 32-bit halves of a block big-endian: bytes 0-3 are the left
// word, byte 0 most significant; bytes 4-7 the right word. The cipher allocates nothing: one
// object holds its sub-keys (about 4 KiB) and works on the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace hookwise::core {

// The key of the shipped definition file: these 8 ASCII characters, taken as 8 bytes (ECB mode,
// all-zero chaining block). The program deciphers with it; the definitions tool enciphers with it.
inline constexpr char kDefinitionFileKey[] = "57390264";
inline constexpr std::size_t kDefinitionFileKeyLength = sizeof kDefinitionFileKey - 1;

// One 64-bit block as its left (bytes 0-3) and right (bytes 4-7) word.
struct BlowfishBlock {
    std::uint32_t left = 0;
    std::uint32_t right = 0;
};

// The cipher's refusals. what() is the refusal's text: "Incorrect key length" or
// "Incorrect buffer length".
class BlowfishError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BlowfishCipher {
public:
    // Decipher modes; any other value is treated as ECB.
    enum Mode : int { ECB = 0, CBC = 1, CFB = 2 };

    // Runs the key schedule. Only the first 56 bytes of a longer key are used; a shorter key is
    // used cyclically. chain is the chaining block of CBC and CFB (ECB ignores it).
    // Throws BlowfishError("Incorrect key length") when keyLength is 0.
    BlowfishCipher(const unsigned char* key, std::size_t keyLength,
                   const BlowfishBlock& chain = BlowfishBlock{});

    // Deciphers length bytes of in into out, block by block, in the given mode (CBC: the
    // deciphered block XOR the previous cipher block; CFB: the cipher block XOR the encipherment of
    // the previous cipher block, 64-bit feedback). Every call starts from the chaining block given
    // at construction. in and out may be the same buffer.
    // Throws BlowfishError("Incorrect buffer length") and writes nothing when length is 0 or not a
    // multiple of 8.
    void Decipher(const unsigned char* in, unsigned char* out, std::size_t length,
                  int mode = ECB) const;

    // Enciphers length bytes of in into out in ECB mode: the inverse of Decipher(..., ECB), for the
    // tool that produces the shipped file. in and out may be the same buffer.
    // Throws BlowfishError("Incorrect buffer length") and writes nothing when length is 0 or not a
    // multiple of 8.
    void Encipher(const unsigned char* in, unsigned char* out, std::size_t length) const;

    // One block through the 16 rounds, in place.
    void EncipherBlock(BlowfishBlock& block) const;
    void DecipherBlock(BlowfishBlock& block) const;

    // The published tables that the key schedule starts from (the digits of pi).
    static const std::uint32_t kInitialP[18];
    static const std::uint32_t kInitialS[4][256];

private:
    std::uint32_t F(std::uint32_t x) const;

    BlowfishBlock chain_; // the chaining block of construction; every call starts from it
    std::uint32_t p_[18];
    std::uint32_t s_[4][256];
};

} // namespace hookwise::core
