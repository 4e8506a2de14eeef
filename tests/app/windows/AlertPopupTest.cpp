// The alert popup: the variables of each kind, the corner placement and its growth, the answers,
// the remember flag and the login gate in front of them.
#include "app/alerts/AlertPopup.h"

#include "app/settings/PasswordDialog.h"
#include "app/settings/RequireAdministrator.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/PasswordRules.h"
#include "WindowTestSupport.h"

#include <QScreen>

#include <gtest/gtest.h>

using namespace hookwise::app;

using namespace hookwise::core;

namespace {

QString Var(CMovieDialog& window, const char* name) {
    return window.Movie()->GetVariable(QLatin1String(name));
}

void FillMail(AlertPopup& alert, const char* type) {
    alert.AlertKind = AlertPopup::MailAlert;
    alert.Type = QLatin1String(type);
    alert.StrictedData = QStringLiteral("bad@phish.example");
    alert.From = QStringLiteral("Bank <bad@phish.example>");
    alert.To = QStringLiteral("me@example.com");
    alert.Subject = QStringLiteral("Verify now");
    alert.Application = QStringLiteral("Web mail");
    alert.DateTime = QStringLiteral("01/02/2024 10:11:12");
    alert.Protocol = QStringLiteral("HTTP");
    alert.Attachment = QStringLiteral("a.pdf");
    alert.ToolTip = QStringLiteral("Known phishing sender");
}

struct MailTypeRow {
    const char* name;
    const char* type;
    const char* spamType;
    const char* rememberText;
};

class AlertMailType : public ::testing::TestWithParam<MailTypeRow> {};

TEST_P(AlertMailType, SetsTheMailVariables) {
    const MailTypeRow& row = GetParam();
    AlertPopup alert;
    FillMail(alert, row.type);
    alert.Prepare();
    EXPECT_EQ(Var(alert, "_root.strPopupName"), QStringLiteral("SpamMail"));
    EXPECT_EQ(Var(alert, "_root.strSpamType"), QLatin1String(row.spamType));
    EXPECT_EQ(Var(alert, "_root.strRememberAnswer"), QLatin1String(row.rememberText));
    EXPECT_EQ(Var(alert, "_root.strStrictedData"), QStringLiteral("bad@phish.example"));
    EXPECT_EQ(Var(alert, "_root.strFrom"), QStringLiteral("Bank <bad@phish.example>"));
    EXPECT_EQ(Var(alert, "_root.strTo"), QStringLiteral("me@example.com"));
    EXPECT_EQ(Var(alert, "_root.strSubject"), QStringLiteral("Verify now"));
    EXPECT_EQ(Var(alert, "_root.strApplication"), QStringLiteral("Web mail"));
    EXPECT_EQ(Var(alert, "_root.strDateTime"), QStringLiteral("01/02/2024 10:11:12"));
    EXPECT_EQ(Var(alert, "_root.strProtocol"), QStringLiteral("HTTP"));
    EXPECT_EQ(Var(alert, "_root.strAttachment"), QStringLiteral("a.pdf"));
    EXPECT_EQ(Var(alert, "_root.strToolTip"), QStringLiteral("Known phishing sender"));
    EXPECT_EQ(Var(alert, "_root.bRememberAnswer"), QString());
}

const MailTypeRow kMailTypes[] = {
    {"From", "From",
     "Phishing e-mail Source Address :", "an email from this Phishing Source Address"},
    {"FromOtherCase", "from", "Phishing e-mail from :", "this Phishing e-mail from"},
    {"Link", "Link", "Phishing e-mail Link :", "this Phishing e-mail Link"},
    {"Subject", "Subject", "Phishing e-mail Subject :", "this Phishing e-mail Subject"},
};
INSTANTIATE_TEST_SUITE_P(Types, AlertMailType, ::testing::ValuesIn(kMailTypes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlertPopup, AWebAlertSetsTheWebVariablesAndNoRememberText) {
    AlertPopup alert;
    alert.AlertKind = AlertPopup::WebAlert;
    alert.Type = QStringLiteral("URL");
    alert.StrictedData = QStringLiteral("phish.example/login");
    alert.ScamSite = QStringLiteral("phish.example");
    alert.IPAddress = QStringLiteral("203.0.113.9");
    alert.Application = QStringLiteral("browser");
    alert.DateTime = QStringLiteral("now");
    alert.Protocol = QStringLiteral("HTTP");
    alert.Prepare();
    EXPECT_EQ(Var(alert, "_root.strPopupName"), QStringLiteral("SpamWebsite"));
    EXPECT_EQ(Var(alert, "_root.strScamSite"), QStringLiteral("phish.example"));
    EXPECT_EQ(Var(alert, "_root.strSpamType"), QStringLiteral("Phishing Website"));
    EXPECT_EQ(Var(alert, "_root.strStrictedData"), QStringLiteral("phish.example/login"));
    EXPECT_EQ(Var(alert, "_root.strIPAddress"), QStringLiteral("203.0.113.9"));
    EXPECT_EQ(Var(alert, "_root.strApplication"), QStringLiteral("browser"));
    EXPECT_EQ(Var(alert, "_root.strProtocol"), QStringLiteral("HTTP"));
    EXPECT_EQ(Var(alert, "_root.strRememberAnswer"), QString());
}

TEST(AlertPopup, AnUnknownKindFillsNoDetectionTexts) {
    AlertPopup alert;
    FillMail(alert, "From");
    alert.AlertKind = 7;
    alert.Prepare();
    EXPECT_EQ(Var(alert, "_root.strPopupName"), QString());
    EXPECT_EQ(Var(alert, "_root.strStrictedData"), QString());
    EXPECT_EQ(Var(alert, "_root.strToolTip"), QStringLiteral("Known phishing sender"));
}

TEST(AlertPopup, OpensTopmostInTheBottomRightCornerAndGrowsUpward) {
    AlertPopup alert;
    FillMail(alert, "From");
    alert.Prepare();
    EXPECT_TRUE(alert.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect area = alert.screen()->availableGeometry();
    const QSize start = alert.size();
    EXPECT_EQ(start, DialogUnitsToPixels(200, 130));
    EXPECT_EQ(alert.geometry().bottomRight(), area.bottomRight());

    SendFromMovie(alert, QStringLiteral("IDC_FS_MoreInfo"));
    SendFromMovie(alert, QStringLiteral("idc_fs_moreinfo"));
    EXPECT_EQ(alert.size(), QSize(start.width(), start.height() + 324));
    EXPECT_EQ(alert.Movie()->size(), alert.size());
    EXPECT_EQ(alert.geometry().bottomRight(), area.bottomRight());
}

TEST(AlertPopup, NeverGrowsTallerThanTheScreen) {
    AlertPopup alert;
    alert.Prepare();
    for (int i = 0; i < 20; ++i)
        SendFromMovie(alert, QStringLiteral("IDC_FS_MoreInfo"));
    const QRect area = alert.screen()->availableGeometry();
    EXPECT_EQ(alert.height(), area.height());
    EXPECT_EQ(alert.geometry().top(), area.top());
}

struct AnswerRow {
    const char* name;
    const char* rememberValue; // what the movie's box holds at the answer
    const char* command;       // empty: the window is closed
    int result;
    bool remember;
};

class AlertAnswer : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(AlertAnswer, ReturnsTheAnswerAndTheRememberFlag) {
    const AnswerRow& row = GetParam();
    SetAdministratorGate(nullptr, nullptr);
    AlertPopup alert;
    FillMail(alert, "From");
    const int result = RunModal(alert, [&] {
        alert.Movie()->SetVariable(QStringLiteral("_root.bRememberAnswer"),
                                   QLatin1String(row.rememberValue));
        if (QByteArray(row.command).isEmpty())
            alert.close();
        else
            SendFromMovie(alert, QLatin1String(row.command));
    });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(alert.remember, row.remember);
}

const AnswerRow kAnswers[] = {
    {"AllowTicked", "true", "IDC_FS_ALLOW", 1, true},
    {"AllowTickedUpperCase", "TRUE", "IDC_FS_ALLOW", 1, true},
    {"AllowOneIsNotTicked", "1", "IDC_FS_ALLOW", 1, false},
    {"AllowEmpty", "", "IDC_FS_ALLOW", 1, false},
    {"BlockTicked", "True", "IDC_FS_BLOCK", 2, true},
    {"BlockFalse", "false", "idc_fs_block", 2, false},
    {"CloseIsBlock", "true", "", 2, true},
};
INSTANTIATE_TEST_SUITE_P(Answers, AlertAnswer, ::testing::ValuesIn(kAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlertPopup, TheMoviesRememberBoxIsWhatCounts) {
    SetAdministratorGate(nullptr, nullptr);
    AlertPopup alert;
    alert.AlertKind = AlertPopup::WebAlert;
    const int result = RunModal(alert, [&] {
        // The web alert has no remember text, yet its box is read on answer.
        MovieRootOf(alert)->setProperty("bRememberAnswer", QStringLiteral("true"));
        SendFromMovie(alert, QStringLiteral("IDC_FS_BLOCK"));
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(alert.remember);
}

class AlertLoginGate : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.Password = EncodePassword("secret7");
        settings_.IsLogin = 0;
        SetAdministratorGate(&settings_, [this] { ++refreshes_; });
    }
    void TearDown() override { SetAdministratorGate(nullptr, nullptr); }

    GeneralSettings settings_;
    int refreshes_ = 0;
};

TEST_F(AlertLoginGate, ARefusedLoginLeavesTheAlertOpenAndRememberUnchanged) {
    AlertPopup alert;
    FillMail(alert, "From");
    bool stayedOpen = false;
    const int result = RunModal(alert, [&] {
        alert.Movie()->SetVariable(QStringLiteral("_root.bRememberAnswer"), QStringLiteral("true"));
        WhenModal<PasswordDialog>(alert, [&](PasswordDialog& login) {
            EXPECT_EQ(login.Mode, PasswordDialog::ModeLogin);
            SendFromMovie(login, QStringLiteral("IDC_FS_CancelLoginPassword"));
            QTimer::singleShot(50, &alert, [&] {
                stayedOpen = alert.isVisible();
                SetAdministratorGate(nullptr, nullptr);
                SendFromMovie(alert, QStringLiteral("IDC_FS_BLOCK"));
            });
        });
        SendFromMovie(alert, QStringLiteral("IDC_FS_ALLOW"));
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, 2);
    EXPECT_EQ(settings_.IsLogin, 0);
    EXPECT_EQ(refreshes_, 0);
}

TEST_F(AlertLoginGate, ACorrectLoginLogsInAndAnswers) {
    AlertPopup alert;
    FillMail(alert, "From");
    const int result = RunModal(alert, [&] {
        WhenModal<PasswordDialog>(alert, [&](PasswordDialog& login) {
            login.Movie()->SetVariable(QStringLiteral("_root.strPasswordValue"),
                                       QStringLiteral("SECRET7"));
            SendFromMovie(login, QStringLiteral("IDC_FS_LoginPassword"));
        });
        SendFromMovie(alert, QStringLiteral("IDC_FS_ALLOW"));
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(settings_.IsLogin, 1);
    EXPECT_EQ(refreshes_, 1);
}

TEST_F(AlertLoginGate, NoLoginIsAskedWhenLoggedInOrWithoutPassword) {
    settings_.IsLogin = 1;
    EXPECT_TRUE(RequireAdministrator());
    settings_.IsLogin = 0;
    settings_.Password.clear();
    EXPECT_TRUE(RequireAdministrator());
    EXPECT_EQ(refreshes_, 0);
}

} // namespace
