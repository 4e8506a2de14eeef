// DefinitionSignature: Ed25519 key pairs (PEM) and detached signatures of definition files.
//
// A signature file holds the 64-byte Ed25519 signature of the whole signed file, either as those
// raw bytes or as one line of base64 (what SignDefinitions writes); nothing else may be in it.
#pragma once

#include <string>
#include <string_view>

namespace hookwise::tools {

// A new key pair: the private key as PKCS#8 PEM, the public key as SubjectPublicKeyInfo PEM.
// False, with the reason in error and both outputs untouched, when OpenSSL cannot make one.
bool GenerateSigningKeys(std::string& privatePem, std::string& publicPem, std::string& error);

// The signature file text (base64 of the 64-byte signature, then LF) of bytes under the private
// key privatePem. False, with the reason in error, when the key is not an Ed25519 private key in
// PEM or signing fails.
bool SignDefinitions(std::string_view privatePem, std::string_view bytes, std::string& signature,
                     std::string& error);

// True when signature (raw or base64, see above) is a valid Ed25519 signature of bytes under the
// public key publicPem. False, with a reason that says "signature" or names the key in error,
// when the key is not an Ed25519 public key in PEM, the signature file is malformed, or the
// signature does not match.
bool VerifyDefinitions(std::string_view publicPem, std::string_view bytes,
                       std::string_view signature, std::string& error);

// The one-line base64 form of a signature file (raw or base64), without a line end. False when
// the file is not a signature file.
bool SignatureLine(std::string_view signature, std::string& line);

} // namespace hookwise::tools
