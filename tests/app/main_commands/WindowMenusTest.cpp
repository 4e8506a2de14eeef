// The About window from the main window's system menu and from the tray menu, with the versions of
// the program and of the engine library, and the help page each language opens.
#include "app/settings/AboutWindow.h"
#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"
#include "platform/ShellExecute.h"
#include "tests/support/Files.h"
#include "CommandTestSupport.h"

#include <QMenu>
#include <QMouseEvent>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace hookwise::app;

using namespace hookwise::core;

namespace cmdtest {
namespace {

namespace fs = std::filesystem;

using testsupport::ReadFile;

QAction* ActionNamed(QMenu* menu, const char* text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == QLatin1String(text))
            return action;
    }
    return nullptr;
}

class WindowMenusTest : public MainWindowTest {
protected:
    // Triggers action; the About window it opens is read and closed. The versions it showed.
    std::pair<QString, QString> AboutShownBy(QAction* action) {
        std::pair<QString, QString> shown;
        ModalScript script;
        script.Then<AboutWindow>([&](AboutWindow& about) {
            shown = {about.Movie()->GetVariable(QStringLiteral("_root.strApplicationVersion")),
                     about.Movie()->GetVariable(
                         QStringLiteral("_root.strBaitgardSecurityEngineVersion"))};
            about.DispatchCommand(QStringLiteral("IDC_FS_OK"), QStringLiteral("undefined"));
        });
        action->trigger();
        EXPECT_TRUE(script.Done()) << script.Seen().join(u',').toStdString();
        return shown;
    }
};

TEST_F(WindowMenusTest, AboutOpensFromTheWindowAndTheTrayWithBothVersions) {
    fs::copy_file(BAITLIB_PATH, folder_.Program() + "/libbaitlib.so");
    Start();
    const std::pair<QString, QString> versions{QStringLiteral("3, 0, 0, 0"),
                                               QStringLiteral("3, 0, 0, 0")};

    // A right-click on the window opens its system menu; the movie never sees the click.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20),
                      window_->Movie()->mapToGlobal(QPointF(20, 20)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(window_->Movie(), &press);
    ASSERT_NE(window_->SystemMenu(), nullptr);
    EXPECT_TRUE(window_->SystemMenu()->isVisible());
    QAction* about = ActionNamed(window_->SystemMenu(), "&About Baitguard...");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(AboutShownBy(about), versions);
    window_->SystemMenu()->hide();

    QAction* trayAbout = ActionNamed(window_->Tray().PopupMenu(), "&About Baitguard...");
    ASSERT_NE(trayAbout, nullptr);
    EXPECT_EQ(AboutShownBy(trayAbout), versions);
    EXPECT_FALSE(window_->IsEnding());
}

TEST_F(WindowMenusTest, HelpOpensThePageOfTheLanguageOrTheEnglishOne) {
    Start();
    const std::string english = GetHelpPath("English");
    const std::string german = GetHelpPath("German");
    ASSERT_EQ(english, folder_.Program() + "/68/6151/69787176738372.htm");
    ASSERT_EQ(german, folder_.Program() + "/68/6151/716982776578.htm");
    EXPECT_NE(ReadFile(english).find("<h2 id=\"alerts\">Alerts</h2>"), std::string::npos);
    EXPECT_NE(ReadFile(german).find("<h2 id=\"alerts\">Warnungen</h2>"), std::string::npos);

    Send("IDC_FS_Help");
    SetCurrentLanguage("GERMAN"); // as a saved language comes back
    window_->OnTrayCommand(MainWindow::kCommandHelp);
    SetCurrentLanguage("Pirate"); // a pack without a page of its own
    Send("IDC_FS_Help");
    ASSERT_EQ(desktop_.opens.size(), 3u);
    EXPECT_EQ(desktop_.opens[0].file, english);
    EXPECT_EQ(desktop_.opens[0].showCommand, SW_SHOW);
    EXPECT_EQ(desktop_.opens[1].file, german);
    EXPECT_EQ(desktop_.opens[2].file, english);
    EXPECT_TRUE(desktop_.confirms.empty());
}

TEST_F(WindowMenusTest, AHelpPageThatCannotBeOpenedIsReported) {
    Start();
    fs::remove_all(GetAuxFolder());
    Send("IDC_FS_Help");
    EXPECT_TRUE(desktop_.opens.empty());
    ASSERT_EQ(desktop_.confirms.size(), 1u);
    EXPECT_EQ(desktop_.confirms[0].caption, "Hookwise");
    EXPECT_EQ(desktop_.confirms[0].text,
              QString::fromStdString("The help could not be opened:\n" + GetHelpPath("English")));
    EXPECT_FALSE(window_->IsEnding());
}

} // namespace
} // namespace cmdtest
