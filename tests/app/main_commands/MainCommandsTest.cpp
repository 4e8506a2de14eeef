// The main window's command table, sent to the running main window offscreen with its real movie:
// letter case and unknown commands, the window commands, the protection switches behind the login
// gate, the feeders' answers, entry details, row commands and removal (also while the feeders
// run), the alert log commands, the test command and the input filter.
#include "app/MainCommands.h"

#include "app/alerts/AlertPopup.h"
#include "core/lists/ListFeeder.h"
#include "core/lists/ListNames.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"
#include "CommandTestSupport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QQuickItem>

using namespace hookwise::app;

using namespace hookwise::core;

using namespace cmdtest;

namespace {

class MainCommandsTest : public MainWindowTest {
protected:
    // n entries in each list, every field telling which entry it is.
    void Fill(int n) {
        for (int i = 0; i < n; ++i) {
            const std::string s = std::to_string(i);
            MailSafeItem mail;
            mail.Type = "From";
            mail.StrictedData = "sender" + s + "@phish.example";
            mail.Program = "mailer" + s;
            mail.DataTime = "time" + s;
            mail.From = "from" + s + "@phish.example";
            mail.To = "to" + s + "@home.example";
            mail.Subject = "subject " + s;
            mail.AttachmentFile = "file" + s + ".zip";
            mail.Port = i % 2 ? 143 : 110;
            app_->MailList.Append(mail);
            WebSiteBlockingItem site;
            site.Type = "URL";
            site.StrictedData = "site" + s + ".example/login";
            site.ScamSite = site.StrictedData;
            site.Program = "browser" + s;
            site.DataTime = "when" + s;
            site.IPAddress = "192.0.2." + s;
            site.Port = i % 2 ? 21 : 80;
            app_->SiteList.Append(site);
            AlertLogEntry entry;
            entry.Type = "URL";
            entry.StrictedData = "entry" + s;
            entry.Count = 1;
            entry.Rating = LoadText(kStrRatingMedium);
            app_->Log.AddEntry(entry);
        }
    }

    std::vector<std::string> MovieColumn(const char* model) {
        std::vector<std::string> values;
        for (int row = 0; row < Rows(model); ++row)
            values.push_back(Cell(model, row, "stricted").toStdString());
        return values;
    }
    std::vector<std::string> MailKeys() {
        std::vector<std::string> keys;
        for (const MailSafeItem& item : app_->MailList.Items())
            keys.push_back(item.StrictedData);
        return keys;
    }
    std::vector<std::string> SiteKeys() {
        std::vector<std::string> keys;
        for (const WebSiteBlockingItem& item : app_->SiteList.Items())
            keys.push_back(item.StrictedData);
        return keys;
    }
};

TEST_F(MainCommandsTest, CommandsCompareIgnoringCaseAndUnknownOnesAreIgnored) {
    Start();
    Send("idc_fs_mailprotectionoff");
    EXPECT_EQ(app_->MailList.ProtectionState, 0);
    Send("IDC_FS_MAILPROTECTIONON");
    EXPECT_EQ(app_->MailList.ProtectionState, 1);

    EXPECT_FALSE(
        window_->Commands().Dispatch(QStringLiteral("IDC_FS_NoSuchCommand"), QStringLiteral("1")));
    EXPECT_FALSE(
        window_->Commands().Dispatch(QStringLiteral("IDC_FS_mailListItem"), QStringLiteral("0")));
    EXPECT_TRUE(
        window_->Commands().Dispatch(QStringLiteral("idc_fs_close"), QStringLiteral("undefined")));
    EXPECT_FALSE(window_->IsEnding());
    EXPECT_TRUE(window_->isMinimized() || !window_->isVisible());
}

TEST_F(MainCommandsTest, MinimiseMakesRestoreTheTrayDefault) {
    Start();
    Send("IDC_FS_MINIMIZE");
    EXPECT_TRUE(window_->isMinimized());
    EXPECT_EQ(window_->Tray().DefaultCommand(), MainWindow::kCommandRestore);
}

// ---- protection switches ----

struct SwitchCase {
    const char* command;
    bool mail;
    int state;
};

class ProtectionSwitch : public MainCommandsTest, public testing::WithParamInterface<SwitchCase> {
protected:
    int State() {
        return GetParam().mail ? app_->MailList.ProtectionState.load()
                               : app_->SiteList.ProtectionState.load();
    }
    void SetState(int state) {
        (GetParam().mail ? app_->MailList.ProtectionState : app_->SiteList.ProtectionState) = state;
    }
    const char* StateVariable() {
        return GetParam().mail ? "_root.bEnabledAdvMail" : "_root.bEnabledAdvweb";
    }
};

TEST_P(ProtectionSwitch, ActsWithoutPasswordAndOnlyAfterLoginWithOne) {
    const SwitchCase& c = GetParam();
    Start();
    SetState(1 - c.state);
    Send(c.command);
    EXPECT_EQ(State(), c.state);
    EXPECT_EQ(Variable(StateVariable()), QString::number(c.state));

    // A refused login changes nothing, but the movie's switch is set back to the state in force.
    SetState(1 - c.state);
    SetPassword("secret12");
    SetVariable(StateVariable(), QStringLiteral("stale"));
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, "wrong123"); })
            .Then<MessageBoxWindow>([](MessageBoxWindow& box) { Press(box, "IDC_FS_OK"); })
            .Then<PasswordDialog>([](PasswordDialog& d) { CancelPassword(d); });
        Send(c.command);
        EXPECT_TRUE(script.Done()) << script.Seen().join(u',').toStdString();
    }
    EXPECT_EQ(State(), 1 - c.state);
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    EXPECT_EQ(Variable(StateVariable()), QString::number(1 - c.state));

    // The right password (in any letter case) logs in and acts.
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, "SECRET12"); });
        Send(c.command);
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(State(), c.state);
    EXPECT_EQ(app_->Settings.IsLogin, 1);
    EXPECT_EQ(Variable("_root.bIsLogin"), "true");
}

INSTANTIATE_TEST_SUITE_P(Switches, ProtectionSwitch,
                         testing::Values(SwitchCase{"IDC_FS_MailProtectionOff", true, 0},
                                         SwitchCase{"IDC_FS_MailProtectionOn", true, 1},
                                         SwitchCase{"IDC_FS_SiteBlockingOff", false, 0},
                                         SwitchCase{"IDC_FS_SiteBlockingOn", false, 1}),
                         [](const auto& info) { return std::string(info.param.command + 7); });

// ---- handshake and details ----

TEST_F(MainCommandsTest, NoOperationAnswersFreeEachFeeder) {
    Start();
    struct {
        const char* command;
        ListFeeder& feeder;
    } rows[] = {{"IDC_FS_MailScamList_NoOperation", window_->MailFeeder()},
                {"IDC_FS_SiteScamList_NoOperation", window_->SiteFeeder()},
                {"IDC_FS_AlertLogList_NoOperation", window_->LogFeeder()}};
    for (auto& row : rows) {
        row.feeder.SetOperationFlag(kAddOperation);
        Send(row.command);
        EXPECT_EQ(row.feeder.OperationFlag(), kNoOperation) << row.command;
    }
}

TEST_F(MainCommandsTest, SiteDetailsFollowTheIndexAndClearForUndefined) {
    Start();
    Fill(3);
    const char* program = "_root.ScamProgramNameSiteEntryDetSItem.EntryValue";
    Send("IDC_FS_UpdateEntryDetailsWebListItem", QStringLiteral("1"));
    EXPECT_EQ(Variable(program), "browser1");
    EXPECT_EQ(Variable("_root.ScamDateTimeSiteEntryDetSItem.EntryValue"), "when1");
    EXPECT_EQ(Variable("_root.ScamIPAddressSiteEntryDetSItem.EntryValue"), "192.0.2.1");
    EXPECT_EQ(Variable("_root.ScamProtocolSiteEntryDetSItem.EntryValue"), "FTP");

    Send("IDC_FS_UpdateEntryDetailsWebListItem", QStringLiteral("undefined"));
    for (const char* name : {program, "_root.ScamDateTimeSiteEntryDetSItem.EntryValue",
                             "_root.ScamIPAddressSiteEntryDetSItem.EntryValue",
                             "_root.ScamProtocolSiteEntryDetSItem.EntryValue"})
        EXPECT_EQ(Variable(name), "") << name;
}

TEST_F(MainCommandsTest, MailDetailsSetEveryFieldIncludingTheTwoWithoutRoot) {
    Start();
    Fill(2);
    Send("IDC_FS_UpdateEntryDetailsMailListItem", QStringLiteral("0"));
    EXPECT_EQ(Variable("_root.ScamProgramNameMailEntryDetSItem.EntryValue"), "mailer0");
    // Set without "_root.": the movie holds them under the same names.
    EXPECT_EQ(Variable("ScamFromMailEntryDetSItem.EntryValue"), "from0@phish.example");
    EXPECT_EQ(Variable("ScamToMailEntryDetSItem.EntryValue"), "to0@home.example");
    EXPECT_EQ(Variable("_root.ScamSubjectMailEntryDetSItem.EntryValue"), "subject 0");
    EXPECT_EQ(Variable("_root.ScamDateTimeMailEntryDetSItem.EntryValue"), "time0");
    EXPECT_EQ(Variable("_root.ScamAttachmentMailEntryDetSItem.EntryValue"), "file0.zip");
    EXPECT_EQ(Variable("_root.ScamProtocolMailEntryDetSItem.EntryValue"), "POP3");
    QQuickItem* root = window_->Movie()->MovieRoot();
    EXPECT_EQ(root->property("mailDetailFrom").toString(), "from0@phish.example");

    Send("IDC_FS_UpdateEntryDetailsMailListItem", QStringLiteral("2"));
    EXPECT_EQ(Variable("ScamToMailEntryDetSItem.EntryValue"), "to0@home.example");
    Send("IDC_FS_UpdateEntryDetailsMailListItem", QStringLiteral("UNDEFINED"));
    EXPECT_EQ(Variable("ScamFromMailEntryDetSItem.EntryValue"), "");
    EXPECT_EQ(Variable("_root.ScamProtocolMailEntryDetSItem.EntryValue"), "");
}

// ---- row commands ----

TEST_F(MainCommandsTest, MailRowActionsNeedNoPassword) {
    Start();
    Fill(3);
    SetPassword("secret12");
    Feed();
    ModalScript script; // nothing may open
    Send("IDC_FS_mailListItemBlock", QStringLiteral("1"));
    EXPECT_EQ(app_->MailList.ItemAt(1).Action, kActionBlock);
    Send("IDC_FS_mailListItemAllow", QStringLiteral("2"));
    EXPECT_EQ(app_->MailList.ItemAt(2).Action, kActionAllow);
    Send("IDC_FS_mailListItemAsk", QStringLiteral("1"));
    EXPECT_EQ(app_->MailList.ItemAt(1).Action, kActionAsk);
    EXPECT_TRUE(script.Seen().isEmpty());
    // The movie's rows show the new actions.
    ASSERT_TRUE(PumpUntil([&] { return Cell("mailModel", 2, "action") == "Allow"; }));
    EXPECT_EQ(Cell("mailModel", 1, "action"), "Ask");
    EXPECT_EQ(Cell("mailModel", 0, "action"), "Ask");
}

TEST_F(MainCommandsTest, SiteRowActionsAskForThePasswordFirst) {
    Start();
    Fill(2);
    SetPassword("secret12");
    Feed();
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { CancelPassword(d); });
        Send("IDC_FS_siteListItemBlock", QStringLiteral("0"));
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->SiteList.ItemAt(0).Action, kActionAsk);
    {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { EnterPassword(d, "secret12"); });
        Send("IDC_FS_siteListItemBlock", QStringLiteral("0"));
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(app_->SiteList.ItemAt(0).Action, kActionBlock);
    // Logged in now: no more questions.
    Send("IDC_FS_siteListItemAllow", QStringLiteral("1"));
    EXPECT_EQ(app_->SiteList.ItemAt(1).Action, kActionAllow);
    ASSERT_TRUE(PumpUntil([&] { return Cell("siteModel", 1, "action") == "Allow"; }));
    EXPECT_EQ(Cell("siteModel", 0, "action"), "Block");
}

TEST_F(MainCommandsTest, RemoveTakesTheRowOutOfTheListAndTheMovie) {
    Start();
    Fill(4);
    Feed();
    Send("IDC_FS_mailListItemRemove", QStringLiteral("1"));
    Send("IDC_FS_siteListItemRemove", QStringLiteral("3"));
    Send("IDC_FS_siteListItemRemove", QStringLiteral("0"));
    ASSERT_TRUE(PumpUntil([&] { return Rows("mailModel") == 3 && Rows("siteModel") == 2; }));
    EXPECT_EQ(MailKeys(),
              (std::vector<std::string>{"sender0@phish.example", "sender2@phish.example",
                                        "sender3@phish.example"}));
    EXPECT_EQ(MovieColumn("mailModel"), MailKeys());
    EXPECT_EQ(SiteKeys(), (std::vector<std::string>{"site1.example/login", "site2.example/login"}));
    EXPECT_EQ(MovieColumn("siteModel"), SiteKeys());

    Send("IDC_FS_mailListItemRemoveAll");
    Send("IDC_FS_siteListItemRemoveAll");
    EXPECT_EQ(app_->MailList.Count(), 0);
    EXPECT_EQ(app_->SiteList.Count(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Rows("mailModel") == 0 && Rows("siteModel") == 0; }));
}

TEST_F(MainCommandsTest, RowsRemovedWhileTheFeedersRunKeepTheMovieInStep) {
    Start();
    Fill(300);
    window_->StartFeeders();
    // Removals at the front, in the middle and past the rows fed so far, while items cross.
    ASSERT_TRUE(PumpUntil([&] { return Rows("mailModel") > 0; }));
    Send("IDC_FS_mailListItemRemove", QStringLiteral("0"));
    Send("IDC_FS_mailListItemRemove", QStringLiteral("250"));
    Send("IDC_FS_siteListItemRemove", QStringLiteral("5"));
    Pump(30);
    Send("IDC_FS_mailListItemRemove", QStringLiteral("3"));
    Send("IDC_FS_siteListItemRemoveAll");
    Send("IDC_FS_LogVwClear");
    auto finished = [](ListFeeder& f) { return f.GetState() == ListFeeder::State::Finished; };
    ASSERT_TRUE(PumpUntil([&] {
        return finished(window_->MailFeeder()) && finished(window_->SiteFeeder()) &&
               finished(window_->LogFeeder());
    }));
    // The movie has every row of the lists once its model holds as many as the list.
    EXPECT_TRUE(PumpUntil([&] { return MovieColumn("mailModel") == MailKeys(); }));
    EXPECT_EQ(app_->MailList.Count(), 297);
    EXPECT_EQ(MovieColumn("mailModel"), MailKeys());
    EXPECT_EQ(Rows("siteModel"), 0);
    EXPECT_EQ(Rows("logModel"), 0);
}

// ---- alert log ----

TEST_F(MainCommandsTest, LogClearEmptiesTheLogAndTheMovieAndRecountsHighRated) {
    Start();
    Fill(2);
    AlertLogEntry high;
    high.Type = "IP";
    high.StrictedData = "203.0.113.9";
    high.Count = 12;
    high.Rating = LoadText(kStrRatingHigh);
    app_->Log.AddEntry(high);
    window_->RefreshMainMovie();
    EXPECT_EQ(Variable("_root.dwNoOfBlockedInstructionsHaveHighRating"), "1");
    Feed();
    Send("IDC_FS_LogVwClear");
    EXPECT_EQ(app_->Log.Count(), 0);
    EXPECT_EQ(Variable("_root.dwNoOfBlockedInstructionsHaveHighRating"), "0");
    ASSERT_TRUE(PumpUntil([&] { return Rows("logModel") == 0; }));
    EXPECT_EQ(app_->MailList.Count(), 2); // the lists stay
}

TEST_F(MainCommandsTest, LogViewerStepperReachesTheMovie) {
    Start();
    Send("IDC_FS_LogViewerStepper", QStringLiteral("75"));
    EXPECT_EQ(app_->Log.NoAlertView, 75);
    EXPECT_EQ(Variable("_root.LogViewerStepper"), "75");
}

// ---- the test command ----

TEST_F(MainCommandsTest, TestButtonShowsASamplePopupAndAddsSampleRows) {
    Start();
    Feed();
    auto* button = window_->findChild<QPushButton*>(QString::number(kTestCommandId));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isVisible());
    button->click();

    // The popup is open without a loop of its own: the command has returned.
    auto popups = window_->findChildren<AlertPopup*>();
    ASSERT_EQ(popups.size(), 1);
    EXPECT_TRUE(popups[0]->isVisible());
    EXPECT_FALSE(popups[0]->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(popups[0]->AlertKind, AlertPopup::WebAlert);

    ASSERT_EQ(app_->SiteList.Count(), 1);
    ASSERT_EQ(app_->Log.Count(), 1);
    ASSERT_TRUE(PumpUntil([&] { return Rows("siteModel") == 1 && Rows("logModel") == 1; }));
    EXPECT_EQ(Cell("siteModel", 0, "stricted").toStdString(),
              app_->SiteList.ItemAt(0).StrictedData);
    EXPECT_EQ(Cell("siteModel", 0, "action"), "Ask");
    EXPECT_EQ(Cell("logModel", 0, "action"), "Block");

    // Answering the popup ends it; a second test counts the log entry up.
    popups[0]->DispatchCommand(QStringLiteral("IDC_FS_BLOCK"), QStringLiteral("undefined"));
    button->click();
    EXPECT_EQ(app_->SiteList.Count(), 2);
    EXPECT_EQ(app_->Log.Count(), 1);
    EXPECT_EQ(app_->Log.EntryAt(0).Count, 2);
    ASSERT_TRUE(PumpUntil([&] { return Cell("logModel", 0, "hits") == "2"; }));
    EXPECT_EQ(Rows("siteModel"), 2);
}

// ---- input filter ----

class FilterProbe : public MainWindow {
public:
    using CMovieDialog::eventFilter;
    using MainWindow::MainWindow;
};

TEST_F(MainCommandsTest, TheMovieGetsNoRightButtonApplicationsKeyOrF1) {
    app_ = std::make_unique<TrayApp>(folder_.Program() + "/HookWs", false);
    auto probe = std::make_unique<FilterProbe>(*app_);
    FilterProbe* window = probe.get();
    window_ = std::move(probe);
    window_->Create();
    QObject* movie = window_->Movie();
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(40, 140), QPointF(40, 140), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    EXPECT_TRUE(window->eventFilter(movie, &right));
    EXPECT_TRUE(window->eventFilter(movie, &menuKey));
    EXPECT_TRUE(window->eventFilter(movie, &f1));

    // Other keys reach the movie: Ctrl+2 opens the e-mail page.
    window_->activateWindow();
    window_->Movie()->setFocus();
    QKeyEvent pageKey(QEvent::KeyPress, Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
    QApplication::sendEvent(movie, &pageKey);
    auto page = [&] { return window_->Movie()->MovieRoot()->property("page").toString(); };
    EXPECT_TRUE(PumpUntil([&] { return page() == "mail"; })) << page().toStdString();
}

} // namespace
