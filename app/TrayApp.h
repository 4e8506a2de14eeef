// TrayApp: the application object of HookWs: whether this process may run, the deciphered
// working copy of the definitions (made by core/definitions, with the splash's progress), the
// provider check, the main window (which main.cpp gives) for the whole run, and the end of the
// process.
#pragma once

#include "core/WarningPage.h"
#include "core/definitions/DefinitionsPaths.h"
#include "core/definitions/WorkingCopy.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "platform/MappedFile.h"
#include "platform/NamedMutex.h"

#include <functional>
#include <string>

namespace hookwise::app {

constexpr const char* kProviderInstaller = "provinst";
// The second mutex of the program; created at construction and never tested.
constexpr const char* kProgramMutexName = "{45428D53-A5DB-4168-BD3C-658419B60279}";

class TrayApp {
public:
    // programPath: the program's own executable; hasCommandLine: the program was given arguments
    // (it then starts hidden in the tray). Fills the fields below in their order and makes the
    // program's folder the ProgramFolder() of the process and DataDirectory its
    // DataFolder().
    TrayApp(const std::string& programPath, bool hasCommandLine);
    ~TrayApp();
    TrayApp(const TrayApp&) = delete;
    TrayApp& operator=(const TrayApp&) = delete;

    std::string ApplicationDirectory; // without a trailing '/'
    // Where the files written at run time go (ChooseDataFolder): the application directory,
    // or the user's own folder when that one is a system package's or not writable. "App Path"
    // names it, so the engine finds the working copy and the warning page there.
    std::string DataDirectory;
    std::string ProgramPath;
    // The user's definitions file as it was before the choice below (zero when there was none):
    // a change after this is new definitions to take.
    platform::FileStamp UserDefinitionsSeen;
    // The definitions file deciphered at start (ChooseDefinitions: the shipped file, or the
    // user's updated one when newer) and its version; both change when the program takes new
    // definitions while it runs.
    std::string DefinitionsPath;
    // The language ("English") is the language layer's current language.
    std::string DefinitionsVersion;
    // Why protection is off although it is switched on, for the user (empty while it works): the
    // definitions deciphered into noise, or detection reports cannot be received.
    std::string DefinitionsProblem;
    std::string ChannelProblem;
    // The problems above, one after the other; empty when there is none.
    std::string ProtectionProblem() const;
    const char* TrayMenuSection;
    const char* MessageSection;
    std::string LogFilePath;
    int SecondInstance = 0;
    NamedMutex ProgramMutex; // kProgramMutexName, not owned
    core::GeneralSettings Settings;
    core::AlertLogStore Log;
    core::MailSafeList MailList;
    core::WebSiteBlockingList SiteList;
    const bool HasCommandLine;

    // Runs the main window for the whole program and returns the exit code (main.cpp gives it,
    // so the application object knows no window).
    using WindowRun = std::function<int(TrayApp& app)>;

    // The start-up routine: single instance, working copy, provider, then runWindow runs until
    // the program ends. Returns false always.
    bool InitInstance(const WindowRun& runWindow);
    // The exit routine: deletes the working copy unless this process is a refused second
    // instance. Returns the process's exit code: 0 after a normal run, 1 when start-up ended
    // early.
    int ExitInstance();
    // InitInstance, then ExitInstance.
    int Run(const WindowRun& runWindow);

    // The application title (string 7001 in the current language).
    static std::string Title();
    // Where the definitions files are: the shipped file, the user's, the working copy and their
    // indexes.
    core::DefinitionsPaths Definitions() const;

    // Copies the shipped warning page into the data folder when that is not the application
    // directory, so the engine shows it from "App Path" + "/hkwpm.htm". Replaced whole at each
    // start, so an updated package's page is shown; kept at exit, since the browser host shows it
    // even while the program is not running.
    void ProvideWarningPage() const;
    // Writes the page a blocked plain-HTTP request is answered with, in the current language,
    // into the data folder; called once the stored language is known and again whenever it
    // changes. A failure is reported on standard error (the provider then answers in English).
    void ProvideBlockedRequestPage() const;

    // Shows a start-up message in the program's message box (and on standard error).
    // $HOOKWISE_MESSAGE_TIMEOUT_MS closes each such box after that many milliseconds; without a
    // display (the offscreen and minimal platforms) nobody could answer it, so it closes at once.
    static void ShowStartupMessage(const std::string& text);

    // How long start-up works before the splash shows its progress; 0 shows it at once.
    static constexpr int kProgressAfterMs = 500;
    int ProgressAfterMs = kProgressAfterMs;
    // The last share of the start-up's work that the splash showed; -1 when it was never shown.
    int StartupProgressShown = -1;

    // The start-up's working copy and index (DecipherDefinitions with the working copy's index), on
    // a worker thread while the event loop runs, with the splash's progress shown once it takes
    // longer than ProgressAfterMs. Without a widget application, or when the program starts hidden
    // in the tray, it runs on this thread, unseen.
    core::DecipherOutcome WriteWorkingCopy();
    // The options of the working copy for the definitions in use: its index and the index cache.
    core::DecipherOptions WorkingCopyOptions() const;

private:
    NamedMutex instanceMutex_; // named with the title, owned while this process runs
    int exitCode_ = 0;
};

} // namespace hookwise::app
