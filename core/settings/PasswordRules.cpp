// The administrator password rules: check, validation steps and stored form.
#include "core/settings/PasswordRules.h"

#include "core/FileNames.h"
#include "core/TextUtil.h"
#include "core/settings/StringTable.h"

namespace hookwise::core {

bool CheckPassword(std::string_view typed, std::string_view storedEncoded) {
    return platform::EqualsIgnoreAsciiCase(typed, DecodeFileName(storedEncoded));
}

std::string EncodePassword(std::string_view password) {
    return EncodeFileName(password);
}

bool NeedsAdministratorLogin(int isLogin, std::string_view storedEncoded) {
    return isLogin == 0 && !storedEncoded.empty();
}

bool IsStorablePassword(std::string_view password) {
    // Each character is stored as its upper-cased code in exactly two decimal digits.
    for (char c : platform::AsciiUppered(password)) {
        unsigned code = static_cast<unsigned char>(c);
        if (code < 10 || code > 99)
            return false;
    }
    return true;
}

PasswordValidation ValidateNewPassword(std::string_view storedEncoded, std::string_view oldPassword,
                                       std::string_view newPassword,
                                       std::string_view verifyPassword) {
    using V = PasswordValidation;
    if (!storedEncoded.empty() && !CheckPassword(oldPassword, storedEncoded))
        return V{V::Refuse, kStrWrongOldPassword, kStrPasswordWarning, kFieldNew | kFieldVerify};
    if (newPassword.empty())
        return V{V::AskBlank, kStrBlankPasswordAsk, kStrPasswordWarning, kFieldNone};
    if (!platform::EqualsIgnoreAsciiCase(newPassword, verifyPassword))
        return V{V::Refuse, kStrPasswordMismatch, kStrPasswordError, kFieldNew | kFieldVerify};
    // A password whose characters the stored form cannot keep could never be typed again.
    if (newPassword.size() < kMinPasswordLength || newPassword.size() > kMaxPasswordLength ||
        newPassword.find(' ') != std::string_view::npos || !IsStorablePassword(newPassword))
        return V{V::Refuse, kStrPasswordRule, kStrPasswordError, kFieldNew | kFieldVerify};
    return V{V::Accept, 0, 0, kFieldNone};
}

} // namespace hookwise::core
