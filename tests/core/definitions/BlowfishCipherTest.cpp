// BlowfishCipher against the published test vectors, and the rules of its modes, keys and refusals.
#include "core/definitions/BlowfishCipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using namespace hookwise::core;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

BlowfishCipher MakeCipher(const Bytes& key, const BlowfishBlock& chain = {}) {
    return BlowfishCipher(key.data(), key.size(), chain);
}

Bytes Deciphered(const BlowfishCipher& cipher, const Bytes& in, int mode) {
    Bytes out(in.size());
    cipher.Decipher(in.data(), out.data(), in.size(), mode);
    return out;
}

// ---- published ECB vectors (Eric Young's set, 8-byte keys) ----

struct VectorRow {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

const VectorRow kVectorRows[] = {
    {"ZeroKeyZeroData", "0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"OnesKeyOnesData", "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"HighBitKey", "3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"RepeatedKey", "1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"CountingKey", "0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"CountingData", "1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"ReversedKey", "FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"Mixed1", "7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"Mixed2", "0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"Mixed3", "07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"Mixed4", "3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"Mixed5", "49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"Mixed6", "0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"Mixed7", "018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"Mixed8", "1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
};

class PublishedVectors : public testing::TestWithParam<VectorRow> {};

TEST_P(PublishedVectors, EncipherAndDecipherMatch) {
    const VectorRow& row = GetParam();
    const BlowfishCipher cipher = MakeCipher(FromHex(row.key));
    const Bytes plain = FromHex(row.plain);
    const Bytes expected = FromHex(row.cipher);

    Bytes enciphered(8);
    cipher.Encipher(plain.data(), enciphered.data(), 8);
    EXPECT_EQ(enciphered, expected);
    EXPECT_EQ(Deciphered(cipher, expected, BlowfishCipher::ECB), plain);

    // The block operations see the same bytes as big-endian words.
    BlowfishBlock block{(std::uint32_t{plain[0]} << 24) | (std::uint32_t{plain[1]} << 16) |
                            (std::uint32_t{plain[2]} << 8) | plain[3],
                        (std::uint32_t{plain[4]} << 24) | (std::uint32_t{plain[5]} << 16) |
                            (std::uint32_t{plain[6]} << 8) | plain[7]};
    cipher.EncipherBlock(block);
    EXPECT_EQ(block.left >> 24, expected[0]);
    EXPECT_EQ(block.right & 0xFF, expected[7]);
    cipher.DecipherBlock(block);
    EXPECT_EQ(block.left >> 24, plain[0]);
    EXPECT_EQ(block.right & 0xFF, plain[7]);
}

INSTANTIATE_TEST_SUITE_P(Ecb, PublishedVectors, testing::ValuesIn(kVectorRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The published chained-mode vectors: a 16-byte key, IV FEDCBA9876543210 and the 29-byte text
// "7654321 Now is the time for " with its terminator, zero-padded to 32 bytes for CBC.
const char kChainKey[] = "0123456789ABCDEFF0E1D2C3B4A59687";
const BlowfishBlock kChainIv{0xFEDCBA98, 0x76543210};
const char kChainPlain[] = "37363534333231204E6F77206973207468652074696D6520666F722000000000";

TEST(ChainedModes, PublishedCbcVector) {
    const Bytes cipherText =
        FromHex("6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC");
    EXPECT_EQ(Deciphered(MakeCipher(FromHex(kChainKey), kChainIv), cipherText, BlowfishCipher::CBC),
              FromHex(kChainPlain));
}

TEST(ChainedModes, PublishedCfbVector) {
    // The published CFB64 text covers 29 bytes; its continuation to 32 comes from the same
    // keystream (checked against OpenSSL's BF_cfb64_encrypt).
    const Bytes cipherText =
        FromHex("E73214A2822139CAF26ECF6D2EB9E76E3DA3DE04D1517200519D57A6C3384ECE");
    EXPECT_EQ(Deciphered(MakeCipher(FromHex(kChainKey), kChainIv), cipherText, BlowfishCipher::CFB),
              FromHex(kChainPlain));
}

// ---- the three modes on the same 16 bytes ----

class ModeRules : public testing::Test {
protected:
    const Bytes key_ = FromHex("57390264A1B2C3D4");
    const Bytes in_ = FromHex("0011223344556677"
                              "8899AABBCCDDEEFF");
};

TEST_F(ModeRules, EcbTransformsGroupsIndependently) {
    const BlowfishCipher cipher = MakeCipher(key_);
    const Bytes both = Deciphered(cipher, in_, BlowfishCipher::ECB);
    const Bytes first =
        Deciphered(cipher, Bytes(in_.begin(), in_.begin() + 8), BlowfishCipher::ECB);
    const Bytes second = Deciphered(cipher, Bytes(in_.begin() + 8, in_.end()), BlowfishCipher::ECB);
    EXPECT_EQ(Bytes(both.begin(), both.begin() + 8), first);
    EXPECT_EQ(Bytes(both.begin() + 8, both.end()), second);
}

TEST_F(ModeRules, CbcWithZeroChainXorsTheSecondGroupWithTheFirstInput) {
    const BlowfishCipher cipher = MakeCipher(key_);
    const Bytes ecb = Deciphered(cipher, in_, BlowfishCipher::ECB);
    const Bytes cbc = Deciphered(cipher, in_, BlowfishCipher::CBC);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(cbc[i], ecb[i]) << i;
        EXPECT_EQ(cbc[8 + i], ecb[8 + i] ^ in_[i]) << i;
    }
}

TEST_F(ModeRules, CbcXorsTheFirstGroupWithTheChainBlock) {
    const BlowfishCipher plainChain = MakeCipher(key_);
    const BlowfishCipher chained = MakeCipher(key_, BlowfishBlock{0x01020304, 0xA0B0C0D0});
    const Bytes ecb = Deciphered(plainChain, in_, BlowfishCipher::ECB);
    const Bytes cbc = Deciphered(chained, in_, BlowfishCipher::CBC);
    const Bytes chainBytes = FromHex("01020304A0B0C0D0");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(cbc[i], ecb[i] ^ chainBytes[i]) << i;
}

TEST_F(ModeRules, CfbXorsTheInputWithTheEncipheredPreviousGroup) {
    const BlowfishCipher cipher = MakeCipher(key_);
    const Bytes cfb = Deciphered(cipher, in_, BlowfishCipher::CFB);

    Bytes keystream(16);
    const Bytes zero(8, 0);
    cipher.Encipher(zero.data(), keystream.data(), 8);
    cipher.Encipher(in_.data(), keystream.data() + 8, 8);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(cfb[i], in_[i] ^ keystream[i]) << i;
}

TEST_F(ModeRules, UnknownModeIsEcb) {
    const BlowfishCipher cipher = MakeCipher(key_);
    const Bytes ecb = Deciphered(cipher, in_, BlowfishCipher::ECB);
    EXPECT_EQ(Deciphered(cipher, in_, 3), ecb);
    EXPECT_EQ(Deciphered(cipher, in_, -1), ecb);
}

TEST_F(ModeRules, EveryCallStartsFromTheChainOfConstruction) {
    const BlowfishCipher cipher = MakeCipher(key_, BlowfishBlock{7, 9});
    for (int mode : {BlowfishCipher::CBC, BlowfishCipher::CFB}) {
        const Bytes once = Deciphered(cipher, in_, mode);
        EXPECT_EQ(Deciphered(cipher, in_, mode), once) << mode;
    }
}

TEST_F(ModeRules, InPlaceGivesTheSameResultAsSeparateBuffers) {
    const BlowfishCipher cipher = MakeCipher(key_, BlowfishBlock{7, 9});
    for (int mode : {BlowfishCipher::ECB, BlowfishCipher::CBC, BlowfishCipher::CFB}) {
        Bytes buffer = in_;
        cipher.Decipher(buffer.data(), buffer.data(), buffer.size(), mode);
        EXPECT_EQ(buffer, Deciphered(cipher, in_, mode)) << mode;
    }
    Bytes buffer = in_;
    cipher.Encipher(buffer.data(), buffer.data(), buffer.size());
    cipher.Decipher(buffer.data(), buffer.data(), buffer.size());
    EXPECT_EQ(buffer, in_);
}

// ---- keys ----

TEST(KeyRules, OneByteKeyIsUsedCyclically) {
    const Bytes data = FromHex("0123456789ABCDEF");
    const Bytes one = Deciphered(MakeCipher(Bytes{0x5A}), data, BlowfishCipher::ECB);
    EXPECT_EQ(Deciphered(MakeCipher(Bytes(4, 0x5A)), data, BlowfishCipher::ECB), one);
    EXPECT_EQ(Deciphered(MakeCipher(Bytes(56, 0x5A)), data, BlowfishCipher::ECB), one);
    EXPECT_NE(Deciphered(MakeCipher(Bytes{0x5B}), data, BlowfishCipher::ECB), one);
}

TEST(KeyRules, OnlyTheFirst56BytesCount) {
    Bytes longKey(72);
    for (std::size_t i = 0; i < longKey.size(); ++i)
        longKey[i] = static_cast<unsigned char>(i * 37 + 11);
    const Bytes data = FromHex("FEDCBA9876543210");
    const Bytes first56 = Deciphered(MakeCipher(Bytes(longKey.begin(), longKey.begin() + 56)), data,
                                     BlowfishCipher::ECB);
    EXPECT_EQ(Deciphered(MakeCipher(longKey), data, BlowfishCipher::ECB), first56);
    Bytes changedTail = longKey;
    changedTail[60] ^= 0xFF;
    EXPECT_EQ(Deciphered(MakeCipher(changedTail), data, BlowfishCipher::ECB), first56);
    Bytes changed56th = longKey;
    changed56th[55] ^= 0xFF;
    EXPECT_NE(Deciphered(MakeCipher(changed56th), data, BlowfishCipher::ECB), first56);
}

TEST(KeyRules, ProgramKeyRoundTrip) {
    const std::string key = "57390264";
    const BlowfishCipher cipher(reinterpret_cast<const unsigned char*>(key.data()), key.size());
    const std::string text = "[section]\r\nkey=value\r\n";
    Bytes in(text.begin(), text.end());
    in.resize(24, 0);
    Bytes enciphered(in.size());
    cipher.Encipher(in.data(), enciphered.data(), in.size());
    EXPECT_NE(enciphered, in);
    EXPECT_EQ(Deciphered(cipher, enciphered, BlowfishCipher::ECB), in);
}

// ---- refusals ----

TEST(Refusals, ZeroKeyLength) {
    const unsigned char key[1] = {1};
    try {
        BlowfishCipher cipher(key, 0);
        FAIL() << "a zero-length key was accepted";
    } catch (const BlowfishError& error) {
        EXPECT_STREQ(error.what(), "Incorrect key length");
    }
}

class BufferLengthRefusal : public testing::TestWithParam<std::size_t> {};

TEST_P(BufferLengthRefusal, ThrowsAndWritesNothing) {
    const std::size_t length = GetParam();
    const BlowfishCipher cipher = MakeCipher(FromHex("0123456789ABCDEF"));
    const Bytes in(32, 0x11);
    for (int mode : {0, 1, 2, 9}) { // ECB, CBC, CFB and an unknown mode
        Bytes out(32, 0xEE);
        try {
            cipher.Decipher(in.data(), out.data(), length, mode);
            FAIL() << "length " << length << " accepted in mode " << mode;
        } catch (const BlowfishError& error) {
            EXPECT_STREQ(error.what(), "Incorrect buffer length");
        }
        EXPECT_EQ(out, Bytes(32, 0xEE)) << "mode " << mode;
    }
    Bytes out(32, 0xEE);
    EXPECT_THROW(cipher.Encipher(in.data(), out.data(), length), BlowfishError);
    EXPECT_EQ(out, Bytes(32, 0xEE));
}

INSTANTIATE_TEST_SUITE_P(Lengths, BufferLengthRefusal, testing::Values(0, 1, 7, 9, 12, 15, 31),
                         [](const auto& info) { return "Length" + std::to_string(info.param); });

} // namespace
