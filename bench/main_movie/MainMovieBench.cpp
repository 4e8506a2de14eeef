// bench_main_movie: how long the list feeders take to fill the main movie from the registry, and
// the main window's screenshots.
//
// Fill measurement (the default): the registry gets ROWS entries in each of the three lists, the
// main window starts offscreen with the real main movie on its alert log page, and the program
// measures the seconds from the feeders' start until the movie has answered the last row of all
// three lists. Each run measures the window shown (every change drawn, offscreen), hidden (the
// movie's own work), and hidden with a movie that only takes the rows into its lists (no views),
// the baseline; the ratios are the cost of the main movie and of drawing it.
//
// Usage: bench_main_movie [--rows N] [--runs N]
//        bench_main_movie --screenshots DIR [--language NAME]
// The screenshots (main-<page>.png) show sample lists, a row's details and every page.
#include "app/MainWindow.h"
#include "app/TrayApp.h"
#include "app/desktop/Splash.h"
#include "core/FileNames.h"
#include "core/ProductKey.h"
#include "core/lists/ListFeeder.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PasswordRules.h"
#include "core/settings/VersionInfo.h"
#include "MainMovieSamples.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

using namespace hookwise::app;

using namespace hookwise::core;

namespace fs = std::filesystem;

namespace {

// A movie that takes the rows as the main movie does, and shows nothing.
constexpr const char* kBaselineMovie = R"QML(
import QtQuick
Item {
    id: movie
    signal fsCommand(string command, string args)
    property var staged: ({})
    property string strScamMailOperation: ""
    property string strScamSiteOperation: ""
    property string strViewLogOperation: ""
    ListModel { id: mailModel; objectName: "mailModel" }
    ListModel { id: siteModel; objectName: "siteModel" }
    ListModel { id: logModel; objectName: "logModel" }
    function key(name) { var k = String(name); return k.indexOf("_root.") === 0 ? k.substring(6) : k }
    function setVariable(name, value) {
        var k = key(name)
        if (k in movie && typeof movie[k] === "string") movie[k] = String(value)
        else staged[k] = String(value)
    }
    function getVariable(name) { var k = key(name); return k in staged ? staged[k] : "" }
    function gotoLabel(target, label) {}
    function answer(list) { fsCommand("IDC_FS_" + list + "_NoOperation", "undefined") }
    onStrScamMailOperationChanged: if (strScamMailOperation === "Add") {
        strScamMailOperation = ""
        mailModel.append({ type: staged["ScamMailStructItem.Type"], stricted: staged["ScamMailStructItem.Stricted"],
                           action: staged["ScamMailStructItem.Action"] })
        answer("MailScamList")
    }
    onStrScamSiteOperationChanged: if (strScamSiteOperation === "Add") {
        strScamSiteOperation = ""
        siteModel.append({ type: staged["ScamSiteStructItem.Type"], stricted: staged["ScamSiteStructItem.StrictedData"],
                           action: staged["ScamSiteStructItem.Action"] })
        answer("SiteScamList")
    }
    onStrViewLogOperationChanged: if (strViewLogOperation === "Add") {
        strViewLogOperation = ""
        logModel.append({ hits: staged["LogViewerStructItem.Count"], stricted: staged["LogViewerStructItem.RestrictedData"],
                          action: staged["LogViewerStructItem.ActionTaken"], host: staged["LogViewerStructItem.HostIP"],
                          program: staged["LogViewerStructItem.Program"], protocol: staged["LogViewerStructItem.Protocol"],
                          type: staged["LogViewerStructItem.Type"], time: staged["LogViewerStructItem.DateTime"],
                          rating: staged["LogViewerStructItem.Rating"] })
        answer("AlertLogList")
    }
}
)QML";

void Pump(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int ModelRows(MainWindow& window, const char* name) {
    QQuickItem* root = window.Movie()->MovieRoot();
    auto* model = root ? root->findChild<QAbstractItemModel*>(QString::fromLatin1(name)) : nullptr;
    return model ? model->rowCount() : -1;
}

bool FeedersFinished(MainWindow& window) {
    auto done = [](ListFeeder& f) { return f.GetState() == ListFeeder::State::Finished; };
    return done(window.LogFeeder()) && done(window.MailFeeder()) && done(window.SiteFeeder());
}

// The program folder of the run: the staged movies and the language packs.
std::string MakeProgramFolder(const std::string& root) {
    const std::string program = root + "/program";
    fs::create_directories(program);
    fs::copy(HOOKWISE_STAGED_MOVIES, program, fs::copy_options::recursive);
    SetProgramFolder(program);
    const std::string languages = GetLanguageFolder();
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(HOOKWISE_LANGUAGE_PACKS, ignored))
        if (entry.path().extension() == ".pbl")
            fs::copy_file(entry.path(), languages + "/" + entry.path().filename().string(),
                          fs::copy_options::overwrite_existing, ignored);
    return program;
}

void WaitForSplash(MainWindow& window) {
    PumpUntil([&] { return window.findChildren<CSplash*>().isEmpty(); }, 15000);
}

struct FeedTime {
    double createSeconds = 0;
    double feedSeconds = 0;
    bool complete = false;
};

// shown: the window is on the screen (offscreen here), so every change is drawn; otherwise it is
// hidden and the time is the movie's own.
FeedTime MeasureFeed(const std::string& program, int rows, bool shown) {
    TrayApp app(program + "/HookWs", false);
    MainWindow window(app);
    QElapsedTimer timer;
    timer.start();
    window.Create();
    if (QQuickItem* root = window.Movie()->MovieRoot())
        root->setProperty("page", QStringLiteral("log"));
    if (!shown)
        window.hide();
    Pump(50);
    FeedTime time;
    time.createSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    window.StartFeeders();
    time.complete = PumpUntil(
        [&] {
            return FeedersFinished(window) && ModelRows(window, "logModel") == rows &&
                   ModelRows(window, "mailModel") == rows && ModelRows(window, "siteModel") == rows;
        },
        600000);
    time.feedSeconds = timer.nsecsElapsed() / 1e9;
    if (!time.complete)
        std::fprintf(stderr, "rows in the movie: log %d, mail %d, sites %d\n",
                     ModelRows(window, "logModel"), ModelRows(window, "mailModel"),
                     ModelRows(window, "siteModel"));
    window.EndProgram(false);
    window.Run();
    return time;
}

int RunFill(const std::string& root, int rows, int runs) {
    const std::string program = MakeProgramFolder(root);
    {
        GeneralSettings settings;
        AlertLogStore log;
        MailSafeList mail;
        WebSiteBlockingList web;
        settings.LoadSplashScreen = 0;
        settings.LoadwithWindowsStartup = 0;
        FillGeneratedLists(rows, log, mail, web);
        if (!SaveAllSettings(settings, log, mail, web)) {
            std::fprintf(stderr, "cannot write the registry\n");
            return 1;
        }
    }
    std::printf("main movie fill: %d entries in each of the three lists\n", rows);

    const std::string moviePath = GetMoviePath("HkMain", ".pbf");
    const std::string realMovie = root + "/HkMain.qml";
    fs::copy_file(moviePath, realMovie);

    std::vector<double> shown, hidden, baseline;
    for (int run = 0; run < runs; ++run) {
        fs::copy_file(realMovie, moviePath, fs::copy_options::overwrite_existing);
        const FeedTime drawn = MeasureFeed(program, rows, true);
        const FeedTime undrawn = MeasureFeed(program, rows, false);
        {
            std::FILE* file = std::fopen(moviePath.c_str(), "w");
            std::fputs(kBaselineMovie, file);
            std::fclose(file);
        }
        const FeedTime bare = MeasureFeed(program, rows, false);
        if (!drawn.complete || !undrawn.complete || !bare.complete) {
            std::fprintf(stderr, "the feed did not complete\n");
            return 1;
        }
        std::printf("run %d: main movie shown %.2f s, hidden %.2f s (window start %.2f s); "
                    "rows-only movie %.2f s\n",
                    run + 1, drawn.feedSeconds, undrawn.feedSeconds, drawn.createSeconds,
                    bare.feedSeconds);
        shown.push_back(drawn.feedSeconds);
        hidden.push_back(undrawn.feedSeconds);
        baseline.push_back(bare.feedSeconds);
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double base = median(baseline);
    std::printf("median: last row shown after %.2f s (%.1f x the rows-only movie); hidden "
                "%.2f s (%.1f x); rows-only movie %.2f s\n",
                median(shown), median(shown) / base, median(hidden), median(hidden) / base, base);
    return 0;
}

bool Save(MainWindow& window, const QString& folder, const QString& name,
          const std::string& language) {
    Pump(300);
    const QString suffix = language.empty()
                               ? QString()
                               : QLatin1Char('-') + QString::fromStdString(language).toLower();
    const QString path = folder + QStringLiteral("/main-") + name + suffix + QStringLiteral(".png");
    const bool saved = window.grab().save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "cannot write",
                 qPrintable(path));
    return saved;
}

int RunScreenshots(const std::string& root, const QString& folder, const std::string& language) {
    const std::string program = MakeProgramFolder(root);
    // The language is stored with the settings; the window's start loads it from there.
    if (!language.empty())
        SetCurrentLanguage(language);
    {
        GeneralSettings settings;
        AlertLogStore log;
        MailSafeList mail;
        WebSiteBlockingList web;
        settings.Password = EncodePassword("correct horse");
        settings.IsLogin = 1;
        FillSampleLists(settings, log, mail, web);
        log.ApplyAlertEventsLevel(0);
        SaveAllSettings(settings, log, mail, web);
    }
    TrayApp app(program + "/HookWs", false);
    // The versions the installed program shows: its own block and the engine's, and the
    // shipped definitions' date.
    VersionInfo version;
    if (version.Load(HOOKWS_PATH))
        app.Settings.ProgramVersion = version.Query("FileVersion");
    if (version.Load(BAITLIB_PATH))
        app.Settings.EngineVersion = version.Query("FileVersion");
    app.Settings.DefinitionsVersion = HOOKWISE_DEFINITIONS_VERSION;
    MainWindow window(app);
    window.Create();
    WaitForSplash(window);
    window.StartFeeders();
    PumpUntil([&] { return FeedersFinished(window); }, 20000);
    QQuickItem* movie = window.Movie()->MovieRoot();
    if (!movie)
        return 1;
    auto select = [&](const char* list, int row) {
        if (QObject* view = movie->findChild<QObject*>(QString::fromLatin1(list)))
            view->setProperty("currentIndex", row);
    };
    bool ok = true;
    auto shoot = [&](const char* page, const char* list, int row) {
        movie->setProperty("page", QString::fromLatin1(page));
        if (list)
            select(list, row);
        ok = Save(window, folder, QString::fromLatin1(page), language) && ok;
    };
    shoot("overview", nullptr, 0);
    shoot("mail", "mailRows", 2);
    shoot("sites", "siteRows", 0);
    shoot("log", "logRows", -1);
    shoot("settings", nullptr, 0);
    shoot("admin", nullptr, 0);
    window.EndProgram(false);
    window.Run();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    const std::string root = scratch.path().toStdString();
    fs::create_directories(root + "/run");
    fs::permissions(root + "/run", fs::perms::owner_all);
    setenv("HOOKWISE_REGISTRY", (root + "/registry.db").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    int rows = 10000;
    int runs = 3;
    QString screenshots;
    std::string language;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows") && i + 1 < args.size())
            rows = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--screenshots") && i + 1 < args.size())
            screenshots = args[++i];
        else if (args[i] == QLatin1String("--language") && i + 1 < args.size())
            language = args[++i].toStdString();
        else {
            std::fprintf(stderr, "usage: bench_main_movie [--rows N] [--runs N]\n"
                                 "       bench_main_movie --screenshots DIR [--language NAME]\n");
            return 2;
        }
    }
    if (!screenshots.isEmpty())
        return RunScreenshots(root, screenshots, language);
    return RunFill(root, rows, runs);
}
