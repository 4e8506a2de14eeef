// TrayApp: construction, the start-up routine with its failure messages, the working copy of the
// definitions made under the splash, the provider check and the exit routine.
#include "app/TrayApp.h"

#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/Splash.h"
#include "core/BlockedRequestPage.h"
#include "core/DetectionHandlers.h"
#include "core/FileNames.h"
#include "core/ProtectionProblem.h"
#include "core/definitions/DefinitionsFiles.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PackFormat.h"
#include "core/settings/StringTable.h"
#include "engine/LSPGlobals.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/RegularFile.h"
#include "platform/ShellExecute.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

using namespace hookwise::platform;

namespace hookwise::app {

using namespace hookwise::core;

namespace {

// The program folder of the process and the starting language are set before any member that
// reads them is built.
std::string PrepareProcess(const std::string& programPath) {
    std::string folder = FolderOf(programPath);
    SetProgramFolder(folder);
    SetCurrentLanguage(kDefaultLanguage);
    return folder;
}

std::string PrepareDataFolder(const std::string& applicationDirectory) {
    std::string folder = ChooseDataFolder(applicationDirectory);
    SetDataFolder(folder);
    return folder;
}

FileStamp StampOrZero(const std::string& path) {
    FileStamp stamp;
    StampOfFile(path.c_str(), stamp);
    return stamp;
}

// How long a start-up message stays open: -1 until answered.
int MessageTimeoutMs() {
    if (const char* value = std::getenv("HOOKWISE_MESSAGE_TIMEOUT_MS"); value && value[0])
        return std::max(0, std::atoi(value));
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return 0;
    return -1;
}

} // namespace

TrayApp::TrayApp(const std::string& programPath, bool hasCommandLine)
    : ApplicationDirectory(PrepareProcess(programPath)),
      DataDirectory(PrepareDataFolder(ApplicationDirectory)), ProgramPath(programPath),
      UserDefinitionsSeen(StampOrZero(Definitions().UserDefinitions())),
      TrayMenuSection(kTrayMenuSection), MessageSection(kMsgSection),
      LogFilePath(DataDirectory + "/HookWsLOG.log"), HasCommandLine(hasCommandLine) {
    // The choice reads each file's version line; the chosen one's is the version in use.
    DefinitionsFile chosen =
        ChooseDefinitions(Definitions().Shipped(), Definitions().UserDefinitions());
    DefinitionsPath = std::move(chosen.path);
    DefinitionsVersion = std::move(chosen.version);
    ProgramMutex.Create(kProgramMutexName, false);
    Settings.DefinitionsVersion = DefinitionsVersion;
}

TrayApp::~TrayApp() = default;

std::string TrayApp::Title() {
    return LoadText(kStrAppTitle);
}

DefinitionsPaths TrayApp::Definitions() const {
    return {ApplicationDirectory, DataDirectory};
}

DecipherOutcome TrayApp::WriteWorkingCopy() {
    std::atomic<int> percent{0};
    DecipherOutcome outcome;
    auto work = [&] {
        try {
            DecipherOptions options = WorkingCopyOptions();
            options.progress = [&percent](int p) { percent.store(p); };
            outcome = DecipherDefinitions(DefinitionsPath, Definitions().WorkingCopy(),
                                          DefinitionsVersion, options);
        } catch (const std::bad_alloc&) {
            // A shipped file too large to hold: no working copy, start-up ends with its message.
            outcome = OutOfMemoryOutcome();
        }
    };
    // Without widgets there is nothing to show progress in; a start hidden in the tray (at
    // log-on) shows none either.
    if (HasCommandLine || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        work();
        return outcome;
    }
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    std::unique_ptr<CSplash> splash;
    auto show = [&](int share) {
        if (!splash) {
            splash = std::make_unique<CSplash>();
            splash->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
            splash->resize(420, 240);
        }
        splash->ShowProgress(share);
        StartupProgressShown = share;
    };
    if (ProgressAfterMs <= 0)
        show(percent.load());
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!done.load() && (splash || clock.elapsed() >= ProgressAfterMs))
            show(percent.load());
    });
    poll.start();
    if (!done.load())
        loop.exec();
    worker.join();
    poll.stop();
    if (splash) {
        show(100);
        splash->EndProgress();
    }
    return outcome;
}

DecipherOptions TrayApp::WorkingCopyOptions() const {
    return Definitions().WorkingCopyOptions();
}

void TrayApp::ProvideWarningPage() const {
    if (!CopyWarningPage(ApplicationDirectory, DataDirectory))
        std::fprintf(stderr, "%s: cannot copy the warning page into %s\n", Title().c_str(),
                     DataDirectory.c_str());
}

void TrayApp::ProvideBlockedRequestPage() const {
    if (!WriteBlockedRequestPage(DataDirectory))
        std::fprintf(stderr, "%s: cannot write the blocked request page into %s\n", Title().c_str(),
                     DataDirectory.c_str());
}

std::string TrayApp::ProtectionProblem() const {
    return ProtectionProblemText(ChannelProblem, DefinitionsProblem);
}

void TrayApp::ShowStartupMessage(const std::string& text) {
    const std::string title = Title();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    if (QGuiApplication::instance() == nullptr)
        return;
    MessageBoxWindow box(QString::fromStdString(text), QString::fromStdString(title),
                         MB_OK | MB_ICONERROR);
    if (const int timeout = MessageTimeoutMs(); timeout >= 0)
        QTimer::singleShot(timeout, &box, [&box] { box.done(2); });
    box.Show();
}

bool TrayApp::InitInstance(const WindowRun& runWindow) {
    // Sockets and the control hosting need no start on this platform.

    // One instance at a time: the lock named with the title stays held until the process ends.
    const std::string title = Title();
    const LONG locked = instanceMutex_.Create(title.c_str(), true);
    if (locked == ERROR_ALREADY_EXISTS) {
        SecondInstance = 1;
        exitCode_ = 1;
        ShowStartupMessage(LoadText(kStrPreviousInstance));
        return false;
    }
    if (locked != ERROR_SUCCESS)
        std::fprintf(stderr, "%s: cannot take the single-instance lock: %s", title.c_str(),
                     FormatSystemMessage(static_cast<DWORD>(locked)).c_str());

    // The user's own data folder is never written through a link planted in its place (or into
    // another user's folder): the start ends with a message that says where and what to do.
    if (DataDirectory != ApplicationDirectory && !IsOwnFolder(DataDirectory)) {
        ShowStartupMessage(FormatAlertText(LoadText(kStrDataFolderRefused), DataDirectory));
        exitCode_ = 1;
        return false;
    }
    const DecipherOutcome outcome = WriteWorkingCopy();
    if (outcome.status != DecipherOutcome::Written)
        ShowStartupMessage(outcome.message);
    DefinitionsProblem = DefinitionsProblemOf(outcome, DefinitionsPath);
    if (outcome.EndsStartup()) {
        exitCode_ = 1;
        return false;
    }
    ProvideWarningPage();

    // The provider's installer runs on its own; start-up does not wait for it.
    const char* provider = BuiltInText(kStrProviderName);
    if (!CLSPGlobals::IsLSPInstalled(provider)) {
        const std::string installer = ApplicationDirectory + "/" + kProviderInstaller;
        const std::string parameters = std::string("-i -w -n ") + provider;
        ShellExecuteA(nullptr, "open", installer.c_str(), parameters.c_str(), nullptr, SW_HIDE);
    }

    exitCode_ = runWindow(*this);
    return false;
}

int TrayApp::ExitInstance() {
    // A refused second instance leaves the running instance's working copy alone.
    if (!SecondInstance) {
        DeleteFileA(Definitions().WorkingCopy().c_str());
        DeleteFileA(Definitions().WorkingCopyIndex().c_str());
    }
    return exitCode_;
}

int TrayApp::Run(const WindowRun& runWindow) {
    InitInstance(runWindow);
    return ExitInstance();
}

} // namespace hookwise::app
