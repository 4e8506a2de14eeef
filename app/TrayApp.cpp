// TrayApp: construction, the start-up routine with its failure messages, the working copy of the
// definitions, the provider check and the exit routine.
//
// Sections: the definitions version; the working copy; the application object.
#include "app/TrayApp.h"

#include "core/BlockedRequestPage.h"
#include "core/BlowfishCipher.h"
#include "core/DetectionHandlers.h"
#include "core/FileNames.h"
#include "app/MainWindow.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/Splash.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PackFormat.h"
#include "core/settings/StringTable.h"
#include "engine/DefinitionIndexFormat.h"
#include "engine/LSPGlobals.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "engine/index/IndexReuse.h"
#include "app/DefinitionsFiles.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/RegularFile.h"
#include "platform/ShellExecute.h"
#include "platform/WholeFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include <unistd.h>

// ---- the definitions version ----

std::string DefinitionsVersionOf(const std::string& firstBytes) {
    const std::string head = firstBytes.substr(0, 256);
    const std::size_t end = head.find("\r\n");
    if (end == std::string::npos)
        return {};
    std::string version = head.substr(0, end);
    // The line is read as a C string: a NUL ends it.
    if (const std::size_t nul = version.find('\0'); nul != std::string::npos)
        version.resize(nul);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t'))
        version.pop_back();
    if (version.find('/') != 2 || version.find('/', 3) != 5)
        return {};
    return version;
}

// The shipped definitions are opened only as a regular file, and without waiting on the open: a
// FIFO (or a device) at their path must not hang the start.
static std::FILE* OpenShippedDefinitions(const std::string& shippedPath) {
    const int fd = OpenRegularFile(shippedPath, FollowLink::Yes);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr)
        close(fd);
    return file;
}

std::string ReadDefinitionsVersion(const std::string& shippedPath) {
    std::FILE* file = OpenShippedDefinitions(shippedPath);
    if (file == nullptr)
        return {};
    char buffer[256];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return DefinitionsVersionOf(std::string(buffer, n));
}

// ---- the working copy ----

namespace {

// The system's text for an error, at most 255 characters, without its closing line break.
std::string SystemErrorText(DWORD code) {
    std::string text = SystemMessageText(code);
    if (text.size() > 255)
        text.resize(255);
    return text;
}

DecipherOutcome Outcome(DecipherOutcome::Status status, std::string message) {
    DecipherOutcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

DecipherOutcome FileErrorOutcome(DWORD code) {
    return Outcome(DecipherOutcome::FileError, kMsgEncryptError + SystemErrorText(code));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version, const std::string& indexPath,
                                    const std::function<void(int)>& progress) {
    DecipherOptions options;
    options.indexPath = indexPath;
    options.progress = progress;
    return DecipherDefinitions(shippedPath, workingPath, version, options);
}

namespace {

// Writes the index of the working copy under its temporary name: copied from the cache when that
// holds the index of the same bytes, else compiled (and kept as the cache). False when there is
// none; the reason is on standard error.
bool WriteIndex(std::string_view copy, const std::string& temporaryCopy,
                const DecipherOptions& options, bool& reused,
                const std::function<void(int)>& step) {
    if (!options.indexCachePath.empty()) {
        const IndexReuse reuse =
            ReuseDefinitionIndex(options.indexCachePath, copy, temporaryCopy, options.indexPath,
                                 CurrentWellKnownChecksum());
        if (reuse == IndexReuse::Reused) {
            reused = true;
            return true;
        }
    }
    std::string error;
    if (!WriteDefinitionIndex(copy, temporaryCopy, options.indexPath, error,
                              [&step](int percent) { step(20 + percent * 80 / 100); })) {
        std::fprintf(stderr, "%s: no definition index (%s); lookups read the definitions\n",
                     TrayApp::Title().c_str(), error.c_str());
        DeleteFileA(options.indexPath.c_str()); // an index of an older copy is of no use either
        return false;
    }
    if (!options.indexCachePath.empty() &&
        !KeepIndexAsCache(options.indexPath, options.indexCachePath))
        std::fprintf(stderr, "%s: cannot keep the definition index in %s for the next start\n",
                     TrayApp::Title().c_str(), options.indexCachePath.c_str());
    return true;
}

} // namespace

DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version, const DecipherOptions& options) {
    auto step = [&options](int percent) {
        if (options.progress)
            options.progress(percent);
    };
    std::unique_ptr<std::FILE, FileCloser> shipped(OpenShippedDefinitions(shippedPath));
    // A FIFO, socket or device there is not definitions: Err 1002, as for a file without a
    // version. A folder is what it always was, a file that cannot be read.
    if (!shipped && errno == EINVAL)
        return Outcome(DecipherOutcome::NoVersion, kMsgInitError1002);
    if (!shipped && errno == EISDIR)
        return FileErrorOutcome(Win32ErrorFromErrno(EISDIR));
    if (!shipped)
        return Outcome(DecipherOutcome::OpenFailed, kMsgInitError1001);
    if (version.empty())
        return Outcome(DecipherOutcome::NoVersion, kMsgInitError1002);

    std::string input;
    if (const int error = ReadWholeDescriptor(fileno(shipped.get()), input); error != 0)
        return FileErrorOutcome(Win32ErrorFromErrno(error));

    step(5);
    std::vector<unsigned char> output(input.size());
    try {
        const BlowfishCipher cipher(reinterpret_cast<const unsigned char*>(kDefinitionFileKey),
                                    kDefinitionFileKeyLength);
        cipher.Decipher(reinterpret_cast<const unsigned char*>(input.data()), output.data(),
                        input.size(), BlowfishCipher::ECB);
    } catch (const BlowfishError& refusal) {
        return Outcome(DecipherOutcome::CipherRefused,
                       std::string(kMsgInitError1003) + " " + refusal.what() + ".");
    }
    const std::string_view copy(reinterpret_cast<const char*>(output.data()), output.size());
    // A valid header in front of a damaged body deciphers into noise: the engine then finds no
    // definitions at all, which the user must be told.
    const bool damaged = !IsDefinitionsText(copy);
    if (options.requireDefinitionsText && damaged)
        return Outcome(DecipherOutcome::NotDefinitions,
                       shippedPath + " does not decipher into definitions");

    AtomicFileWriter working;
    if (working.Create(workingPath, 0600) != ERROR_SUCCESS)
        return Outcome(DecipherOutcome::CreateFailed, kMsgInitError1002);
    // Deciphering does not keep the plain header line; its line end is put back so the working
    // copy's first line always ends at byte 16. A file shorter than that has no such line.
    if (output.size() >= 16) {
        output[14] = '\r';
        output[15] = '\n';
    }
    step(15);
    if (const LONG error = working.Write(output.data(), output.size()); error != ERROR_SUCCESS)
        return FileErrorOutcome(static_cast<DWORD>(error));
    step(20);
    // The index names the copy's identity, which the rename keeps.
    bool indexed = false;
    bool reused = false;
    if (!options.indexPath.empty())
        indexed = WriteIndex(copy, working.TemporaryPath(), options, reused, step);
    // A copy that cannot be put in place (a folder or a protected file in the way) leaves the
    // engine without definitions: start-up ends as for a copy that cannot be created.
    if (working.Commit() != ERROR_SUCCESS) {
        if (indexed)
            DeleteFileA(options.indexPath.c_str());
        return Outcome(DecipherOutcome::CreateFailed, kMsgInitError1002);
    }
    step(100);
    DecipherOutcome outcome;
    outcome.indexReused = reused;
    outcome.damaged = damaged;
    return outcome;
}

// ---- the application object ----

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
      UserDefinitionsSeen(StampOrZero(UserDefinitionsPath())),
      DefinitionsPath(ChooseDefinitions(ShippedPath(), UserDefinitionsPath()).path),
      DefinitionsVersion(ReadDefinitionsVersion(DefinitionsPath)),
      TrayMenuSection(kTrayMenuSection), MessageSection(kMsgSection),
      LogFilePath(DataDirectory + "/HookWsLOG.log"), HasCommandLine(hasCommandLine) {
    ProgramMutex.Create(kProgramMutexName, false);
    Settings.DefinitionsVersion = DefinitionsVersion;
}

TrayApp::~TrayApp() = default;

std::string TrayApp::Title() {
    return LoadText(kStrAppTitle);
}

std::string TrayApp::WorkingCopyPath() const {
    return DataDirectory + "/" + kWorkingDefinitionsFile;
}

std::string TrayApp::IndexPath() const {
    return definition_index::IndexPathFor(WorkingCopyPath());
}

DecipherOutcome TrayApp::WriteWorkingCopy() {
    std::atomic<int> percent{0};
    DecipherOutcome outcome;
    auto work = [&] {
        try {
            DecipherOptions options = WorkingCopyOptions();
            options.progress = [&percent](int p) { percent.store(p); };
            outcome = DecipherDefinitions(DefinitionsPath, WorkingCopyPath(), DefinitionsVersion,
                                          options);
        } catch (const std::bad_alloc&) {
            // A shipped file too large to hold: no working copy, start-up ends with its message.
            outcome = DecipherOutcome{};
            outcome.status = DecipherOutcome::CreateFailed;
            outcome.message = kMsgInitError1002;
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

std::string TrayApp::ShippedPath() const {
    return ApplicationDirectory + "/" + kShippedDefinitionsFile;
}

std::string TrayApp::UserDefinitionsPath() const {
    return DataDirectory + "/" + kShippedDefinitionsFile;
}

std::string TrayApp::IndexCachePath() const {
    return definition_index::IndexPathFor(UserDefinitionsPath());
}

DecipherOptions TrayApp::WorkingCopyOptions() const {
    DecipherOptions options;
    options.indexPath = IndexPath();
    options.indexCachePath = IndexCachePath();
    return options;
}

void TrayApp::ProvideWarningPage() const {
    if (DataDirectory == ApplicationDirectory)
        return;
    std::FILE* in = std::fopen((ApplicationDirectory + "/" + kWarningPageFile).c_str(), "rb");
    if (in == nullptr)
        return;
    std::string page;
    const int readError = ReadWholeDescriptor(fileno(in), page);
    std::fclose(in);
    AtomicFileWriter out;
    if (readError != 0 ||
        out.Create(DataDirectory + "/" + kWarningPageFile, 0644) != ERROR_SUCCESS ||
        out.Write(page.data(), page.size()) != ERROR_SUCCESS || out.Commit() != ERROR_SUCCESS)
        std::fprintf(stderr, "%s: cannot copy the warning page into %s\n", Title().c_str(),
                     DataDirectory.c_str());
}

void TrayApp::ProvideBlockedRequestPage() const {
    if (!WriteBlockedRequestPage(DataDirectory))
        std::fprintf(stderr, "%s: cannot write the blocked request page into %s\n", Title().c_str(),
                     DataDirectory.c_str());
}

std::string TrayApp::ProtectionProblem() const {
    if (ChannelProblem.empty() || DefinitionsProblem.empty())
        return ChannelProblem + DefinitionsProblem;
    return ChannelProblem + "\n\n" + DefinitionsProblem;
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

bool TrayApp::InitInstance() {
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

    const DecipherOutcome outcome = WriteWorkingCopy();
    if (outcome.status != DecipherOutcome::Written)
        ShowStartupMessage(outcome.message);
    if (outcome.damaged)
        DefinitionsProblem = FormatAlertText(LoadText(kStrDefinitionsDamaged), DefinitionsPath);
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

    MainWindow window(*this);
    window.Create();
    exitCode_ = window.Run();
    return false;
}

int TrayApp::ExitInstance() {
    // A refused second instance leaves the running instance's working copy alone.
    if (!SecondInstance) {
        DeleteFileA(WorkingCopyPath().c_str());
        DeleteFileA(IndexPath().c_str());
    }
    return exitCode_;
}

int TrayApp::Run() {
    InitInstance();
    return ExitInstance();
}
