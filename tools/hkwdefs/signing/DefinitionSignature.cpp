// DefinitionSignature: Ed25519 through OpenSSL 3's EVP interface (one-shot DigestSign/Verify,
// as Ed25519 hashes the message itself).
#include "tools/hkwdefs/signing/DefinitionSignature.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#include <vector>

namespace hookwise::tools {

namespace {

constexpr std::size_t kSignatureBytes = 64;

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyContextFree {
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using Bio = std::unique_ptr<BIO, BioFree>;

// The text of OpenSSL's last error, or fallback when it queued none.
std::string OpenSslReason(const char* fallback) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return fallback;
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

Bio MemoryBio(std::string_view bytes) {
    return Bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

bool IsEd25519(const Pkey& key) {
    return key && EVP_PKEY_is_a(key.get(), "ED25519") == 1;
}

// The 64 signature bytes of a signature file: raw, or base64 with blanks around it.
bool DecodeSignature(std::string_view file, std::vector<unsigned char>& raw) {
    if (file.size() == kSignatureBytes) {
        raw.assign(file.begin(), file.end());
        return true;
    }
    while (!file.empty() && (file.back() == '\n' || file.back() == '\r' || file.back() == ' '))
        file.remove_suffix(1);
    while (!file.empty() && (file.front() == ' ' || file.front() == '\n'))
        file.remove_prefix(1);
    // 64 bytes are 88 base64 characters with their padding.
    if (file.size() != 88)
        return false;
    std::vector<unsigned char> decoded(66 + 3);
    const int length =
        EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(file.data()),
                        static_cast<int>(file.size()));
    // EVP_DecodeBlock counts the padding's zero bytes: 88 characters with "==" give 66.
    if (length != 66 || file.substr(86) != "==")
        return false;
    raw.assign(decoded.begin(), decoded.begin() + kSignatureBytes);
    return true;
}

std::string EncodeSignature(const unsigned char* raw) {
    char text[4 * kSignatureBytes / 3 + 4];
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text), raw,
                                       static_cast<int>(kSignatureBytes));
    return std::string(text, static_cast<std::size_t>(length));
}

} // namespace

bool SignatureLine(std::string_view signature, std::string& line) {
    std::vector<unsigned char> raw;
    if (!DecodeSignature(signature, raw))
        return false;
    line = EncodeSignature(raw.data());
    return true;
}

bool GenerateSigningKeys(std::string& privatePem, std::string& publicPem, std::string& error) {
    std::unique_ptr<EVP_PKEY_CTX, PkeyContextFree> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
    EVP_PKEY* made = nullptr;
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 ||
        EVP_PKEY_keygen(context.get(), &made) != 1) {
        error = "cannot make an Ed25519 key: " + OpenSslReason("key generation failed");
        return false;
    }
    const Pkey key(made);
    Bio privateBio(BIO_new(BIO_s_mem()));
    Bio publicBio(BIO_new(BIO_s_mem()));
    if (!privateBio || !publicBio ||
        PEM_write_bio_PrivateKey(privateBio.get(), key.get(), nullptr, nullptr, 0, nullptr,
                                 nullptr) != 1 ||
        PEM_write_bio_PUBKEY(publicBio.get(), key.get()) != 1) {
        error = "cannot write the Ed25519 key: " + OpenSslReason("PEM encoding failed");
        return false;
    }
    privatePem = BioText(privateBio.get());
    publicPem = BioText(publicBio.get());
    return true;
}

bool SignDefinitions(std::string_view privatePem, std::string_view bytes, std::string& signature,
                     std::string& error) {
    Bio bio = MemoryBio(privatePem);
    const Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!IsEd25519(key)) {
        ERR_clear_error();
        error = "the private key is not an Ed25519 private key in PEM";
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    unsigned char raw[kSignatureBytes];
    std::size_t length = sizeof raw;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), raw, &length,
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) != 1 ||
        length != kSignatureBytes) {
        error = "cannot sign: " + OpenSslReason("signing failed");
        return false;
    }
    signature = EncodeSignature(raw) + "\n";
    return true;
}

bool VerifyDefinitions(std::string_view publicPem, std::string_view bytes,
                       std::string_view signature, std::string& error) {
    Bio bio = MemoryBio(publicPem);
    const Pkey key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!IsEd25519(key)) {
        ERR_clear_error();
        error = "the public key is not an Ed25519 public key in PEM";
        return false;
    }
    std::vector<unsigned char> raw;
    if (!DecodeSignature(signature, raw)) {
        error = "malformed signature file (not 64 bytes of Ed25519 signature, raw or base64)";
        return false;
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        error = "cannot check the signature: " + OpenSslReason("verification failed");
        return false;
    }
    const int verified =
        EVP_DigestVerify(context.get(), raw.data(), raw.size(),
                         reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    ERR_clear_error();
    if (verified != 1) {
        error = "bad signature: the file is not signed by the definitions key";
        return false;
    }
    return true;
}

} // namespace hookwise::tools
