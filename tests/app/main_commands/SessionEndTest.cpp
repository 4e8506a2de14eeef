// The ways the program ends without the tray's Exit: the end-of-session signal to a real HookWs
// process, the application's quit and the session manager's save request. Each leaves the
// administrator logged out in the registry, so that with a password set the next start asks for it.
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/settings/PasswordRules.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/app/tray_e2e/TrayProcess.h"
#include "tests/support/StoredSettings.h"
#include "CommandTestSupport.h"

#include <chrono>
#include <csignal>
#include <thread>

using namespace hookwise::core;

namespace cmdtest {
namespace {

using namespace std::chrono_literals;

constexpr char kPassword[] = "secret12";

class SessionEndTest : public MainWindowTest {
protected:
    // A password set and the administrator logged in, as a session that ends while logged in
    // would leave them if the end stored the login.
    void StoreLoggedIn() {
        GeneralSettings settings;
        AlertLogStore log;
        MailSafeList mail;
        WebSiteBlockingList web;
        settings.Password = EncodePassword(kPassword);
        settings.IsLogin = 1;
        ASSERT_TRUE(SaveAllSettings(settings, log, mail, web));
    }

    // A gated command at this start: true when it asked for the password (refused here) and did
    // not act.
    bool GatedCommandAsksForThePassword() {
        ModalScript script;
        script.Then<PasswordDialog>([](PasswordDialog& d) { CancelPassword(d); });
        Send("IDC_FS_MailProtectionOff");
        return script.Done() && app_->MailList.ProtectionState == 1;
    }
};

TEST_F(SessionEndTest, ATerminatedProgramStartsLoggedOutAndAsksForThePassword) {
    StoreLoggedIn();
    traye2e::StageProgramFolder(folder_.Program());
    traye2e::TrayProcess tray;
    const std::string output = folder_.Path() + "/tray.out";
    ASSERT_TRUE(tray.Start(folder_.Program() + "/HookWs", {},
                           {"QT_QPA_PLATFORM=offscreen", "LD_LIBRARY_PATH=" + folder_.Program(),
                            "HOOKWISE_CATALOG=" + folder_.Path() + "/protocols.catalog",
                            "HOOKWISE_MESSAGE_TIMEOUT_MS=300"},
                           output));
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (FindWindowA(nullptr, "Baitguard Server Handler") == nullptr) {
        ASSERT_TRUE(tray.Running()) << traye2e::ReadFile(output);
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "HookWs did not come up";
        std::this_thread::sleep_for(20ms);
    }

    ASSERT_TRUE(tray.Signal(SIGTERM));
    ASSERT_EQ(tray.Wait(60000), 0) << traye2e::ReadFile(output);
    {
        const StoredSettings stored;
        EXPECT_EQ(stored.settings.IsLogin, 0);
        EXPECT_EQ(stored.settings.Password, EncodePassword(kPassword));
    }

    Start();
    EXPECT_EQ(app_->Settings.IsLogin, 0);
    EXPECT_TRUE(GatedCommandAsksForThePassword());
}

TEST_F(SessionEndTest, TheApplicationsQuitEndsWithASaveLoggedOut) {
    StoreLoggedIn();
    Start();
    ASSERT_EQ(app_->Settings.IsLogin, 1);
    app_->Settings.NoOfBlockedInstructions = 5;
    // The session's end quits the running application (a quit outside the loop does nothing).
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
    QTimer guard; // ends the loop instead of hanging when the quit is not taken
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    EXPECT_EQ(window_->Run(), 0);
    EXPECT_TRUE(window_->IsEnding());
    const StoredSettings stored;
    EXPECT_EQ(stored.settings.IsLogin, 0);
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 5u);

    Stop();
    Start();
    EXPECT_TRUE(GatedCommandAsksForThePassword());
}

// The save request may be followed by a cancelled log-off: the program runs on, still logged in,
// but what it saved is logged out.
TEST_F(SessionEndTest, TheSessionsSaveRequestSavesButDoesNotEnd) {
    StoreLoggedIn();
    Start();
    app_->Settings.NoOfBlockedInstructions = 9;
    window_->OnSessionSaveRequest();
    Pump();
    EXPECT_FALSE(window_->IsEnding());
    EXPECT_EQ(app_->Settings.IsLogin, 1);
    const StoredSettings stored;
    EXPECT_EQ(stored.settings.IsLogin, 0);
    EXPECT_EQ(stored.settings.NoOfBlockedInstructions, 9u);
}

} // namespace
} // namespace cmdtest
