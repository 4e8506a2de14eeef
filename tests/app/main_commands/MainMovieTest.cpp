// The main movie as the user drives it: selecting a row brings its details, the list keys send
// the row commands, removing the selected row moves the selection on, the confirmation panel
// guards "remove all", the switches and settings send their commands, and the log view shows the
// newest rows first within the viewer's count.
#include "core/lists/ListNames.h"
#include "CommandTestSupport.h"

#include <QQuickItem>
#include <QTest>

using namespace hookwise::core;

using namespace cmdtest;

namespace {

class MainMovieTest : public MainWindowTest {
protected:
    void StartWithRows(int n) {
        Start();
        for (int i = 0; i < n; ++i) {
            MailSafeItem mail;
            mail.Type = "From";
            mail.StrictedData = "sender" + std::to_string(i) + "@phish.example";
            mail.From = "from" + std::to_string(i) + "@phish.example";
            app_->MailList.Append(mail);
            WebSiteBlockingItem site;
            site.Type = "IP";
            site.StrictedData = "192.0.2." + std::to_string(i);
            site.IPAddress = site.StrictedData;
            app_->SiteList.Append(site);
            AlertLogEntry entry;
            entry.StrictedData = "entry" + std::to_string(i);
            app_->Log.AddEntry(entry);
        }
        Feed();
    }
    QQuickItem* Root() { return window_->Movie()->MovieRoot(); }
    QObject* Find(const char* name) {
        return Root()->findChild<QObject*>(QString::fromLatin1(name));
    }
    // Gives the keyboard to a movie item, as a click or Tab would.
    void Focus(const char* name) {
        window_->activateWindow();
        window_->Movie()->setFocus();
        QObject* item = Find(name);
        QMetaObject::invokeMethod(item, "forceActiveFocus");
        EXPECT_TRUE(PumpUntil([&] { return item->property("activeFocus").toBool(); })) << name;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window_->Movie(), key, modifiers);
        Pump(20);
    }
    void Page(const char* page) {
        QMetaObject::invokeMethod(Root(), "goTo", Q_ARG(QVariant, QString::fromLatin1(page)));
        EXPECT_TRUE(PumpUntil([&] { return Root()->property("page").toString() == page; })) << page;
    }
};

TEST_F(MainMovieTest, SelectingARowAsksForItsDetailsAndClearingClearsThem) {
    StartWithRows(3);
    Page("mail");
    Find("mailRows")->setProperty("currentIndex", 1);
    ASSERT_TRUE(PumpUntil(
        [&] { return Root()->property("mailDetailFrom").toString() == "from1@phish.example"; }));
    Find("mailRows")->setProperty("currentIndex", -1);
    ASSERT_TRUE(PumpUntil([&] { return Root()->property("mailDetailFrom").toString().isEmpty(); }));

    Page("sites");
    Find("siteRows")->setProperty("currentIndex", 2);
    ASSERT_TRUE(
        PumpUntil([&] { return Root()->property("siteDetailAddress").toString() == "192.0.2.2"; }));
}

TEST_F(MainMovieTest, ListKeysSendTheRowCommandsAndDeleteMovesTheSelectionOn) {
    StartWithRows(3);
    Page("mail");
    Focus("mailRows");
    Key(Qt::Key_Down); // the first row
    Key(Qt::Key_Down);
    ASSERT_EQ(Find("mailRows")->property("currentIndex").toInt(), 1);
    Key(Qt::Key_B);
    EXPECT_EQ(app_->MailList.ItemAt(1).Action, kActionBlock);
    Key(Qt::Key_A);
    EXPECT_EQ(app_->MailList.ItemAt(1).Action, kActionAllow);
    ASSERT_TRUE(PumpUntil([&] { return Cell("mailModel", 1, "action") == "Allow"; }));

    Key(Qt::Key_Delete);
    EXPECT_EQ(app_->MailList.Count(), 2);
    ASSERT_TRUE(PumpUntil([&] { return Rows("mailModel") == 2; }));
    // The entry that took the removed one's place is selected, and its details are shown.
    ASSERT_TRUE(PumpUntil(
        [&] { return Root()->property("mailDetailFrom").toString() == "from2@phish.example"; }));
    EXPECT_EQ(Cell("mailModel", 1, "stricted"), "sender2@phish.example");
}

TEST_F(MainMovieTest, RemoveAllIsConfirmedInTheMovieFirst) {
    StartWithRows(2);
    Page("sites");
    QObject* panel = Find("confirmPanel");
    ASSERT_NE(panel, nullptr);
    QMetaObject::invokeMethod(panel, "open", Q_ARG(QVariant, QStringLiteral("Remove all?")),
                              Q_ARG(QVariant, QStringLiteral("Remove all")),
                              Q_ARG(QVariant, QStringLiteral("IDC_FS_siteListItemRemoveAll")));
    ASSERT_TRUE(PumpUntil([&] { return panel->property("visible").toBool(); }));
    window_->activateWindow();
    window_->Movie()->setFocus();
    Key(Qt::Key_Escape); // cancels the panel, never the window
    EXPECT_FALSE(panel->property("visible").toBool());
    EXPECT_EQ(app_->SiteList.Count(), 2);
    EXPECT_FALSE(window_->IsEnding());

    QMetaObject::invokeMethod(panel, "open", Q_ARG(QVariant, QStringLiteral("Remove all?")),
                              Q_ARG(QVariant, QStringLiteral("Remove all")),
                              Q_ARG(QVariant, QStringLiteral("IDC_FS_siteListItemRemoveAll")));
    ASSERT_TRUE(PumpUntil([&] { return panel->property("visible").toBool(); }));
    Key(Qt::Key_Return);
    EXPECT_EQ(app_->SiteList.Count(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Rows("siteModel") == 0; }));
}

TEST_F(MainMovieTest, TheSwitchesSendTheirCommandsAndFollowTheProgram) {
    StartWithRows(0);
    Focus("mailSwitch");
    Key(Qt::Key_Space);
    EXPECT_EQ(app_->MailList.ProtectionState, 0);
    EXPECT_EQ(Variable("_root.bMailSafeProtectionState"), "false");
    Key(Qt::Key_Space);
    EXPECT_EQ(app_->MailList.ProtectionState, 1);
    Focus("siteSwitch");
    Key(Qt::Key_Space);
    EXPECT_EQ(app_->SiteList.ProtectionState, 0);
}

TEST_F(MainMovieTest, PagesOpenFromTheKeyboard) {
    StartWithRows(0);
    window_->activateWindow();
    window_->Movie()->setFocus();
    const char* pages[] = {"overview", "mail", "sites", "log", "settings", "admin"};
    for (int i = 5; i >= 0; --i) {
        Key(static_cast<Qt::Key>(Qt::Key_1 + i), Qt::ControlModifier);
        EXPECT_EQ(Root()->property("page").toString(), pages[i]);
    }
}

TEST_F(MainMovieTest, TheLogShowsTheNewestRowsFirstWithinTheViewerCount) {
    StartWithRows(30);
    Send("IDC_FS_LogViewerStepper", QStringLiteral("5"));
    Page("log");
    ASSERT_TRUE(PumpUntil([&] { return Find("logRows") != nullptr; }));
    QObject* view = Find("logRows");
    ASSERT_NE(view, nullptr);
    auto* list = qobject_cast<QQuickItem*>(view);
    // Five rows of the thirty are shown; the newest sits at the top.
    EXPECT_EQ(list->height(), 5 * 44);
    auto indexAt = [&](qreal y) {
        int index = -2;
        QMetaObject::invokeMethod(view, "indexAt", Q_RETURN_ARG(int, index), Q_ARG(qreal, 20),
                                  Q_ARG(qreal, list->property("contentY").toReal() + y));
        return index;
    };
    EXPECT_EQ(indexAt(5), 29);
    EXPECT_EQ(indexAt(4 * 44 + 5), 25);
    Focus("logRows");
    Key(Qt::Key_Home);
    EXPECT_EQ(view->property("currentIndex").toInt(), 29);
    Key(Qt::Key_End); // the oldest row shown, not the oldest entry
    EXPECT_EQ(view->property("currentIndex").toInt(), 25);
    Key(Qt::Key_Down);
    EXPECT_EQ(view->property("currentIndex").toInt(), 25);
}

} // namespace
