// The password rules: checking a typed password and the validation steps in their order.
#include "core/settings/PasswordRules.h"
#include "core/settings/StringTable.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

const std::string kStored = EncodePassword("Secret1"); // "836967826984" + "49"

TEST(CheckPassword, MatchesIgnoringCase) {
    EXPECT_EQ(kStored, "83696782698449");
    EXPECT_TRUE(CheckPassword("secret1", kStored));
    EXPECT_TRUE(CheckPassword("SECRET1", kStored));
    EXPECT_FALSE(CheckPassword("secret", kStored));
    EXPECT_FALSE(CheckPassword("", kStored));
    EXPECT_TRUE(CheckPassword("", "")); // no password: only an empty entry
    EXPECT_FALSE(CheckPassword("x", ""));
}

TEST(NeedsAdministratorLogin, OnlyWhenLoggedOutWithAPassword) {
    EXPECT_TRUE(NeedsAdministratorLogin(0, kStored));
    EXPECT_FALSE(NeedsAdministratorLogin(1, kStored));
    EXPECT_FALSE(NeedsAdministratorLogin(0, ""));
}

struct ValidationRow {
    const char* name;
    const char* stored; // plain text of the stored password, "" for none
    const char* oldPassword;
    const char* newPassword;
    const char* verify;
    PasswordValidation::Outcome outcome;
    std::uint32_t message;
    std::uint32_t caption;
};

void PrintTo(const ValidationRow& row, std::ostream* os) {
    *os << row.name;
}

using V = PasswordValidation;

const ValidationRow kRows[] = {
    {"SixAccepted", "", "", "abcdef", "abcdef", V::Accept, 0, 0},
    {"ThirtyOneAccepted", "", "", "abcdefghijabcdefghijabcdefghija",
     "abcdefghijabcdefghijabcdefghija", V::Accept, 0, 0},
    {"FiveRefused", "", "", "abcde", "abcde", V::Refuse, kStrPasswordRule, kStrPasswordError},
    {"ThirtyTwoRefused", "", "", "abcdefghijabcdefghijabcdefghijab",
     "abcdefghijabcdefghijabcdefghijab", V::Refuse, kStrPasswordRule, kStrPasswordError},
    {"BlankInside", "", "", "abc def", "abc def", V::Refuse, kStrPasswordRule, kStrPasswordError},
    {"CaseOnlyDifferenceAccepted", "", "", "Secret1", "sECRET1", V::Accept, 0, 0},
    {"Mismatch", "", "", "secret1", "secret2", V::Refuse, kStrPasswordMismatch, kStrPasswordError},
    {"EmptyAsks", "", "", "", "", V::AskBlank, kStrBlankPasswordAsk, kStrPasswordWarning},
    {"WrongOld", "Secret1", "nope", "abcdefg", "abcdefg", V::Refuse, kStrWrongOldPassword,
     kStrPasswordWarning},
    {"OldCheckedFirst", "Secret1", "nope", "", "", V::Refuse, kStrWrongOldPassword,
     kStrPasswordWarning},
    {"RightOldAnyCase", "Secret1", "SECRET1", "newpass", "newpass", V::Accept, 0, 0},
    {"MismatchBeforeLength", "", "", "abc", "abd", V::Refuse, kStrPasswordMismatch,
     kStrPasswordError},
    {"UnstorableCharacter", "", "", "abc~def", "abc~def", V::Refuse, kStrPasswordRule,
     kStrPasswordError},
    {"NonAscii", "", "",
     "abc\xC3\xA4"
     "de",
     "abc\xC3\xA4"
     "de",
     V::Refuse, kStrPasswordRule, kStrPasswordError},
};

class PasswordValidationSteps : public ::testing::TestWithParam<ValidationRow> {};

TEST_P(PasswordValidationSteps, RunInOrder) {
    const ValidationRow& row = GetParam();
    std::string stored = *row.stored ? EncodePassword(row.stored) : "";
    PasswordValidation v =
        ValidateNewPassword(stored, row.oldPassword, row.newPassword, row.verify);
    EXPECT_EQ(v.outcome, row.outcome);
    EXPECT_EQ(v.messageId, row.message);
    EXPECT_EQ(v.captionId, row.caption);
    if (v.outcome == V::Refuse) {
        EXPECT_EQ(v.clear, unsigned(kFieldNew | kFieldVerify));
    }
    if (v.outcome == V::Accept) {
        // What is accepted is found again at login, in any letter case.
        std::string encoded = EncodePassword(row.newPassword);
        EXPECT_TRUE(CheckPassword(row.newPassword, encoded));
        EXPECT_TRUE(CheckPassword(row.verify, encoded));
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, PasswordValidationSteps, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
