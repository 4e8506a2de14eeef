// Headless Chromium under the interception provider against a local HTTPS server, reporting to
// the main window of this test process, whose alert popups the test answers: a page of a listed
// host is refused with one alert, and six parallel connections to a listed host make one popup
// (Chromium's network thread waits in the first report; its retries and the other connections
// take the answer the provider keeps for the visit).
// Skipped when Chromium is not installed.
#include "app/EventHandlerWindow.h"
#include "app/MainWindow.h"
#include "app/TrayApp.h"
#include "app/alerts/AlertPopup.h"
#include "tests/app/OffscreenQt.h"
#include "tests/core/tray/TraySandbox.h"
#include "tests/provider/ProviderHarness.h"
#include "tests/support/TlsServer.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>

using namespace hookwise::app;

using namespace traytest;

namespace {

constexpr char kChromium[] = "/usr/bin/chromium";
// A host of the HostLink entries below, and one no entry lists.
constexpr char kListedName[] = "secure-paypa1-login.example";
constexpr char kUnlistedName[] = "safe-shop.example";

// Answers every alert popup with Block a while after it opened (so that reports arriving
// meanwhile find it open), counting them.
class PopupAnswerer {
public:
    explicit PopupAnswerer(int delayMilliseconds) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, delayMilliseconds] {
            auto* popup = qobject_cast<AlertPopup*>(QApplication::activeModalWidget());
            if (!popup || popup->property("hookwiseCounted").toBool())
                return;
            popup->setProperty("hookwiseCounted", true);
            ++count_;
            QPointer<AlertPopup> open(popup);
            QTimer::singleShot(delayMilliseconds, [open] {
                if (!open)
                    return;
                open->Movie()->SetVariable(QStringLiteral("_root.bRememberAnswer"),
                                           QStringLiteral("false"));
                open->DispatchCommand(QStringLiteral("IDC_FS_BLOCK"), QStringLiteral("undefined"));
            });
        });
        timer_.start();
    }
    int Count() const { return count_; }

private:
    QTimer timer_;
    int count_ = 0;
};

class ChromiumVisit : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kChromium))
            GTEST_SKIP() << "Chromium is not installed (apt-get install chromium)";
#ifdef HOOKWISE_SANITIZED
        GTEST_SKIP() << "an instrumented preload library cannot be loaded into Chromium";
#endif
        std::filesystem::copy(HOOKWISE_STAGED_MOVIES, folder_.Program(),
                              std::filesystem::copy_options::recursive);
        app_ = std::make_unique<TrayApp>(folder_.Program() + "/HookWs", false);
        window_ = std::make_unique<MainWindow>(*app_);
        window_->Create();
        // The working database the provider in Chromium finds through "App Path".
        providertest::WriteWorkingDatabase(
            app_->DataDirectory + "/hkwdb2.pbd",
            {{"HostLink", "HLINK1", std::string(kListedName) + "/verify"}});
        const std::string root = folder_.Path();
        auto made = providertest::RunChild({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                            "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                                            root + "/key.pem", "-out", root + "/cert.pem", "-days",
                                            "1", "-subj", "/CN=hookwise-test"},
                                           {});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ASSERT_TRUE(
            server_.Start(root + "/cert.pem", root + "/key.pem", root + "/tls.log", kListedName));
    }

    void TearDown() override {
        server_.Stop();
        window_.reset();
        app_.reset();
    }

    // Chromium's DOM of url once loaded, run while this thread keeps the window's loop going.
    std::string DumpDom(const std::string& url) {
        const std::string profile = folder_.Path() + "/chromium-" + std::to_string(++runs_);
        const std::string rules =
            std::string("MAP ") + kListedName + " 127.0.0.1, MAP " + kUnlistedName + " 127.0.0.1";
        auto run = std::async(std::launch::async, [=] {
            return providertest::RunChild(
                {kChromium, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-features=Translate,OptimizationHints,MediaRouter",
                 "--user-data-dir=" + profile, "--host-resolver-rules=" + rules,
                 "--ignore-certificate-errors", "--dump-dom", url},
                {std::string("LD_PRELOAD=") + HOOKWISE_PROVIDER_PATH}, 90);
        });
        EXPECT_TRUE(qttest::PumpUntil(
            [&] { return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            100000));
        return run.get().out;
    }

    std::string Url(const char* host, const char* path) const {
        return std::string("https://") + host + ":" + std::to_string(server_.Port()) + path;
    }

    TrayFolder folder_;
    std::unique_ptr<TrayApp> app_;
    std::unique_ptr<MainWindow> window_;
    testsupport::TlsServer server_;
    int runs_ = 0;
};

TEST_F(ChromiumVisit, PageOfAListedHostIsRefusedWithOneAlert) {
    PopupAnswerer answerer(500);
    const std::string dom = DumpDom(Url(kListedName, "/verify"));
    EXPECT_EQ(dom.find(">hello<"), std::string::npos) << dom;
    EXPECT_EQ(answerer.Count(), 1);
    EXPECT_EQ(app_->Settings.NoOfWebProtection, 1u);
    ASSERT_GE(app_->Log.Count(), 1);
    EXPECT_EQ(app_->Log.EntryAt(0).StrictedData, kListedName);
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "Block");
}

TEST_F(ChromiumVisit, SixParallelConnectionsToAListedHostMakeOnePopup) {
    PopupAnswerer answerer(1500);
    const std::string dom = DumpDom(Url(kUnlistedName, "/six"));
    EXPECT_NE(dom.find("<p>six</p>"), std::string::npos) << dom;
    EXPECT_EQ(answerer.Count(), 1);
    EXPECT_EQ(app_->Settings.NoOfWebProtection, 1u);
    ASSERT_EQ(app_->Log.Count(), 1);
    EXPECT_EQ(app_->Log.EntryAt(0).StrictedData, kListedName);
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "Block");
}

} // namespace
