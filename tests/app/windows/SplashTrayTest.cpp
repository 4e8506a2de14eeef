// The splash player and the tray icon: the splash's calls and end, the tray's menu 1031 with its
// translation, its default command and the moves into and out of the tray.
#include "app/desktop/Splash.h"
#include "app/desktop/SystemTray.h"
#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PackFormat.h"
#include "WindowTestSupport.h"

#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace hookwise::app;

using namespace hookwise::core;

namespace {

TEST(Splash, PlaysTheSplashMovieOnceAndEnds) {
    CSplash splash;
    splash.resize(420, 240);
    QSignalSpy finished(&splash, &CSplash::Finished);
    ASSERT_TRUE(splash.PlaySplash());
    EXPECT_TRUE(splash.Movie().endsWith(QStringLiteral("/72758380768372.pbs")));
    EXPECT_EQ(splash.GetVariable(QStringLiteral("_root.dwFrame")), QStringLiteral("0"));
    EXPECT_EQ(splash.GetVariable(QStringLiteral("_root.bLoop")), QStringLiteral("false"));
    EXPECT_TRUE(splash.isVisible());
    // The movie ends itself: its end command hides the player once.
    QMetaObject::invokeMethod(splash.MovieRoot(), "send", Q_ARG(QVariant, "IDC_FS_SplashEnd"),
                              Q_ARG(QVariant, QVariant()));
    QMetaObject::invokeMethod(splash.MovieRoot(), "send", Q_ARG(QVariant, "IDC_FS_SplashEnd"),
                              Q_ARG(QVariant, QVariant()));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(splash.isVisible());
}

// Start-up's progress: the bar follows the share given, the movie's own end does not hide it.
TEST(Splash, ShowsProgressUntilItIsEnded) {
    CSplash splash;
    splash.resize(420, 240);
    QSignalSpy finished(&splash, &CSplash::Finished);
    splash.ShowProgress(30);
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.GetVariable(QStringLiteral("_root.dwProgress")), QStringLiteral("30"));
    splash.ShowProgress(140);
    EXPECT_EQ(splash.GetVariable(QStringLiteral("_root.dwProgress")), QStringLiteral("100"));
    QMetaObject::invokeMethod(splash.MovieRoot(), "send", Q_ARG(QVariant, "IDC_FS_SplashEnd"),
                              Q_ARG(QVariant, QVariant()));
    EXPECT_TRUE(splash.isVisible());
    splash.EndProgress();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(finished.count(), 0);
}

TEST(Splash, AMissingSplashMovieEndsAtOnce) {
    CSplash splash;
    QSignalSpy finished(&splash, &CSplash::Finished);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(splash.PlaySplash(QStringLiteral("/nonexistent/splash.pbs")));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(finished.wait(1000));
    EXPECT_FALSE(splash.isVisible());
}

// A tray whose notification area is there (the offscreen platform has none).
class TrayWithArea : public CSystemTray {
protected:
    bool IsTrayAvailable() const override { return true; }
};

TEST(SystemTrayCreate, FailsWithoutANotificationArea) {
    CSystemTray tray;
    EXPECT_FALSE(tray.Create(nullptr, CSystemTray::kCallbackMessage, QStringLiteral("Hookwise"),
                             QIcon(), CSystemTray::kIconId));
    EXPECT_FALSE(tray.Enabled());
    EXPECT_TRUE(tray.Removed());
}

class SystemTray : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tray_.Create(&owner_, CSystemTray::kCallbackMessage, QStringLiteral("Hookwise"),
                                 QIcon(), CSystemTray::kIconId));
    }
    QStringList Texts() {
        QStringList texts;
        for (QAction* action : tray_.PopupMenu()->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }
    QString DefaultText() {
        QAction* action = tray_.PopupMenu()->defaultAction();
        return action ? action->text() : QString();
    }
    QWidget owner_;
    TrayWithArea tray_;
};

TEST_F(SystemTray, ShowsMenu1031WithRestoreAsTheFirstDefault) {
    EXPECT_TRUE(tray_.Enabled());
    EXPECT_EQ(tray_.ToolTip(), QStringLiteral("Hookwise"));
    EXPECT_EQ(Texts(),
              (QStringList{"&Restore", "-", "&Help", "&About Baitguard...", "-", "&Exit"}));
    EXPECT_EQ(DefaultText(), QStringLiteral("&Restore"));
    EXPECT_EQ(tray_.DefaultCommand(), kCmdTrayRestore);
}

TEST_F(SystemTray, DoubleClickSendsTheDefaultCommand) {
    QSignalSpy commands(&tray_, &CSystemTray::Command);
    tray_.OnTrayNotification(CSystemTray::kIconId, CSystemTray::kLeftButtonDoubleClick);
    // After a restore the main window makes "&Exit" the default: a double-click then exits.
    tray_.SetMenuDefaultItem(kCmdTrayExit, false);
    tray_.OnTrayNotification(CSystemTray::kIconId, CSystemTray::kLeftButtonDoubleClick);
    // Other icons and other mouse messages do nothing.
    tray_.OnTrayNotification(CSystemTray::kIconId + 1, CSystemTray::kLeftButtonDoubleClick);
    tray_.OnTrayNotification(CSystemTray::kIconId, 0x0201);
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0][0].toUInt(), kCmdTrayRestore);
    EXPECT_EQ(commands[1][0].toUInt(), kCmdTrayExit);
    EXPECT_EQ(DefaultText(), QStringLiteral("&Exit"));
}

// What StatusNotifier hosts send for a left click: it brings the window back from the tray as a
// double-click does, but never runs "&Exit", the default once the window is shown.
TEST_F(SystemTray, SingleClickRestoresButNeverExits) {
    QSignalSpy commands(&tray_, &CSystemTray::Command);
    tray_.SetMenuDefaultItem(kCmdTrayRestore, false);
    tray_.OnTrayNotification(CSystemTray::kIconId, CSystemTray::kLeftButtonUp);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toUInt(), kCmdTrayRestore);

    // The restore made "&Exit" the default; where a double-click also reports its first press
    // as a single click, the double-click of those same clicks does not go on to exit.
    tray_.SetMenuDefaultItem(kCmdTrayExit, false);
    tray_.OnTrayNotification(CSystemTray::kIconId, CSystemTray::kLeftButtonDoubleClick);
    tray_.OnTrayNotification(CSystemTray::kIconId, CSystemTray::kLeftButtonUp);
    EXPECT_EQ(commands.count(), 1);
}

TEST_F(SystemTray, DefaultByPositionTakesTheCommandThere) {
    tray_.SetMenuDefaultItem(2, true);
    EXPECT_EQ(tray_.DefaultCommand(), kCmdTrayHelp);
    tray_.SetMenuDefaultItem(1, true); // a separator: no command
    EXPECT_EQ(tray_.DefaultCommand(), 0u);
    tray_.SetMenuDefaultItem(9, true);
    EXPECT_EQ(tray_.DefaultCommand(), 0u);
}

TEST_F(SystemTray, MenuItemsSendTheirCommands) {
    QSignalSpy commands(&tray_, &CSystemTray::Command);
    for (QAction* action : tray_.PopupMenu()->actions())
        if (!action->isSeparator())
            action->trigger();
    ASSERT_EQ(commands.count(), 4);
    EXPECT_EQ(commands[0][0].toUInt(), kCmdTrayRestore);
    EXPECT_EQ(commands[1][0].toUInt(), kCmdTrayHelp);
    EXPECT_EQ(commands[2][0].toUInt(), kCmdTrayAbout);
    EXPECT_EQ(commands[3][0].toUInt(), kCmdTrayExit);
}

TEST_F(SystemTray, TheMenuIsTranslatedThroughTheLanguagePack) {
    QTemporaryDir program;
    const std::string before = ProgramFolder();
    const std::string language = CurrentLanguage();
    SetProgramFolder(program.path().toStdString());
    SetCurrentLanguage("Pirate");
    {
        QFile pack(QString::fromStdString(LanguagePackPath("Pirate")));
        ASSERT_TRUE(pack.open(QIODevice::WriteOnly));
        pack.write(QByteArray("[") + ReverseText(kTrayMenuSection).c_str() + "]\n" +
                   TextKey(kCmdTrayRestore).c_str() + "=&Hoist\n" + TextKey(kCmdTrayExit).c_str() +
                   "=*knalp eht klaW&\n");
    }
    const QStringList texts = Texts();
    // A change of language reaches the menu the notification area already holds, and the tooltip.
    SetCurrentLanguage(language);
    tray_.Retranslate(QStringLiteral("Hookwise"));
    SetCurrentLanguage("Pirate");
    tray_.Retranslate(QStringLiteral("Hookwise, arr"));
    QStringList held;
    for (QAction* action : tray_.ContextMenu()->actions())
        held << (action->isSeparator() ? QStringLiteral("-") : action->text());
    SetCurrentLanguage(language);
    SetProgramFolder(before);
    EXPECT_EQ(texts,
              (QStringList{"&Hoist", "-", "&Help", "&About Baitguard...", "-", "&Walk the plank"}));
    EXPECT_EQ(held, texts);
    EXPECT_EQ(tray_.ToolTip(), QStringLiteral("Hookwise, arr"));
}

TEST_F(SystemTray, MinimiseAndMaximiseMoveTheWindow) {
    QWidget window;
    window.show();
    tray_.MinimiseToTray(&window);
    EXPECT_FALSE(window.isVisible());
    tray_.MaximiseFromTray(&window);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(SystemTray, RemoveIconMarksItRemoved) {
    EXPECT_FALSE(tray_.Removed());
    tray_.RemoveIcon();
    EXPECT_TRUE(tray_.Removed());
    EXPECT_TRUE(tray_.Hidden());
}

} // namespace
