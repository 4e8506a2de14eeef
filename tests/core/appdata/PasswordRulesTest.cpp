// The password rules: checking a typed password and the validation steps in their order.
#include "core/settings/PasswordRules.h"

#include "core/settings/StringTable.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace hookwise::core;

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
    const char* stored = ""; // plain text of the stored password, "" for none
    const char* oldPassword = "";
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
    {.name = "SixAccepted",
     .newPassword = "abcdef",
     .verify = "abcdef",
     .outcome = V::Accept,
     .message = 0,
     .caption = 0},
    {.name = "ThirtyOneAccepted",
     .newPassword = "abcdefghijabcdefghijabcdefghija",
     .verify = "abcdefghijabcdefghijabcdefghija",
     .outcome = V::Accept,
     .message = 0,
     .caption = 0},
    {.name = "FiveRefused",
     .newPassword = "abcde",
     .verify = "abcde",
     .outcome = V::Refuse,
     .message = kStrPasswordRule,
     .caption = kStrPasswordError},
    {.name = "ThirtyTwoRefused",
     .newPassword = "abcdefghijabcdefghijabcdefghijab",
     .verify = "abcdefghijabcdefghijabcdefghijab",
     .outcome = V::Refuse,
     .message = kStrPasswordRule,
     .caption = kStrPasswordError},
    {.name = "BlankInside",
     .newPassword = "abc def",
     .verify = "abc def",
     .outcome = V::Refuse,
     .message = kStrPasswordRule,
     .caption = kStrPasswordError},
    {.name = "CaseOnlyDifferenceAccepted",
     .newPassword = "Secret1",
     .verify = "sECRET1",
     .outcome = V::Accept,
     .message = 0,
     .caption = 0},
    {.name = "Mismatch",
     .newPassword = "secret1",
     .verify = "secret2",
     .outcome = V::Refuse,
     .message = kStrPasswordMismatch,
     .caption = kStrPasswordError},
    {.name = "EmptyAsks",
     .newPassword = "",
     .verify = "",
     .outcome = V::AskBlank,
     .message = kStrBlankPasswordAsk,
     .caption = kStrPasswordWarning},
    {.name = "WrongOld",
     .stored = "Secret1",
     .oldPassword = "nope",
     .newPassword = "abcdefg",
     .verify = "abcdefg",
     .outcome = V::Refuse,
     .message = kStrWrongOldPassword,
     .caption = kStrPasswordWarning},
    {.name = "OldCheckedFirst",
     .stored = "Secret1",
     .oldPassword = "nope",
     .newPassword = "",
     .verify = "",
     .outcome = V::Refuse,
     .message = kStrWrongOldPassword,
     .caption = kStrPasswordWarning},
    {.name = "RightOldAnyCase",
     .stored = "Secret1",
     .oldPassword = "SECRET1",
     .newPassword = "newpass",
     .verify = "newpass",
     .outcome = V::Accept,
     .message = 0,
     .caption = 0},
    {.name = "MismatchBeforeLength",
     .newPassword = "abc",
     .verify = "abd",
     .outcome = V::Refuse,
     .message = kStrPasswordMismatch,
     .caption = kStrPasswordError},
    {.name = "UnstorableCharacter",
     .newPassword = "abc~def",
     .verify = "abc~def",
     .outcome = V::Refuse,
     .message = kStrPasswordRule,
     .caption = kStrPasswordError},
    {.name = "NonAscii",
     .newPassword = "abc\xC3\xA4"
                    "de",
     .verify = "abc\xC3\xA4"
               "de",
     .outcome = V::Refuse,
     .message = kStrPasswordRule,
     .caption = kStrPasswordError},
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
