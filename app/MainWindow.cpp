// MainWindow: creation and initialisation, the tray commands, the ways the program ends, the
// main movie's list handshake and the detection handlers' view.
//
// Sections: construction; creation and initialisation; ending; tray and movie commands; the
// detection handlers' view; the movie posts.
#include "app/MainWindow.h"

#include "app/AdminCommands.h"
#include "app/DefinitionsWatcher.h"
#include "app/EventHandlerWindow.h"
#include "app/LiveUpdate.h"
#include "app/MainCommands.h"
#include "app/TrayApp.h"
#include "app/alerts/AlertPopup.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/QtText.h"
#include "app/desktop/Splash.h"
#include "app/settings/AboutWindow.h"
#include "app/settings/RequireAdministrator.h"
#include "core/DetectionHandlers.h"
#include "core/FileNames.h"
#include "core/ProductKey.h"
#include "core/RegistryValues.h"
#include "core/TextUtil.h"
#include "core/lists/MovieListProtocol.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/RunAtStartup.h"
#include "core/settings/StringTable.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/ShellExecute.h"
#include "platform/TerminationSignal.h"
#include "platform/UserFolders.h"
#include "platform/Window.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

using namespace hookwise::platform;

namespace hookwise::app {

using namespace hookwise::core;

namespace {

// The main window's template: 334 × 278 dialog units.
constexpr int kTemplateWidth = 334;
constexpr int kTemplateHeight = 278;

} // namespace

// ---- construction ----

MainWindow::MainWindow(TrayApp& app, QWidget* parent)
    : CMovieDialog(QStringLiteral("HkMain"), QStringLiteral(".pbf"),
                   QSize(kTemplateWidth, kTemplateHeight), parent),
      app_(app),
      handlers_(DetectionState{app.Settings, app.Log, app.MailList, app.SiteList}, *this),
      logFeeder_([this] { return app_.Log.Count(); },
                 [this](int i) { return LogEntryVariables(app_.Log.EntryAt(i)); },
                 [this](MovieVariables v) { PostFromFeeder(std::move(v)); }),
      mailFeeder_([this] { return app_.MailList.Count(); },
                  [this](int i) { return MailItemVariables(app_.MailList.ItemAt(i)); },
                  [this](MovieVariables v) { PostFromFeeder(std::move(v)); }),
      siteFeeder_([this] { return app_.SiteList.Count(); },
                  [this](int i) { return SiteItemVariables(app_.SiteList.ItemAt(i)); },
                  [this](MovieVariables v) { PostFromFeeder(std::move(v)); }) {
    // The main window is a window of its own, not a dialog over another, and never modal.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setModal(false);
    setWindowIcon(CSystemTray::DefaultIcon());
    feederTimer_.setSingleShot(true);
    feederTimer_.setInterval(kFeederDelayMs);
    feederTimer_.setObjectName(QString::number(kFeederTimerId));
    connect(&feederTimer_, &QTimer::timeout, this, &MainWindow::StartFeeders);
    runningSave_.setSingleShot(true);
    runningSave_.setInterval(kRunningSaveDelayMs);
    connect(&runningSave_, &QTimer::timeout, this, [this] {
        if (!ending_ && !runningSavesHeld_)
            SaveRunningSettings(app_.Settings, app_.Log, app_.MailList, app_.SiteList);
    });
    connect(&tray_, &CSystemTray::Command, this, &MainWindow::OnTrayCommand);
    commands_ = std::make_unique<MainCommands>(
        static_cast<CommandWindow&>(*this),
        CommandLists{app_.Log, app_.MailList, app_.SiteList, logFeeder_, mailFeeder_, siteFeeder_},
        CommandSettings{app_.Settings, app_.Log, app_.MailList, app_.SiteList, app_.ProgramPath,
                        app_.ApplicationDirectory},
        static_cast<DetectionView&>(*this));
    liveUpdate_ = new LiveUpdate(Q(LiveUpdateProgramPath(app_.ApplicationDirectory)), this, this);
}

MainWindow::~MainWindow() {
    Finish();
}

// ---- creation and initialisation ----

void MainWindow::Create() {
    OnCreate();
    InitialiseWindow();
    if (startHidden_)
        return;
    show();
}

void MainWindow::OnCreate() {
    const QString title = Q(TrayApp::Title());
    const bool trayShown =
        tray_.Create(this, kTrayCallbackMessage, title, windowIcon(), kTrayIconId);
    if (app_.HasCommandLine) {
        startHidden_ = true;
        tray_.SetMenuDefaultItem(kCommandRestore, false);
        if (trayShown) {
            tray_.MinimiseToTray(this);
        } else {
            // Without a notification area the window could not be brought back from the tray:
            // it starts minimised instead.
            startHidden_ = false;
            setWindowState(windowState() | Qt::WindowMinimized);
        }
    }
    WriteProgramValues();
}

void MainWindow::WriteProgramValues() {
    RegKey product;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, product.Put(), nullptr) != ERROR_SUCCESS)
        return;
    WriteRegText(product.Get(), "App Path", app_.DataDirectory);
    WriteRegText(product.Get(), "DefnsVersion", app_.DefinitionsVersion);
}

void MainWindow::InitialiseWindow() {
    // The handler window first: detections are received from here on.
    handlerWindow_ = new EventHandlerWindow(
        [this](std::uint32_t code, const std::uint8_t* data, std::uint32_t size) {
            const std::int32_t decision =
                handlers_.Dispatch(code, data, size, handlerWindow_->Receiver().CurrentReport());
            ScheduleRunningSave();
            return decision;
        },
        this);
    handlerWindow_->SetHangUpCallback(
        [this](std::uint64_t report) { handlers_.OnSenderGone(report); });
    if (const LONG error = handlerWindow_->Create(); error != ERROR_SUCCESS) {
        const std::string folder = RuntimeFolder();
        const DWORD folderError = GetLastError();
        std::string reason = SystemMessageText(static_cast<DWORD>(error));
        if (folder.empty())
            reason = "the runtime folder for its socket cannot be used (" +
                     SystemMessageText(folderError) + ")";
        app_.ChannelProblem = FormatAlertText(LoadText(kStrChannelFailed), reason);
    }

    setWindowTitle(Q(TrayApp::Title()));
    SetAdministratorGate(&app_.Settings, [this] { RefreshMainMovie(); });
    WatchTerminationSignals();

    LoadAllSettings(app_.Settings, app_.Log, app_.MailList, app_.SiteList);
    app_.ProvideBlockedRequestPage();

    if (app_.Settings.LoadSplashScreen) {
        splash_ = new CSplash(this);
        splash_->setGeometry(rect());
        connect(splash_, &CSplash::Finished, splash_, &QObject::deleteLater);
        splash_->PlaySplash();
    }

    // The main movie with the common set-up; OnInitDialog refreshes the overview.
    Prepare();
    if (splash_)
        splash_->raise();
    // Protection that is off though switched on is never left silent: once the window runs, the
    // message box and a tray message say why (the overview says so too).
    if (!app_.ProtectionProblem().empty())
        QTimer::singleShot(0, this, [this] { ShowProtectionProblem(); });

    if (app_.Log.IsArchiveDue() && app_.Log.ArchiveLogFile)
        app_.Log.ArchiveLog(app_.Settings.ProgramVersion);

    feederTimer_.start();

    // New definitions written by the update program are taken from here on.
    definitionsWatcher_ = std::make_unique<DefinitionsWatcher>(
        app_, [this](const std::string& path, const std::string& version) {
            OnDefinitionsSwitched(path, version);
        });
    definitionsWatcher_->Start();
    StartUpdateIfDue();

    SetRunAtStartup(TrayApp::Title(), RunAtStartupCommandLine(app_.ProgramPath),
                    app_.Settings.LoadwithWindowsStartup == 0);
}

void MainWindow::OnDefinitionsSwitched(const std::string& path, const std::string& version) {
    app_.DefinitionsProblem.clear(); // new definitions are taken only when they are whole
    app_.DefinitionsPath = path;
    app_.DefinitionsVersion = version;
    app_.Settings.DefinitionsVersion = version;
    RegKey product;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, product.Put(), nullptr) == ERROR_SUCCESS)
        WriteRegText(product.Get(), "DefnsVersion", version);
    RefreshMainMovie();
}

bool MainWindow::UpdateAtStartAllowed() {
    const char* value = std::getenv("HOOKWISE_UPDATE_AT_START");
    return value == nullptr || std::string(value) != "0";
}

void MainWindow::StartUpdateIfDue() {
    // The update program rewrites the user's definitions when they changed and its record of
    // the last run ("last-build" in the user's cache folder) at every successful run.
    const std::string cache = UserCacheFolder();
    const std::string lastRun = cache.empty() ? std::string() : cache + "/hookwise/last-build";
    if (!UpdateAtStartAllowed() || !IsStartUpdateDue(app_.Definitions().UserDefinitions(), lastRun,
                                                     static_cast<std::int64_t>(std::time(nullptr))))
        return;
    // Started once the event loop runs, so start-up does not wait for it.
    QTimer::singleShot(0, liveUpdate_, [this] { liveUpdate_->RunQuietly(); });
}

void MainWindow::OnInitDialog() {
    RefreshMainMovie();
}

void MainWindow::WatchTerminationSignals() {
    const int fd = OpenTerminationSignalDescriptor();
    if (fd < 0)
        return;
    terminationNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(terminationNotifier_, &QSocketNotifier::activated, this, [this, fd] {
        if (TakeTerminationSignal(fd) != 0)
            EndProgram(true);
    });
    // The session manager's save request comes before a log-off or shutdown that the user can
    // still cancel: the settings are saved, and the program runs on. The session's real end
    // quits the application; that quit, and any other the program did not ask for, ends the
    // program as Exit does, so no ending loses the settings.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { OnSessionSaveRequest(); });
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!ending_)
            EndProgram(true);
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::Quit && !ending_)
        EndProgram(true);
    // The right button never reaches the movie; on the window it opens the system menu, and so
    // does Alt+Space, as on a window with a caption.
    if (watched == Movie() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        ShowSystemMenu(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    if (watched == Movie() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::AltModifier) {
            ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
            return true;
        }
    }
    return CMovieDialog::eventFilter(watched, event);
}

void MainWindow::ScheduleRunningSave() {
    // One save (one transaction) for every decision of the last half second: a crash or a power
    // loss then loses at most the decisions of the last second, never an hour of them.
    if (!ending_ && !runningSavesHeld_ && !runningSave_.isActive())
        runningSave_.start();
}

void MainWindow::HoldRunningSaves(bool held) {
    runningSavesHeld_ = held;
    if (held)
        runningSave_.stop();
    else
        ScheduleRunningSave(); // decisions made while held are saved now
}

void MainWindow::OnSessionSaveRequest() {
    SaveAllSettingsLoggedOut(app_.Settings, app_.Log, app_.MailList, app_.SiteList);
}

// ---- ending ----

void MainWindow::EndProgram(bool save) {
    saveOnEnd_ = saveOnEnd_ || save;
    ending_ = true;
    WakeWaiters();
    // Every loop ends, a popup's too; the settings are saved once none runs any more, so a report
    // that finishes inside a popup's loop is saved with them. exit() does not ask the windows to
    // close (the main window would only hide).
    QCoreApplication::exit(0);
}

int MainWindow::Run() {
    int code = 0;
    if (!ending_)
        code = QApplication::exec();
    Finish();
    return code;
}

void MainWindow::Finish() {
    if (finished_)
        return;
    finished_ = true;
    // Every way out that saves ends logged out, so that with a password set the next start asks
    // for it again.
    if (saveOnEnd_) {
        app_.Settings.IsLogin = 0;
        SaveAllSettings(app_.Settings, app_.Log, app_.MailList, app_.SiteList);
    }
    feederTimer_.stop();
    // A switch under way ends before the working copy is removed.
    definitionsWatcher_.reset();
    logFeeder_.Stop();
    mailFeeder_.Stop();
    siteFeeder_.Stop();
    tray_.RemoveIcon();
    if (handlerWindow_)
        handlerWindow_->Destroy();
    SetAdministratorGate(nullptr, {});
    hide();
}

// ---- tray and movie commands ----

void MainWindow::HideToTray() {
    tray_.SetMenuDefaultItem(kCommandRestore, false);
    if (tray_.Enabled()) {
        tray_.MinimiseToTray(this);
        return;
    }
    // Without a notification area a hidden window could not come back.
    showMinimized();
}

void MainWindow::OnCancel() {
    HideToTray();
}

void MainWindow::OpenHelp() {
    // The page of the current language, else the English one, in the desktop's browser; when
    // neither can be opened the user is told where the page was looked for.
    const std::string page = GetHelpPath(CurrentLanguage());
    std::string help = page;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(help, ignored))
        help = GetHelpPath(kDefaultLanguage);
    CommandDesktop& desktop = GetCommandDesktop();
    if (std::filesystem::is_regular_file(help, ignored) &&
        desktop.ShellOpen(help, {}, {}, SW_SHOW) > 32)
        return;
    desktop.Confirm(this, Q(FormatAlertText(LoadText(kStrHelpMissing), page)), Q(TrayApp::Title()),
                    MB_OK | MB_ICONERROR);
}

void MainWindow::OpenAbout() {
    AboutWindow about(Q(app_.Settings.ProgramVersion), Q(app_.Settings.EngineVersion), this);
    about.Show();
}

void MainWindow::ShowSystemMenu(const QPoint& where) {
    if (!systemMenu_)
        systemMenu_ = std::make_unique<QMenu>();
    systemMenu_->clear();
    const std::string about = LoadText(kStrAboutMenu);
    if (!about.empty()) {
        QAction* action = systemMenu_->addAction(Q(about));
        connect(action, &QAction::triggered, this, [this] { OnSysCommand(kCommandAboutFirst); });
    }
    if (!systemMenu_->isEmpty())
        systemMenu_->popup(where);
}

void MainWindow::OnSysCommand(UINT command) {
    if (command >= kCommandAboutFirst && command <= kCommandAboutLast)
        OpenAbout();
}

void MainWindow::OnTrayCommand(UINT command) {
    if (command >= kCommandAboutFirst && command <= kCommandAboutLast) {
        OnSysCommand(command);
        return;
    }
    switch (command) {
    case kCommandRestore:
        tray_.MaximiseFromTray(this);
        tray_.SetMenuDefaultItem(kCommandExit, false);
        return;
    case kCommandExit:
        if (!RequireAdministrator(this))
            return;
        app_.Settings.IsLogin = 0;
        EndProgram(true);
        return;
    case kCommandHelp:
        OpenHelp();
        return;
    default:
        return;
    }
}

void MainWindow::OnCommand(const QString& command, const QString& args) {
    commands_->Dispatch(command, args);
}

// ---- the detection handlers' view ----

int MainWindow::AskUser(const AlertRequest& request, bool& remember) {
    // At most kMaxOpenAlerts alert windows at once, so a flood of distinct listed items cannot
    // take memory without bound: a report beyond them waits, in a loop inside the open alerts'
    // loops, until one of them is answered (its window closes then, before its own loop unwinds).
    if (!WaitUntil([this] { return shownAlerts_ < kMaxOpenAlerts; })) {
        remember = false;
        return kAlertClosedUnanswered;
    }
    AlertPopup popup(this);
    popup.Fill(request);
    // The answer reaches the handlers as it is given: reports waiting for it run in loops inside
    // this popup's, which end before Show returns.
    bool counted = true;
    ++shownAlerts_;
    QObject::connect(&popup, &QDialog::finished, [this, &popup, &request, &counted](int result) {
        if (counted) {
            counted = false;
            --shownAlerts_;
            WakeWaiters(); // a report waiting for room may show its alert now
        }
        if (request.Answered)
            request.Answered(result, popup.remember);
    });
    if (request.Question != 0)
        openAlerts_[request.Question] = &popup;
    const int result = popup.Show();
    if (counted) {
        --shownAlerts_;
        WakeWaiters();
    }
    openAlerts_.erase(request.Question);
    remember = popup.remember;
    return result;
}

bool MainWindow::WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (ending_)
            return false;
        QEventLoop loop;
        waitLoops_.push_back(&loop);
        loop.exec();
        waitLoops_.erase(std::find(waitLoops_.begin(), waitLoops_.end(), &loop));
    }
    return true;
}

void MainWindow::WakeWaiters() {
    for (QEventLoop* loop : waitLoops_)
        loop->quit();
}

// ---- CommandWindow ----

bool MainWindow::AdministratorAllows() {
    return RequireAdministrator(this);
}

void MainWindow::PostToMovie(MovieVariables variables) {
    PostFromFeeder(std::move(variables));
}

void MainWindow::ShowHelp() {
    OnTrayCommand(kCommandHelp);
}

void MainWindow::CloseToTray() {
    // As the window's own close: hidden to the tray.
    reject();
}

void MainWindow::MinimizeWindow() {
    tray_.SetMenuDefaultItem(kCommandRestore, false);
    showMinimized();
}

void MainWindow::LanguageChanged() {
    app_.ProvideBlockedRequestPage();
    setWindowTitle(Q(TrayApp::Title()));
    // The tray menu is rebuilt each time it opens; some notification areas keep the menu they
    // were handed, so it is rebuilt now too, with the tooltip.
    tray_.Retranslate(Q(TrayApp::Title()));
    RefreshMainMovie();
}

void MainWindow::RunLiveUpdate() {
    // Runs beside the window: progress and outcome in the program's message box.
    liveUpdate_->RunShown();
}

void MainWindow::CloseAlert(int question) {
    auto found = openAlerts_.find(question);
    if (found != openAlerts_.end())
        found->second->done(kAlertClosedUnanswered);
}

// ---- the movie posts ----

void MainWindow::SetMovieVariables(const MovieVariables& variables) {
    CShockwaveFlash* movie = Movie();
    for (const MovieVariable& variable : variables)
        movie->SetVariable(Q(variable.name), Q(variable.value));
}

void MainWindow::PostFromFeeder(MovieVariables variables) {
    bool schedule = false;
    {
        std::lock_guard lock(feederPostsMutex_);
        feederPosts_.push_back(std::move(variables));
        schedule = !feederDeliveryQueued_;
        feederDeliveryQueued_ = true;
    }
    if (schedule)
        QMetaObject::invokeMethod(
            this, [this] { DeliverFeederPosts(); }, Qt::QueuedConnection);
}

void MainWindow::DeliverFeederPosts() {
    std::deque<MovieVariables> posts;
    {
        std::lock_guard lock(feederPostsMutex_);
        posts.swap(feederPosts_);
        feederDeliveryQueued_ = false;
    }
    for (const MovieVariables& variables : posts)
        SetMovieVariables(variables);
}

void MainWindow::PostSingle(ListFeeder& feeder, int index) {
    // Taken first: from here on the feeder hands nothing more over, so what it handed over before
    // can go to the movie ahead of these items, and the rows keep list order.
    const std::vector<MovieVariables> posts = feeder.SinglePost(index);
    DeliverFeederPosts();
    for (const MovieVariables& variables : posts)
        SetMovieVariables(variables);
}

void MainWindow::StartFeeders() {
    feederTimer_.stop();
    // Nothing would answer the handshake without a movie.
    if (!Movie()->IsMovieLoaded())
        return;
    logFeeder_.Start();
    mailFeeder_.Start();
    siteFeeder_.Start();
}

void MainWindow::PostMailItem(int index) {
    PostSingle(mailFeeder_, index);
}

void MainWindow::PostSiteItem(int index) {
    PostSingle(siteFeeder_, index);
}

void MainWindow::PostLogEntry(int index, bool droppedOldest) {
    if (droppedOldest && logFeeder_.ItemRemoved(0)) {
        DeliverFeederPosts();
        SetMovieVariables(LogDropOldestVariables());
    }
    PostSingle(logFeeder_, index);
}

void MainWindow::UpdateMailItem(int index) {
    DeliverFeederPosts(); // the row may still be on its way
    SetMovieVariables(MailUpdateVariables(app_.MailList, index));
}

void MainWindow::UpdateSiteItem(int index) {
    DeliverFeederPosts(); // the row may still be on its way
    SetMovieVariables(SiteUpdateVariables(app_.SiteList, index));
}

void MainWindow::UpdateLogEntry(int index) {
    DeliverFeederPosts(); // the row may still be on its way
    SetMovieVariables(LogUpdateVariables(app_.Log, index));
}

void MainWindow::RefreshMainMovie() {
    SetMovieVariables(OverviewVariables(app_.Settings, app_.Log, app_.MailList, app_.SiteList));
    SetMovieVariables({{"_root.strProtectionProblem", app_.ProtectionProblem()}});
}

void MainWindow::ShowProtectionProblem() {
    const std::string problem = app_.ProtectionProblem();
    if (problem.empty())
        return;
    RefreshMainMovie();
    tray_.ShowMessage(Q(TrayApp::Title()), Q(problem));
    TrayApp::ShowStartupMessage(problem);
}

} // namespace hookwise::app
