// The password window: its modes and start labels, the login check and every validation message
// of a new password, shown through the program's message box.
#include "app/settings/PasswordDialog.h"

#include "app/alerts/MessageBoxWindow.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PasswordRules.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace hookwise::app;

using namespace hookwise::core;

namespace {

QString Text(std::uint32_t id) {
    return QString::fromStdString(LoadText(id));
}

QString Var(CMovieDialog& window, const char* name) {
    return window.Movie()->GetVariable(QLatin1String(name));
}

// What a run of the window showed and how it ended.
struct Outcome {
    int result = -1;
    std::optional<QString> message; // the first message box's text
    QString caption;
    bool fieldsCleared = false; // all three fields empty after the message
};

// Opens the window, types the three texts, presses OK; a message box is answered with `answer`,
// after which the window is cancelled (when it is still open).
Outcome TypeAndConfirm(PasswordDialog& window, const char* typed, const char* verify,
                       const char* old, int answer = 1) {
    Outcome outcome;
    outcome.result = RunModal(window, [&] {
        window.Movie()->SetVariable(QStringLiteral("_root.strPasswordValue"), QLatin1String(typed));
        window.Movie()->SetVariable(QStringLiteral("_root.strVerifyPassword"),
                                    QLatin1String(verify));
        window.Movie()->SetVariable(QStringLiteral("_root.strOldPasswordValue"),
                                    QLatin1String(old));
        WhenModal<MessageBoxWindow>(window, [&](MessageBoxWindow& box) {
            outcome.message = box.MessageText();
            outcome.caption = box.Caption();
            SendFromMovie(box, answer == 1 ? QStringLiteral("IDC_FS_OK")
                                           : QStringLiteral("IDC_FS_Cancel"));
            QTimer::singleShot(50, &window, [&] {
                if (!window.isVisible())
                    return;
                outcome.fieldsCleared = Var(window, "_root.strPasswordValue").isEmpty() &&
                                        Var(window, "_root.strVerifyPassword").isEmpty() &&
                                        Var(window, "_root.strOldPasswordValue").isEmpty();
                SendFromMovie(window, QStringLiteral("IDC_FS_CancelLoginPassword"));
            });
        });
        SendFromMovie(window, QStringLiteral("IDC_FS_LoginPassword"));
    });
    return outcome;
}

TEST(PasswordDialog, EachModeStartsAtItsLabelWithEmptyFields) {
    struct Row {
        int mode;
        const char* stored;
        int modeInForce;
        const char* label;
    } rows[] = {{PasswordDialog::ModeLogin, "", 0, "login"},
                {PasswordDialog::ModeSet, "", 1, "setps"},
                {PasswordDialog::ModeSet, "838367", 2, "changeps"},
                {PasswordDialog::ModeChange, "838367", 2, "changeps"}};
    for (const Row& row : rows) {
        PasswordDialog window(row.mode, row.stored);
        window.Prepare();
        EXPECT_EQ(window.Mode, row.modeInForce);
        EXPECT_EQ(MovieRootOf(window)->property("currentLabel").toString(),
                  QLatin1String(row.label));
        EXPECT_EQ(Var(window, "_root.strPasswordValue"), QString());
        EXPECT_EQ(Var(window, "_root.strVerifyPassword"), QString());
        EXPECT_EQ(Var(window, "_root.strOldPasswordValue"), QString());
    }
}

TEST(PasswordDialog, LoginAcceptsTheStoredPasswordInAnyCase) {
    PasswordDialog window(PasswordDialog::ModeLogin, EncodePassword("Secret1"));
    const Outcome outcome = TypeAndConfirm(window, "sEcReT1", "", "");
    EXPECT_EQ(outcome.result, 1);
    EXPECT_FALSE(outcome.message);
}

TEST(PasswordDialog, AWrongLoginShowsTheErrorClearsTheFieldAndStaysOpen) {
    PasswordDialog window(PasswordDialog::ModeLogin, EncodePassword("Secret1"));
    const Outcome outcome = TypeAndConfirm(window, "wrong12", "", "");
    ASSERT_TRUE(outcome.message);
    EXPECT_EQ(*outcome.message, Text(7003));
    EXPECT_EQ(outcome.caption, Text(7004));
    EXPECT_TRUE(outcome.fieldsCleared);
    EXPECT_EQ(outcome.result, 2); // cancelled afterwards by the test
}

TEST(PasswordDialog, WithNoPasswordOnlyAnEmptyLoginIsAccepted) {
    PasswordDialog accepted(PasswordDialog::ModeLogin, "");
    EXPECT_EQ(TypeAndConfirm(accepted, "", "", "").result, 1);
    PasswordDialog refused(PasswordDialog::ModeLogin, "");
    EXPECT_EQ(TypeAndConfirm(refused, "anything", "", "").message.value_or(QString()), Text(7003));
}

struct NewPasswordRow {
    const char* name;
    const char* stored; // plain text; "" = none
    const char* typed;
    const char* verify;
    const char* old;
    int answer;            // to a message box
    int result;            // 1 accepted, 2 stayed open (then cancelled)
    std::uint32_t message; // 0: none shown
    std::uint32_t caption;
    const char* storedAfter; // the plain password the window returns on 1
};

class NewPassword : public ::testing::TestWithParam<NewPasswordRow> {};

TEST_P(NewPassword, IsValidatedInOrder) {
    const NewPasswordRow& row = GetParam();
    const std::string stored = EncodePassword(row.stored);
    PasswordDialog window(PasswordDialog::ModeSet, stored);
    const Outcome outcome = TypeAndConfirm(window, row.typed, row.verify, row.old, row.answer);
    EXPECT_EQ(outcome.result, row.result);
    if (row.message == 0) {
        EXPECT_FALSE(outcome.message) << outcome.message.value_or(QString()).toStdString();
    } else {
        ASSERT_TRUE(outcome.message);
        EXPECT_EQ(*outcome.message, Text(row.message));
        EXPECT_EQ(outcome.caption, Text(row.caption));
    }
    if (row.result == 1)
        EXPECT_EQ(window.Password, EncodePassword(row.storedAfter));
    else
        EXPECT_TRUE(outcome.fieldsCleared);
}

const NewPasswordRow kNewPasswords[] = {
    {"SixAccepted", "", "abcdef", "abcdef", "", 1, 1, 0, 0, "abcdef"},
    {"ThirtyOneAccepted", "", "abcdefghijabcdefghijabcdefghija", "abcdefghijabcdefghijabcdefghija",
     "", 1, 1, 0, 0, "abcdefghijabcdefghijabcdefghija"},
    {"FiveRefused", "", "abcde", "abcde", "", 1, 2, 7010, 7009, ""},
    {"ThirtyTwoRefused", "", "abcdefghijabcdefghijabcdefghijab", "abcdefghijabcdefghijabcdefghijab",
     "", 1, 2, 7010, 7009, ""},
    {"BlankInsideRefused", "", "abc def", "abc def", "", 1, 2, 7010, 7009, ""},
    {"MismatchRefused", "", "abcdefg", "abcdefh", "", 1, 2, 7008, 7009, ""},
    {"CaseOnlyDifferenceAccepted", "", "Passw0rd", "PASSW0RD", "", 1, 1, 0, 0, "PASSW0RD"},
    {"BlankAcceptedOnOk", "", "", "", "", 1, 1, 7007, 7006, ""},
    {"BlankRefusedOnCancel", "", "", "", "", 2, 2, 7007, 7006, ""},
    {"ChangeWithWrongOldRefused", "oldpass", "newpass1", "newpass1", "other", 1, 2, 7005, 7006, ""},
    {"ChangeWithOldInOtherCase", "oldpass", "newpass1", "newpass1", "OLDPASS", 1, 1, 0, 0,
     "newpass1"},
    {"ChangeToBlank", "oldpass", "", "", "oldpass", 1, 1, 7007, 7006, ""},
};
INSTANTIATE_TEST_SUITE_P(Rules, NewPassword, ::testing::ValuesIn(kNewPasswords),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PasswordDialog, ACaseInsensitiveNewPasswordMatchesAtLoginInAnyCase) {
    PasswordDialog set(PasswordDialog::ModeSet, "");
    ASSERT_EQ(TypeAndConfirm(set, "MixedCase9", "mixedcase9", "").result, 1);
    PasswordDialog login(PasswordDialog::ModeLogin, set.Password);
    EXPECT_EQ(TypeAndConfirm(login, "MIXEDcase9", "", "").result, 1);
}

} // namespace
