// MainWindow: the one long-lived window of HookWs: the main movie, the tray icon, the channel's
// handler window, the detection handlers' view, the three list feeders, and the ways the program
// ends (Exit, session end, the end-of-session signals).
//
// Closing the window hides it to the tray; only EndProgram ends the program. The window runs for
// the whole process: Run returns when the program ends, after the settings were saved (when the
// end asked for it), the feeders stopped, the tray icon removed and the channel closed.
#pragma once

#include "app/CommandWindow.h"
#include "app/desktop/MovieDialog.h"
#include "app/desktop/SystemTray.h"
#include "core/DetectionHandlers.h"
#include "core/lists/ListFeeder.h"
#include "platform/ProductNames.h"
#include "platform/WinTypes.h"

#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class QMenu;
class QSocketNotifier;
class QEventLoop;

namespace hookwise::app {

class CSplash;
class EventHandlerWindow;
class MainCommands;
class TrayApp;

class AlertPopup;
class DefinitionsWatcher;
class LiveUpdate;

class MainWindow : public CMovieDialog, private core::DetectionView, private CommandWindow {
    Q_OBJECT

public:
    // Alert windows open at once; further reports that ask the user wait for one to close.
    static constexpr int kMaxOpenAlerts = 8;
    // The tray icon's values and the tray menu's commands.
    static constexpr UINT kCommandRestore = 32771;
    static constexpr UINT kCommandExit = 32772;
    static constexpr UINT kCommandHelp = 32774;
    // The system menu's About commands (the menu's item is the first), also in the tray menu.
    static constexpr UINT kCommandAboutFirst = 16;
    static constexpr UINT kCommandAboutLast = 31;
    // The one-shot timer that starts the feeders.
    static constexpr int kFeederTimerId = 1048833;
    static constexpr int kFeederDelayMs = 1000;

    explicit MainWindow(TrayApp& app, QWidget* parent = nullptr);
    // Stops the feeders and closes the channel if Run did not.
    ~MainWindow() override;

    // The window's creation (tray icon, start hidden with a command line, "App Path" and
    // "DefnsVersion") and initialisation (handler window, settings, splash, main movie, overview,
    // log archive, feeder timer, start-with-the-session entry); then the window is shown unless
    // it starts hidden.
    void Create();
    // Runs the event loop until EndProgram; then ends the window (see the file comment).
    // Returns the exit code (0).
    int Run();
    // Ends the program: every event loop returns; with save, the settings are saved first.
    // Exit and the session's end save; Reset and Restore end without saving. Later calls only
    // add a save that was not asked for before.
    void EndProgram(bool save) override;
    bool IsEnding() const { return ending_; }
    // While held, decisions are not saved until the end (a restore is writing the registry).
    void HoldRunningSaves(bool held) override;
    // Alert windows open now.
    int ShownAlerts() const { return shownAlerts_; }
    // The session manager asks to save before a log-off or shutdown that may still be cancelled:
    // the settings are saved as a logged-out end would store them, and the program runs on.
    void OnSessionSaveRequest();

    // The tray menu's commands (also sent by a double-click on the icon).
    void OnTrayCommand(UINT command);
    // A command of the window's system menu: 16 to 31 open the About window; others do nothing.
    void OnSysCommand(UINT command);
    // The window's system menu, opened by a right-click on the window or Alt+Space (null before
    // its first opening): "&About Baitguard..." (string 101, command 16) when that text is not
    // empty. Rebuilt at every opening, so a change of language shows.
    QMenu* SystemMenu() const { return systemMenu_.get(); }
    // Sets the overview's variables in the main movie.
    void RefreshMainMovie() override;
    // Sets variables in the main movie, in order (UI thread only).
    void SetMovieVariables(const core::MovieVariables& variables) override;

    // For the tests.
    core::DetectionHandlers& Handlers() { return handlers_; }
    EventHandlerWindow* HandlerWindow() { return handlerWindow_; }
    CSystemTray& Tray() { return tray_; }
    core::ListFeeder& MailFeeder() { return mailFeeder_; }
    core::ListFeeder& SiteFeeder() { return siteFeeder_; }
    core::ListFeeder& LogFeeder() { return logFeeder_; }
    bool StartsHidden() const { return startHidden_; }
    MainCommands& Commands() { return *commands_; }
    // Starts the three feeders now (the feeder timer does this once, a second after start-up).
    void StartFeeders();
    // The update program's runner ("Check for updates", and the update at start).
    LiveUpdate& LiveUpdater() { return *liveUpdate_; }
    // The watch that takes new definitions while the program runs (null before Create).
    DefinitionsWatcher* DefinitionsWatch() { return definitionsWatcher_.get(); }
    // $HOOKWISE_UPDATE_AT_START = "0" turns the update at start off (tests, and machines
    // without a network); otherwise it runs when the last update is older than a day.
    static bool UpdateAtStartAllowed();

protected:
    // The main movie's commands, through the command tables (MainCommands).
    void OnCommand(const QString& command, const QString& args) override;
    // Enter does not end the main window; a close request and Escape hide it to the tray.
    void OnOK() override {}
    void OnCancel() override;
    // The application's quit (the session's end) ends the program with a save.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DetectionView: the alert popup and the movie posts of the detection handlers.
    int AskUser(const core::AlertRequest& request, bool& remember) override;
    void PostMailItem(int index) override;
    void PostSiteItem(int index) override;
    void PostLogEntry(int index, bool droppedOldest) override;
    void UpdateMailItem(int index) override;
    void UpdateSiteItem(int index) override;
    void UpdateLogEntry(int index) override;
    bool WaitUntil(const std::function<bool()>& done) override;
    void WakeWaiters() override;
    void CloseAlert(int question) override;

    // CommandWindow: what the main movie's commands ask of the window.
    bool AdministratorAllows() override;
    void PostToMovie(core::MovieVariables variables) override;
    QWidget* Widget() override { return this; }
    void StartDrag() override { DragWindow(); }
    void ShowHelp() override;
    void CloseToTray() override;
    void MinimizeWindow() override;
    void LanguageChanged() override;
    void RunLiveUpdate() override;

    void OnCreate();
    void OnInitDialog() override;
    void InitialiseWindow();
    void WriteProgramValues() override;
    // New definitions are in use: the version is recorded ("DefnsVersion") and shown.
    void OnDefinitionsSwitched(const std::string& path, const std::string& version);
    // Starts the timer of the save that keeps decisions safe from a crash, unless it runs.
    void ScheduleRunningSave();
    // Tells the user, in the message box and a tray message, why protection is off.
    void ShowProtectionProblem();
    // Runs the update program quietly when the last update is older than a day.
    void StartUpdateIfDue();
    void WatchTerminationSignals();
    void HideToTray();
    void OpenHelp();
    void OpenAbout();
    void ShowSystemMenu(const QPoint& where);
    // Hands variables from a feeder thread to this window's thread without waiting; they reach
    // the movie in the order they were handed over.
    void PostFromFeeder(core::MovieVariables variables);
    // Sets what the feeders handed over and the movie has not received yet (UI thread).
    void DeliverFeederPosts();
    // The single post of a new item: it reaches the movie at once, with the items before it that
    // feeder has not fed yet, so the movie's rows stay in list order.
    void PostSingle(core::ListFeeder& feeder, int index);
    // Saves (when asked), stops the feeders, removes the icon, closes the channel. Once.
    void Finish();

    TrayApp& app_;
    CSystemTray tray_;
    CSplash* splash_ = nullptr;
    EventHandlerWindow* handlerWindow_ = nullptr;
    core::DetectionHandlers handlers_;
    std::map<int, AlertPopup*> openAlerts_; // by question, while AskUser shows them
    int shownAlerts_ = 0;                   // alert windows open now (at most kMaxOpenAlerts)
    // The save of the decisions made meanwhile, at most this long after the first of them.
    static constexpr int kRunningSaveDelayMs = 500;
    QTimer runningSave_;
    bool runningSavesHeld_ = false;
    std::vector<QEventLoop*> waitLoops_; // the WaitUntil loops running, innermost last
    core::ListFeeder logFeeder_;
    core::ListFeeder mailFeeder_;
    core::ListFeeder siteFeeder_;
    QTimer feederTimer_;
    std::mutex feederPostsMutex_;
    std::deque<core::MovieVariables> feederPosts_;
    bool feederDeliveryQueued_ = false;
    QSocketNotifier* terminationNotifier_ = nullptr;
    bool startHidden_ = false;
    bool ending_ = false;
    bool saveOnEnd_ = false;
    bool finished_ = false;
    std::unique_ptr<MainCommands> commands_;
    std::unique_ptr<DefinitionsWatcher> definitionsWatcher_;
    LiveUpdate* liveUpdate_ = nullptr; // a child of this window
    std::unique_ptr<QMenu> systemMenu_;
};

} // namespace hookwise::app
