// hkwshots: renders every window of the program with its real movie, offscreen, into PNG files.
//
// Usage: hkwshots [OUTPUT_FOLDER] [--movies SOURCE_FOLDER] [--language NAME]
// OUTPUT_FOLDER defaults to "docs/screenshots". Movies come from the movie folder beside the
// program (the build stages them there) or, with --movies, from their QML sources.
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/MovieFiles.h"
#include "app/settings/LanguagePack.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

// Lets the movies settle: queued calls, their size requests and their first frames.
void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool Save(QWidget* window, const QString& folder, const QString& name) {
    Settle(400);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool saved = window->grab().save(path);
    std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "cannot write",
                 qPrintable(path));
    return saved;
}

// Runs a window's start-up, shows it without a modal loop and saves its picture.
bool Shoot(CMovieDialog& window, const QString& folder, const QString& name,
           const std::function<void(CMovieDialog&)>& after = {}) {
    window.Prepare();
    window.show();
    Settle(100);
    if (after)
        after(window);
    const bool saved = Save(&window, folder, name);
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("HOOKWISE_REGISTRY"))
        qputenv("HOOKWISE_REGISTRY", (scratch.path() + QStringLiteral("/registry.db")).toUtf8());
    QApplication app(argc, argv);

    QString folder = QStringLiteral("docs/screenshots");
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--movies") && i + 1 < args.size())
            SetMovieSourceFolder(args[++i]);
        else if (args[i] == QLatin1String("--language") && i + 1 < args.size())
            SetCurrentLanguage(args[++i].toStdString());
        else
            folder = args[i];
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "hkwshots: cannot create %s\n", qPrintable(folder));
        return 1;
    }

    bool ok = true;
    {
        MessageBoxWindow box(QStringLiteral("The definitions file could not be read.\n"
                                            "Please reinstall Hookwise."),
                             QStringLiteral("Hookwise"), MB_ICONERROR);
        ok &= Shoot(box, folder, QStringLiteral("message-box-error"));
    }
    {
        MessageBoxWindow box(QStringLiteral("Are you sure you want to log out and lose all "
                                            "administrator privileges?"),
                             QStringLiteral("Hookwise"), MB_YESNOCANCEL);
        ok &= Shoot(box, folder, QStringLiteral("message-box-question"));
    }
    return ok ? 0 : 1;
}
