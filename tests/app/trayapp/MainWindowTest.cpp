// The main window offscreen with its real movie: creation, reports through the channel answered
// in the real alert popup (and one arriving while a popup is open), the feeders filling the
// movie's lists, hiding on close, and the ends with and without a save.
#include "app/MainWindow.h"

#include "app/EventHandlerWindow.h"
#include "app/TrayApp.h"
#include "app/alerts/AlertPopup.h"
#include "core/FileNames.h"
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/definitions/BlowfishCipher.h"
#include "core/lists/ListNames.h"
#include "engine/LSPGlobals.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/app/OffscreenQt.h"
#include "tests/core/tray/TraySandbox.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hookwise::platform;

using namespace hookwise::app;

using namespace hookwise::core;

using namespace traytest;

namespace {

[[maybe_unused]] const auto* const kQt =
    testing::AddGlobalTestEnvironment(new qttest::OffscreenQtEnvironment("trayapp_window_tests"));

using qttest::PumpUntil;

using qttest::PumpFor;

// Runs action on the next alert popup other than `outer` once it is the active modal window,
// from inside whatever modal loop runs then.
void WhenPopup(std::function<void(AlertPopup&)> action, AlertPopup* outer = nullptr) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, outer] {
        auto* popup = qobject_cast<AlertPopup*>(QApplication::activeModalWidget());
        if (!popup || popup == outer)
            return;
        timer->stop();
        timer->deleteLater();
        action(*popup);
    });
    timer->start();
}

void Answer(AlertPopup& popup, const char* command, bool remember) {
    popup.Movie()->SetVariable(QStringLiteral("_root.bRememberAnswer"),
                               remember ? QStringLiteral("true") : QStringLiteral("false"));
    popup.DispatchCommand(QString::fromLatin1(command), QStringLiteral("undefined"));
}

// One report from another thread, as a sender process makes it.
std::future<LRESULT> SendReport(std::uint32_t code, const DetectionRecord& record) {
    return std::async(std::launch::async, [code, record] {
        HWND window = FindWindowA(nullptr, EventHandlerWindow::kCaption);
        return SendCopyData(window, code, &record, sizeof record);
    });
}

bool Ready(std::future<LRESULT>& reply) {
    return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// One report written straight onto the channel's socket, its sender's end left to the test:
// closing the returned descriptor is a sender that ended before its answer.
int RawReport(std::uint32_t code, const DetectionRecord& record) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = ChannelPath(EventHandlerWindow::kCaption);
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return -1;
    std::uint8_t frame[8 + sizeof record];
    const std::uint32_t header[2] = {code, static_cast<std::uint32_t>(sizeof record)};
    std::memcpy(frame, header, sizeof header); // little-endian, as the channel's frame is
    std::memcpy(frame + 8, &record, sizeof record);
    if (send(fd, frame, sizeof frame, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof frame))
        return -1;
    return fd;
}

// Runs action once, milliseconds from now, from inside whatever loop runs then.
void After(int milliseconds, std::function<void()> action) {
    QTimer::singleShot(milliseconds, std::move(action));
}

// Runs action (from inside whatever loop runs) once done() holds, checking every 5 ms.
void When(std::function<bool()> done, std::function<void()> action) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, done, action] {
        if (!done())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// Blocks every alert popup still open after a while, so a test that goes wrong ends instead of
// waiting for an answer nobody gives.
class PopupWatchdog {
public:
    PopupWatchdog() {
        timer_.setInterval(15000);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* popup = qobject_cast<AlertPopup*>(widget); popup && popup->isVisible())
                    popup->done(2);
            }
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        // The movies as installed, in this test's program folder.
        std::filesystem::copy(HOOKWISE_STAGED_MOVIES, folder_.Program(),
                              std::filesystem::copy_options::recursive);
    }

    void CreateWindow(bool commandLine = false) {
        app_ = std::make_unique<TrayApp>(folder_.Program() + "/HookWs", commandLine);
        window_ = std::make_unique<MainWindow>(*app_);
        window_->Create();
    }

    void TearDown() override {
        window_.reset();
        app_.reset();
    }

    QAbstractItemModel* Model(const char* name) {
        QQuickItem* root = window_->Movie()->MovieRoot();
        return root ? root->findChild<QAbstractItemModel*>(QString::fromLatin1(name)) : nullptr;
    }
    QString Cell(const char* model, int row, const char* role) {
        QAbstractItemModel* m = Model(model);
        const int key = m->roleNames().key(role, -1);
        return m->data(m->index(row, 0), key).toString();
    }
    bool FeedersDone() {
        auto done = [](ListFeeder& f) { return f.GetState() == ListFeeder::State::Finished; };
        return done(window_->LogFeeder()) && done(window_->MailFeeder()) &&
               done(window_->SiteFeeder());
    }
    QString Variable(const char* name) {
        return window_->Movie()->GetVariable(QString::fromLatin1(name));
    }

    TrayFolder folder_;
    std::unique_ptr<TrayApp> app_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, CreationOpensTheChannelWritesTheProgramValuesAndShowsTheOverview) {
    CreateWindow();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->StartsHidden());
    EXPECT_EQ(window_->windowTitle(), "Hookwise");
    EXPECT_TRUE(window_->HandlerWindow()->IsReceiving());
    EXPECT_NE(FindWindowA(nullptr, "Baitguard Server Handler"), nullptr);
    ASSERT_TRUE(window_->Movie()->IsMovieLoaded());
    EXPECT_EQ(Variable("_root.dwNoOfBlockedInstructions"), "0");
    EXPECT_EQ(Variable("_root.bMailSafeProtectionState"), "true");
    EXPECT_EQ(Variable("_root.strCurrentLanguage"), "English");

    RegKey product;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, product.Put()),
              ERROR_SUCCESS);
    std::string appPath;
    EXPECT_TRUE(ReadRegText(product.Get(), "App Path", appPath));
    EXPECT_EQ(appPath, folder_.Program());
    // The start-with-the-session entry follows LoadwithWindowsStartup (on by default).
    EXPECT_TRUE(std::filesystem::exists(folder_.Path() + "/config/autostart/Hookwise.desktop"));
}

// Something else where the runtime folder belongs: no channel, so nothing is checked. The user is
// told (message box, tray message) and the overview says so, with the reason.
TEST_F(MainWindowTest, AChannelThatCannotBeMadeIsToldAndTheOverviewSaysNotProtected) {
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(runtime + "/hookwise");
    std::ofstream(runtime + "/hookwise") << "not a folder";
    CreateWindow();
    EXPECT_FALSE(window_->HandlerWindow()->IsReceiving());
    ASSERT_TRUE(PumpUntil([&] { return !Variable("_root.strProtectionProblem").isEmpty(); }));
    EXPECT_TRUE(Variable("_root.strProtectionProblem")
                    .startsWith("Hookwise cannot receive detection reports"));
    QQuickItem* root = window_->Movie()->MovieRoot();
    ASSERT_NE(root, nullptr);
    auto* title = root->findChild<QQuickItem*>(QStringLiteral("stateTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->property("text").toString(), "You are not protected");
}

TEST_F(MainWindowTest, CommandLineStartsOutOfSight) {
    CreateWindow(true);
    // Offscreen there is no notification area: the window starts minimised rather than in a
    // tray nobody could open.
    EXPECT_FALSE(window_->Tray().Enabled());
    EXPECT_TRUE(window_->isMinimized() || !window_->isVisible());
}

TEST_F(MainWindowTest, CloseHidesButNeverEnds) {
    CreateWindow();
    window_->close();
    QApplication::processEvents();
    EXPECT_FALSE(window_->IsEnding());
    EXPECT_TRUE(window_->isMinimized() || !window_->isVisible());
    window_->DispatchCommand(QStringLiteral("idc_fs_close"), QStringLiteral("undefined"));
    EXPECT_FALSE(window_->IsEnding());
    EXPECT_TRUE(window_->HandlerWindow()->IsReceiving());
}

TEST_F(MainWindowTest, FeedersFillTheMovieListsInOrder) {
    CreateWindow();
    for (int i = 0; i < 120; ++i) {
        MailSafeItem mail;
        mail.Type = "From";
        mail.StrictedData = "sender" + std::to_string(i) + "@example.test";
        app_->MailList.Append(mail);
        WebSiteBlockingItem site;
        site.Type = "URL";
        site.StrictedData = "site" + std::to_string(i) + ".example/login";
        site.Action = i % 3;
        app_->SiteList.Append(site);
        AlertLogEntry entry;
        entry.Type = "URL";
        entry.StrictedData = "entry" + std::to_string(i);
        entry.Count = i + 1;
        app_->Log.AddEntry(entry);
    }
    window_->StartFeeders();
    ASSERT_TRUE(PumpUntil([&] { return FeedersDone(); }));
    ASSERT_TRUE(PumpUntil([&] { return Model("logModel")->rowCount() == 120; }));
    EXPECT_EQ(Model("mailModel")->rowCount(), 120);
    EXPECT_EQ(Model("siteModel")->rowCount(), 120);
    for (int i : {0, 57, 119}) {
        EXPECT_EQ(Cell("mailModel", i, "stricted").toStdString(),
                  "sender" + std::to_string(i) + "@example.test");
        EXPECT_EQ(Cell("siteModel", i, "action").toStdString(), ActionName(i % 3));
        EXPECT_EQ(Cell("logModel", i, "hits").toInt(), i + 1);
    }
    PumpUntil([&] { return window_->LogFeeder().OperationFlag() == "NoOperation"; }, 1000);
    EXPECT_EQ(window_->MailFeeder().OperationFlag(), "NoOperation");
}

// A main movie that takes every row but never answers the handshake: its feeders wait on their
// first item for good.
constexpr char kSilentMovie[] = R"(import QtQuick
import "common"
MovieRoot {
    property string strScamSiteOperation: ""
    property string strViewLogOperation: ""
    ListModel { id: siteModel; objectName: "siteModel" }
    ListModel { id: logModel; objectName: "logModel" }
    onStrScamSiteOperationChanged: {
        if (strScamSiteOperation.toLowerCase() === "add")
            siteModel.append({ stricted: getVariable("_root.ScamSiteStructItem.StrictedData") })
        strScamSiteOperation = ""
    }
    onStrViewLogOperationChanged: {
        if (strViewLogOperation.toLowerCase() === "add")
            logModel.append({ stricted: getVariable("_root.LogViewerStructItem.RestrictedData") })
        strViewLogOperation = ""
    }
}
)";

void AppendSites(WebSiteBlockingList& list, int count) {
    for (int i = 0; i < count; ++i) {
        WebSiteBlockingItem site;
        site.Type = "URL";
        site.StrictedData = "stored" + std::to_string(i) + ".example/";
        list.Append(site);
    }
}

// The movie's rows of a model, by their "stricted" text.
std::vector<std::string> Rows(QAbstractItemModel* model) {
    std::vector<std::string> rows;
    const int key = model->roleNames().key("stricted", -1);
    for (int i = 0; i < model->rowCount(); ++i)
        rows.push_back(model->data(model->index(i, 0), key).toString().toStdString());
    return rows;
}

std::vector<std::string> ListRows(const WebSiteBlockingList& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.Count(); ++i)
        rows.push_back(list.ItemAt(i).StrictedData);
    return rows;
}

TEST_F(MainWindowTest, ADetectionReachesAMovieThatNeverAnswersAtOnceAndInListOrder) {
    SetProgramFolder(folder_.Program());
    {
        std::FILE* movie =
            std::fopen((GetMovieFolder() + "/" + EncodeFileName("HkMain") + ".pbf").c_str(), "wb");
        ASSERT_NE(movie, nullptr);
        std::fputs(kSilentMovie, movie);
        std::fclose(movie);
    }
    CreateWindow();
    ASSERT_TRUE(window_->Movie()->IsMovieLoaded());
    AppendSites(app_->SiteList, 5);
    window_->StartFeeders();
    ASSERT_TRUE(PumpUntil([&] { return Model("siteModel")->rowCount() == 1; }));
    PumpFor(100);
    ASSERT_EQ(Model("siteModel")->rowCount(), 1); // the feed waits for an answer that never comes

    // The new item is in the movie while its alert is still open, after the stored ones.
    std::vector<std::string> shownDuringAlert;
    WhenPopup([&](AlertPopup& popup) {
        shownDuringAlert = Rows(Model("siteModel"));
        Answer(popup, "IDC_FS_BLOCK", false);
    });
    auto reply = SendReport(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html"));
    ASSERT_TRUE(PumpUntil([&] { return Ready(reply); }));
    EXPECT_EQ(reply.get(), 0);
    ASSERT_EQ(app_->SiteList.Count(), 6);
    EXPECT_EQ(shownDuringAlert, ListRows(app_->SiteList));
    EXPECT_EQ(Rows(Model("logModel")), std::vector<std::string>{"phish.example/login.html"});

    // A second detection is posted at once too, and nothing is shown twice.
    WhenPopup([](AlertPopup& popup) { Answer(popup, "IDC_FS_BLOCK", false); });
    auto second = SendReport(kReportUrl, WebRecord(kKindUrl, "other.example/"));
    ASSERT_TRUE(PumpUntil([&] { return Ready(second); }));
    EXPECT_TRUE(PumpUntil([&] { return Rows(Model("siteModel")) == ListRows(app_->SiteList); }));
    EXPECT_EQ(Rows(Model("siteModel")), ListRows(app_->SiteList));
}

TEST_F(MainWindowTest, ADetectionDuringTheFillEndsInListOrder) {
    CreateWindow();
    constexpr int kStored = 1000;
    AppendSites(app_->SiteList, kStored);
    window_->StartFeeders();
    // One round of events at a time: the feed hands one item per round trip with the movie, so
    // the check sees it while it runs, however fast the machine is.
    QElapsedTimer waited;
    waited.start();
    while (Model("siteModel")->rowCount() < 3 && waited.elapsed() < 10000)
        QApplication::processEvents();
    ASSERT_GE(Model("siteModel")->rowCount(), 3);
    ASSERT_LT(Model("siteModel")->rowCount(), kStored);

    WhenPopup([](AlertPopup& popup) { Answer(popup, "IDC_FS_ALLOW", false); });
    auto reply = SendReport(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html"));
    ASSERT_TRUE(PumpUntil([&] { return Ready(reply); }));
    // Shown at once, with every stored item before it.
    EXPECT_EQ(Model("siteModel")->rowCount(), kStored + 1);
    ASSERT_TRUE(PumpUntil([&] { return FeedersDone(); }));
    EXPECT_TRUE(PumpUntil([&] { return Rows(Model("siteModel")) == ListRows(app_->SiteList); }));
    EXPECT_EQ(Rows(Model("siteModel")), ListRows(app_->SiteList));
}

TEST_F(MainWindowTest, ReportAnsweredInThePopupIsRememberedAndShown) {
    CreateWindow();
    window_->StartFeeders();
    ASSERT_TRUE(PumpUntil([&] { return FeedersDone(); }));
    const DetectionRecord record = WebRecord(kKindUrl, "phish.example/login.html");

    WhenPopup([](AlertPopup& popup) { Answer(popup, "IDC_FS_ALLOW", true); });
    auto reply = SendReport(kReportUrl, record);
    ASSERT_TRUE(PumpUntil([&] { return Ready(reply); }));
    EXPECT_EQ(reply.get(), 1);

    ASSERT_EQ(app_->SiteList.Count(), 1);
    EXPECT_EQ(app_->SiteList.ItemAt(0).Action, kActionAllow);
    ASSERT_TRUE(PumpUntil([&] { return Model("siteModel")->rowCount() == 1; }));
    EXPECT_EQ(Cell("siteModel", 0, "action"), "Allow");
    EXPECT_EQ(Cell("logModel", 0, "action"), "Allow");
    EXPECT_EQ(Variable("_root.dwNoOfWebProtection"), "1");

    // Remembered: the same report is allowed at once, and the log row counts it.
    auto again = SendReport(kReportUrl, record);
    ASSERT_TRUE(PumpUntil([&] { return Ready(again); }));
    EXPECT_EQ(again.get(), 1);
    EXPECT_EQ(Cell("logModel", 0, "hits"), "2");
}

// The resident memory of this process, in kB (0 when it cannot be read).
long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// A flood of 250 distinct listed items: at most kMaxOpenAlerts alert windows are open at once
// (each costs megabytes), the other reports wait their turn, memory stays bounded, and every
// sender is answered in the end.
TEST_F(MainWindowTest, AFloodOfDistinctItemsOpensAFewAlertsAtATime) {
    CreateWindow();
    PumpUntil([] { return false; }, 200); // the window settles before memory is measured
    const long atRest = ResidentKilobytes();
    constexpr int kReports = 250;
    std::vector<std::future<LRESULT>> replies;
    for (int i = 0; i < kReports; ++i)
        replies.push_back(SendReport(
            kReportUrl, WebRecord(kKindUrl, ("phish" + std::to_string(i) + ".example/x").c_str())));
    PopupWatchdog watchdog; // a test gone wrong ends instead of waiting for ever

    // Checked from inside the alerts' own loops, where the reports are handled: the answers start
    // only once the limit was reached and held for a while.
    int most = 0;
    long peak = atRest;
    QElapsedTimer atLimit;
    QTimer answering;
    answering.setInterval(5);
    QObject::connect(&answering, &QTimer::timeout, [&] {
        most = std::max(most, window_->ShownAlerts());
        peak = std::max(peak, ResidentKilobytes());
        if (!atLimit.isValid()) {
            if (window_->ShownAlerts() == MainWindow::kMaxOpenAlerts)
                atLimit.start();
            return;
        }
        if (atLimit.elapsed() < 300)
            return;
        auto* popup = qobject_cast<AlertPopup*>(QApplication::activeModalWidget());
        if (popup && popup->isVisible())
            Answer(*popup, "IDC_FS_BLOCK", false);
    });
    answering.start();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return std::all_of(replies.begin(), replies.end(), [](auto& r) { return Ready(r); });
        },
        120000));
    answering.stop();
    for (auto& reply : replies)
        EXPECT_EQ(reply.get(), 0);
    EXPECT_TRUE(atLimit.isValid());
    EXPECT_EQ(most, MainWindow::kMaxOpenAlerts);
    EXPECT_EQ(window_->ShownAlerts(), 0);
    EXPECT_EQ(app_->SiteList.Count(), kReports);
#if !defined(__SANITIZE_ADDRESS__)
    // Unbounded, each open alert costs about 2.7 MB: 250 of them would take over 600 MB.
    EXPECT_LT(peak - atRest, 150 * 1024) << "at rest " << atRest << " kB, peak " << peak << " kB";
#endif
}

TEST_F(MainWindowTest, ReportArrivingWhilePopupIsOpenIsHandledInsideItsLoop) {
    CreateWindow();
    const DetectionRecord first = WebRecord(kKindUrl, "phish.example/login.html");
    const DetectionRecord second = WebRecord(kKindHost, "", "wget", "80", "198.51.100.26");

    std::future<LRESULT> secondReply;
    std::atomic<bool> secondAnsweredFirst{false};
    WhenPopup([&](AlertPopup& outer) {
        // The first popup is open: a second report arrives and gets its own popup, over it.
        secondReply = SendReport(kReportHost, second);
        AlertPopup* outerPopup = &outer;
        WhenPopup(
            [&, outerPopup](AlertPopup& inner) {
                Answer(inner, "IDC_FS_BLOCK", false);
                // Back in the first popup's loop, the second sender has its answer before the
                // first popup is answered.
                auto* poll = new QTimer();
                poll->setInterval(5);
                QObject::connect(poll, &QTimer::timeout, [&, poll, outerPopup] {
                    if (!Ready(secondReply))
                        return;
                    poll->stop();
                    poll->deleteLater();
                    secondAnsweredFirst = QApplication::activeModalWidget() == outerPopup;
                    Answer(*outerPopup, "IDC_FS_ALLOW", false);
                });
                poll->start();
            },
            outerPopup);
    });
    auto firstReply = SendReport(kReportUrl, first);
    ASSERT_TRUE(PumpUntil([&] { return Ready(firstReply); }));
    EXPECT_TRUE(secondAnsweredFirst);
    EXPECT_EQ(firstReply.get(), 1);
    ASSERT_TRUE(secondReply.valid());
    EXPECT_EQ(secondReply.get(), 0);
    ASSERT_EQ(app_->SiteList.Count(), 2);
    EXPECT_EQ(app_->SiteList.ItemAt(0).Type, "URL");
    EXPECT_EQ(app_->SiteList.ItemAt(1).Type, "IP");
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "Block"); // the nested report ended first
    EXPECT_EQ(app_->Log.EntryAt(1).ActionTaken, "Allow");
}

// A browser opens several connections to one host at once: the reports for the item of an open
// alert wait for its answer and take the same decision, so the user is asked once.
TEST_F(MainWindowTest, ReportsForTheItemOfAnOpenAlertTakeItsAnswer) {
    PopupWatchdog watchdog;
    CreateWindow();
    const DetectionRecord record = WebRecord(kKindUrl, "evil.example", "chromium", "443");
    std::vector<std::future<LRESULT>> others;
    WhenPopup([&](AlertPopup& popup) {
        for (int i = 0; i < 5; ++i)
            others.push_back(SendReport(kReportUrl, record));
        AlertPopup* open = &popup;
        When([&] { return window_->HandlerWindow()->Receiver().ConnectionCount() >= 6; },
             [open] { After(300, [open] { Answer(*open, "IDC_FS_BLOCK", false); }); });
    });
    auto first = SendReport(kReportUrl, record);
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (!Ready(first) || others.size() != 5)
                return false;
            for (auto& reply : others) {
                if (!Ready(reply))
                    return false;
            }
            return true;
        },
        30000));
    EXPECT_EQ(first.get(), 0);
    for (auto& reply : others)
        EXPECT_EQ(reply.get(), 0);
    EXPECT_EQ(app_->Settings.NoOfWebProtection, 1u) << "asked more than once";
    EXPECT_EQ(app_->Settings.NoOfBlockedInstructions, 6u);
    ASSERT_EQ(app_->SiteList.Count(), 1);
    ASSERT_EQ(app_->Log.Count(), 1);
    EXPECT_EQ(app_->Log.EntryAt(0).Count, 6);
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "Block");
}

// The only sender of an open alert ends: the alert closes by itself and the log says why.
TEST_F(MainWindowTest, AlertOfASenderThatEndedClosesWithANote) {
    PopupWatchdog watchdog;
    CreateWindow();
    int fd = RawReport(kReportUrl, WebRecord(kKindUrl, "evil.example", "chromium", "443"));
    ASSERT_GE(fd, 0);
    bool shown = false;
    WhenPopup([&](AlertPopup&) {
        shown = true;
        close(fd);
    });
    ASSERT_TRUE(PumpUntil([&] { return app_->Log.Count() == 1; }, 20000));
    EXPECT_TRUE(shown);
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "program ended before an answer");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(app_->Settings.NoOfBlockedInstructions, 0u);
    EXPECT_EQ(app_->SiteList.ItemAt(0).Action, kActionAsk);
}

// A report waiting for an open alert whose sender ends is dropped: the alert stays for the one
// still waiting, and only that one is decided and logged.
TEST_F(MainWindowTest, WaitingReportOfASenderThatEndedIsDropped) {
    PopupWatchdog watchdog;
    CreateWindow();
    const DetectionRecord record = WebRecord(kKindUrl, "evil.example", "chromium", "443");
    int fd = -1;
    bool stillOpen = false;
    WhenPopup([&](AlertPopup& popup) {
        fd = RawReport(kReportUrl, record);
        AlertPopup* open = &popup;
        When([&] { return window_->HandlerWindow()->Receiver().ConnectionCount() >= 2; },
             [&, open] {
                 After(300, [&, open] {
                     close(fd);
                     After(300, [&, open] {
                         stillOpen = QApplication::activeModalWidget() == open;
                         Answer(*open, "IDC_FS_ALLOW", false);
                     });
                 });
             });
    });
    auto first = SendReport(kReportUrl, record);
    ASSERT_TRUE(PumpUntil([&] { return Ready(first); }, 20000));
    EXPECT_GE(fd, 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(first.get(), 1);
    ASSERT_EQ(app_->Log.Count(), 1);
    EXPECT_EQ(app_->Log.EntryAt(0).Count, 1);
    EXPECT_EQ(app_->Log.EntryAt(0).ActionTaken, "Allow");
    EXPECT_EQ(app_->Settings.NoOfWebProtection, 1u);
}

TEST_F(MainWindowTest, ExitSavesTheProductKeyAndClosesTheChannel) {
    CreateWindow();
    app_->SiteList.Permission = kPermissionBlockAll;
    auto reply = SendReport(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html"));
    ASSERT_TRUE(PumpUntil([&] { return Ready(reply); }));
    EXPECT_EQ(reply.get(), 0);

    window_->OnTrayCommand(MainWindow::kCommandExit);
    EXPECT_TRUE(window_->IsEnding());
    EXPECT_EQ(window_->Run(), 0);

    EXPECT_EQ(FindWindowA(nullptr, "Baitguard Server Handler"), nullptr);
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    LoadAllSettings(settings, log, mail, web);
    EXPECT_EQ(settings.NoOfBlockedInstructions, 1u);
    EXPECT_EQ(web.Permission, kPermissionBlockAll);
    ASSERT_EQ(log.Count(), 1);
    EXPECT_EQ(log.EntryAt(0).ActionTaken, "Block");
    RegKey product;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, KEY_READ, product.Put()),
              ERROR_SUCCESS);
    std::string appPath;
    EXPECT_FALSE(ReadRegText(product.Get(), "App Path", appPath)); // the save rewrote the key
}

TEST_F(MainWindowTest, EndWithoutSaveLeavesTheRegistryAlone) {
    CreateWindow();
    app_->Settings.NoOfBlockedInstructions = 42;
    window_->EndProgram(false);
    window_->Run();
    GeneralSettings settings;
    AlertLogStore log;
    MailSafeList mail;
    WebSiteBlockingList web;
    LoadAllSettings(settings, log, mail, web);
    EXPECT_EQ(settings.NoOfBlockedInstructions, 0u);
}

// Start-up's working copy and index: the splash shows their progress when they take long (here:
// at once), up to the end, and not at all when they are quick or the program starts hidden.
TEST_F(MainWindowTest, StartUpShowsItsProgressWhenItTakesLong) {
    std::string text(16, ' ');
    text += "[" + CLSPGlobals::EncryptString("HostIP") + "]\r\n";
    for (int i = 1; i <= 2000; ++i)
        text += CLSPGlobals::EncryptString("IP" + std::to_string(i)) + "=" +
                CLSPGlobals::EncryptString("10.1." + std::to_string(i)) + "\r\n";
    text.resize((text.size() + 7) / 8 * 8, ' ');
    std::string shipped(text.size(), '\0');
    BlowfishCipher(reinterpret_cast<const unsigned char*>(kDefinitionFileKey),
                   kDefinitionFileKeyLength)
        .Encipher(reinterpret_cast<const unsigned char*>(text.data()),
                  reinterpret_cast<unsigned char*>(shipped.data()), text.size());
    shipped.replace(0, 16, "12/31/2006    \r\n");
    std::ofstream(folder_.Program() + "/hkwdb1.pbd", std::ios::binary) << shipped;

    TrayApp slow(folder_.Program() + "/HookWs", false);
    slow.ProgressAfterMs = 0;
    EXPECT_EQ(slow.WriteWorkingCopy().status, DecipherOutcome::Written);
    EXPECT_EQ(slow.StartupProgressShown, 100);
    EXPECT_TRUE(std::filesystem::exists(slow.Definitions().WorkingCopyIndex()));

    TrayApp hidden(folder_.Program() + "/HookWs", true); // started hidden in the tray
    hidden.ProgressAfterMs = 0;
    EXPECT_EQ(hidden.WriteWorkingCopy().status, DecipherOutcome::Written);
    EXPECT_EQ(hidden.StartupProgressShown, -1);

    TrayApp quick(folder_.Program() + "/HookWs", false);
    quick.ProgressAfterMs = 60000;
    EXPECT_EQ(quick.WriteWorkingCopy().status, DecipherOutcome::Written);
    EXPECT_EQ(quick.StartupProgressShown, -1);
    EXPECT_EQ(quick.ExitInstance(), 0);
    EXPECT_FALSE(std::filesystem::exists(quick.Definitions().WorkingCopy()));
    EXPECT_FALSE(std::filesystem::exists(quick.Definitions().WorkingCopyIndex()));
}

} // namespace
