// The administrator password rules without a window: checking a typed password, validating a new
// one in the fixed order of its steps, and the stored encoding. The password dialog shows the
// messages these return and clears the fields they name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hookwise::core {

constexpr std::size_t kMinPasswordLength = 6;
constexpr std::size_t kMaxPasswordLength = 31;

// True when typed equals the stored (encoded) password, ignoring letter case. With no password
// stored only an empty entry matches.
bool CheckPassword(std::string_view typed, std::string_view storedEncoded);

// The stored form of a password: EncodeFileName(password).
std::string EncodePassword(std::string_view password);

// True when the login gate must ask: not logged in and a password is stored.
bool NeedsAdministratorLogin(int isLogin, std::string_view storedEncoded);

// Fields of the password window that a failed step clears.
enum PasswordField : unsigned {
    kFieldNone = 0,
    kFieldNew = 1,    // "_root.strPasswordValue"
    kFieldVerify = 2, // "_root.strVerifyPassword"
    kFieldOld = 4,    // "_root.strOldPasswordValue"
};

struct PasswordValidation {
    enum Outcome {
        Accept,   // store EncodePassword(newPassword)
        AskBlank, // ask messageId / captionId: OK stores an empty password, Cancel fails
        Refuse,   // show messageId / captionId and clear `clear`
    } outcome = Accept;
    std::uint32_t messageId = 0; // string ids (StringTable.h)
    std::uint32_t captionId = 0;
    unsigned clear = kFieldNone;
};

// The set / change validation, in order: (1) with a password stored, oldPassword must match it
// (7005 / 7006); (2) an empty new password asks 7007 / 7006; (3) new and verification must be
// equal ignoring case (7008 / 7009); (4) 6 to 31 characters, no space, and only characters the
// stored form keeps (codes 10-99 after upper-casing) (7010 / 7009); (5) accept. `clear` names the
// fields the step itself clears; after any refusal the window's OK handling then clears all three.
PasswordValidation ValidateNewPassword(std::string_view storedEncoded, std::string_view oldPassword,
                                       std::string_view newPassword,
                                       std::string_view verifyPassword);

// True when every character of password survives EncodeFileName / DecodeFileName.
bool IsStorablePassword(std::string_view password);

} // namespace hookwise::core
