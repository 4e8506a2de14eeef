// BlowfishCipher: key schedule, the block rounds and the ECB, CBC and CFB buffer modes.
#include "core/definitions/BlowfishCipher.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace hookwise::core {

namespace {

constexpr std::size_t kMaxKeyBytes = 56;
constexpr std::size_t kBlockBytes = 8;

std::uint32_t LoadBigEndian(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void StoreBigEndian(std::uint32_t word, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(word >> 24);
    bytes[1] = static_cast<unsigned char>(word >> 16);
    bytes[2] = static_cast<unsigned char>(word >> 8);
    bytes[3] = static_cast<unsigned char>(word);
}

BlowfishBlock LoadBlock(const unsigned char* bytes) {
    return BlowfishBlock{LoadBigEndian(bytes), LoadBigEndian(bytes + 4)};
}

void StoreBlock(const BlowfishBlock& block, unsigned char* bytes) {
    StoreBigEndian(block.left, bytes);
    StoreBigEndian(block.right, bytes + 4);
}

void CheckBufferLength(std::size_t length) {
    if (length == 0 || length % kBlockBytes != 0)
        throw BlowfishError("Incorrect buffer length");
}

} // namespace

BlowfishCipher::BlowfishCipher(const unsigned char* key, std::size_t keyLength,
                               const BlowfishBlock& chain)
    : chain_(chain) {
    if (keyLength < 1)
        throw BlowfishError("Incorrect key length");
    assert(key != nullptr && "a key of non-zero length needs its bytes");
    keyLength = std::min(keyLength, kMaxKeyBytes);

    std::memcpy(p_, kInitialP, sizeof p_);
    std::memcpy(s_, kInitialS, sizeof s_);

    // XOR the key, cycled from its start, into the P-array one big-endian word at a time.
    std::size_t next = 0;
    for (std::uint32_t& word : p_) {
        std::uint32_t keyWord = 0;
        for (int i = 0; i < 4; ++i) {
            keyWord = (keyWord << 8) | key[next];
            next = (next + 1) % keyLength;
        }
        word ^= keyWord;
    }

    // Replace the P-array and then the S-boxes, two words at a time, by a chain of encipherments
    // that starts from the zero block and runs with the sub-keys as they are being replaced.
    BlowfishBlock block;
    for (std::size_t i = 0; i < 18; i += 2) {
        EncipherBlock(block);
        p_[i] = block.left;
        p_[i + 1] = block.right;
    }
    for (auto& box : s_) {
        for (std::size_t i = 0; i < 256; i += 2) {
            EncipherBlock(block);
            box[i] = block.left;
            box[i + 1] = block.right;
        }
    }
}

inline std::uint32_t BlowfishCipher::F(std::uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void BlowfishCipher::EncipherBlock(BlowfishBlock& block) const {
    std::uint32_t left = block.left;
    std::uint32_t right = block.right;
    // Two rounds per step, so the halves never need swapping.
    for (int i = 0; i < 16; i += 2) {
        left ^= p_[i];
        right ^= F(left);
        right ^= p_[i + 1];
        left ^= F(right);
    }
    block.left = right ^ p_[17];
    block.right = left ^ p_[16];
}

void BlowfishCipher::DecipherBlock(BlowfishBlock& block) const {
    std::uint32_t left = block.left;
    std::uint32_t right = block.right;
    for (int i = 17; i > 1; i -= 2) {
        left ^= p_[i];
        right ^= F(left);
        right ^= p_[i - 1];
        left ^= F(right);
    }
    block.left = right ^ p_[0];
    block.right = left ^ p_[1];
}

void BlowfishCipher::Decipher(const unsigned char* in, unsigned char* out, std::size_t length,
                              int mode) const {
    CheckBufferLength(length);
    // One loop per mode keeps the mode test out of the per-block path. Each input block is read
    // before its output is written, so in and out may be the same buffer.
    if (mode != CBC && mode != CFB) {
        for (std::size_t offset = 0; offset < length; offset += kBlockBytes) {
            BlowfishBlock block = LoadBlock(in + offset);
            DecipherBlock(block);
            StoreBlock(block, out + offset);
        }
        return;
    }

    BlowfishBlock chain = chain_; // a working copy: the object's block is never written back
    for (std::size_t offset = 0; offset < length; offset += kBlockBytes) {
        const BlowfishBlock cipherBlock = LoadBlock(in + offset);
        BlowfishBlock plain = cipherBlock;
        if (mode == CBC)
            DecipherBlock(plain); // CBC: deciphered block XOR previous cipher block
        else
            EncipherBlock(chain); // CFB: cipher block XOR enciphered previous cipher block
        plain.left ^= chain.left;
        plain.right ^= chain.right;
        chain = cipherBlock;
        StoreBlock(plain, out + offset);
    }
}

void BlowfishCipher::Encipher(const unsigned char* in, unsigned char* out,
                              std::size_t length) const {
    CheckBufferLength(length);
    for (std::size_t offset = 0; offset < length; offset += kBlockBytes) {
        BlowfishBlock block = LoadBlock(in + offset);
        EncipherBlock(block);
        StoreBlock(block, out + offset);
    }
}

} // namespace hookwise::core
