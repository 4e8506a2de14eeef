// BlowfishCipher against OpenSSL's independent Blowfish (libcrypto) on random keys and data.
#include "core/definitions/BlowfishCipher.h"

#include <gtest/gtest.h>
#include <openssl/blowfish.h>

#include <random>
#include <vector>

using namespace hookwise::core;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes RandomBytes(std::mt19937& random, std::size_t count) {
    Bytes out(count);
    for (unsigned char& byte : out)
        byte = static_cast<unsigned char>(random());
    return out;
}

BF_KEY OpenSslKey(const Bytes& key) {
    BF_KEY schedule;
    BF_set_key(&schedule, static_cast<int>(key.size()), key.data());
    return schedule;
}

Bytes OpenSslEcb(const BF_KEY& schedule, const Bytes& in, int direction) {
    Bytes out(in.size());
    for (std::size_t offset = 0; offset < in.size(); offset += 8)
        BF_ecb_encrypt(in.data() + offset, out.data() + offset, &schedule, direction);
    return out;
}

BlowfishBlock BlockOf(const Bytes& iv) {
    return BlowfishBlock{(std::uint32_t{iv[0]} << 24) | (std::uint32_t{iv[1]} << 16) |
                             (std::uint32_t{iv[2]} << 8) | iv[3],
                         (std::uint32_t{iv[4]} << 24) | (std::uint32_t{iv[5]} << 16) |
                             (std::uint32_t{iv[6]} << 8) | iv[7]};
}

// Key lengths from 1 to 56 bytes (OpenSSL uses up to 72, so longer keys are compared by prefix).
class AgainstOpenSsl : public testing::TestWithParam<std::size_t> {
protected:
    void SetUp() override {
        std::mt19937 random(static_cast<unsigned>(GetParam()) * 7919u + 1u);
        key_ = RandomBytes(random, GetParam());
        iv_ = RandomBytes(random, 8);
        data_ = RandomBytes(random, 4096);
    }
    Bytes key_, iv_, data_;
};

TEST_P(AgainstOpenSsl, EcbDecipherAndEncipher) {
    const BlowfishCipher cipher(key_.data(), key_.size());
    const BF_KEY schedule = OpenSslKey(key_);

    Bytes ours(data_.size());
    cipher.Decipher(data_.data(), ours.data(), data_.size(), BlowfishCipher::ECB);
    EXPECT_EQ(ours, OpenSslEcb(schedule, data_, BF_DECRYPT));

    cipher.Encipher(data_.data(), ours.data(), data_.size());
    EXPECT_EQ(ours, OpenSslEcb(schedule, data_, BF_ENCRYPT));
}

TEST_P(AgainstOpenSsl, CbcDecipher) {
    const BlowfishCipher cipher(key_.data(), key_.size(), BlockOf(iv_));
    const BF_KEY schedule = OpenSslKey(key_);

    Bytes expected(data_.size());
    Bytes iv = iv_;
    BF_cbc_encrypt(data_.data(), expected.data(), static_cast<long>(data_.size()), &schedule,
                   iv.data(), BF_DECRYPT);
    Bytes ours(data_.size());
    cipher.Decipher(data_.data(), ours.data(), data_.size(), BlowfishCipher::CBC);
    EXPECT_EQ(ours, expected);
}

TEST_P(AgainstOpenSsl, CfbDecipher) {
    const BlowfishCipher cipher(key_.data(), key_.size(), BlockOf(iv_));
    const BF_KEY schedule = OpenSslKey(key_);

    Bytes expected(data_.size());
    Bytes iv = iv_;
    int used = 0;
    BF_cfb64_encrypt(data_.data(), expected.data(), static_cast<long>(data_.size()), &schedule,
                     iv.data(), &used, BF_DECRYPT);
    Bytes ours(data_.size());
    cipher.Decipher(data_.data(), ours.data(), data_.size(), BlowfishCipher::CFB);
    EXPECT_EQ(ours, expected);
}

INSTANTIATE_TEST_SUITE_P(KeyLengths, AgainstOpenSsl,
                         testing::Values(1, 2, 3, 4, 5, 7, 8, 9, 16, 24, 32, 33, 48, 55, 56),
                         [](const auto& info) { return "Key" + std::to_string(info.param); });

TEST(AgainstOpenSslLongKey, KeyOver56BytesActsAsItsFirst56) {
    std::mt19937 random(4242);
    const Bytes key = RandomBytes(random, 72);
    const Bytes data = RandomBytes(random, 256);
    const BlowfishCipher cipher(key.data(), key.size());
    const BF_KEY prefix = OpenSslKey(Bytes(key.begin(), key.begin() + 56));

    Bytes ours(data.size());
    cipher.Decipher(data.data(), ours.data(), data.size(), BlowfishCipher::ECB);
    EXPECT_EQ(ours, OpenSslEcb(prefix, data, BF_DECRYPT));
}

} // namespace
