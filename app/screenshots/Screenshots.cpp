// hkwshots: renders every window of the program with its real movie, offscreen, into PNG files.
//
// Usage: hkwshots [OUTPUT_FOLDER] [--movies SOURCE_FOLDER] [--language NAME]
// OUTPUT_FOLDER defaults to "docs/screenshots". Movies come from the movie folder beside the
// program (the build stages them there) or, with --movies, from their QML sources.
#include "app/alerts/AlertDisplaySettingsWindow.h"
#include "app/alerts/AlertPopup.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/MovieFiles.h"
#include "app/desktop/Splash.h"
#include "app/lists/ProtectionOptionsWindow.h"
#include "app/logging/LogSettingsDialog.h"
#include "app/settings/AboutWindow.h"
#include "app/settings/PasswordDialog.h"
#include "core/settings/LanguagePack.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

using namespace hookwise::app;

using namespace hookwise::core;

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
    const auto mailAlert = [](AlertPopup& alert) {
        alert.AlertKind = AlertPopup::MailAlert;
        alert.Type = QStringLiteral("From");
        alert.StrictedData = QStringLiteral("billing@amaz0n-support.example");
        alert.From = QStringLiteral("Amazon Billing <billing@amaz0n-support.example>");
        alert.To = QStringLiteral("jane.doe@example.com");
        alert.Subject = QStringLiteral("Your account has been suspended");
        alert.Application = QStringLiteral("Web mail");
        alert.DateTime = QStringLiteral("12/03/2024 09:41:27");
        alert.Protocol = QStringLiteral("HTTP");
        alert.Attachment = QStringLiteral("invoice-3312.pdf.exe");
        alert.ToolTip = QStringLiteral(
            "The sender's address is on the list of known phishing sources. Mail from it tries to "
            "make you give away passwords or payment details.");
    };
    {
        AlertPopup alert;
        mailAlert(alert);
        ok &= Shoot(alert, folder, QStringLiteral("alert-mail"));
    }
    {
        AlertPopup alert;
        mailAlert(alert);
        ok &=
            Shoot(alert, folder, QStringLiteral("alert-mail-more-info"), [](CMovieDialog& window) {
                // The user presses "More info" and then "Why am I seeing this?".
                QMetaObject::invokeMethod(window.Movie()->MovieRoot(), "moreInfo");
                QMetaObject::invokeMethod(window.Movie()->MovieRoot(), "moreInfo");
            });
    }
    {
        // The same alert for a user whose language is German.
        const std::string language = CurrentLanguage();
        SetCurrentLanguage("German");
        AlertPopup alert;
        mailAlert(alert);
        ok &= Shoot(alert, folder, QStringLiteral("alert-mail-german"));
        SetCurrentLanguage(language);
    }
    {
        AlertPopup alert;
        alert.AlertKind = AlertPopup::WebAlert;
        alert.Type = QStringLiteral("URL");
        alert.StrictedData = QStringLiteral("secure-paypa1-login.example/verify");
        alert.ScamSite = QStringLiteral("secure-paypa1-login.example");
        alert.IPAddress = QStringLiteral("203.0.113.66");
        alert.Application = QStringLiteral("firefox");
        alert.DateTime = QStringLiteral("12/03/2024 09:44:02");
        alert.Protocol = QStringLiteral("HTTP");
        ok &= Shoot(alert, folder, QStringLiteral("alert-web"));
    }
    {
        AlertDisplaySettingsWindow window;
        window.DisplayMailAlerts = 1;
        window.DisplayWebAlerts = 1;
        ok &= Shoot(window, folder, QStringLiteral("alert-display-settings"));
    }
    {
        ProtectionOptionsWindow window;
        window.List = ProtectionOptionsWindow::MailList;
        window.Option = 2;
        ok &= Shoot(window, folder, QStringLiteral("protection-options-mail"));
    }
    {
        ProtectionOptionsWindow window;
        window.List = ProtectionOptionsWindow::SiteList;
        window.Option = 1;
        ok &= Shoot(window, folder, QStringLiteral("protection-options-sites"));
    }
    {
        LogSettingsDialog window;
        window.SelectedFile = QStringLiteral("/home/jane/.local/share/Hookwise/HookWsLOG.log");
        window.ArchiveOn = 1;
        window.DayInterval = 30;
        ok &= Shoot(window, folder, QStringLiteral("log-settings"));
    }
    {
        PasswordDialog window(PasswordDialog::ModeLogin, "808283");
        ok &= Shoot(window, folder, QStringLiteral("password-login"));
    }
    {
        PasswordDialog window(PasswordDialog::ModeSet, "");
        ok &= Shoot(window, folder, QStringLiteral("password-set"));
    }
    {
        PasswordDialog window(PasswordDialog::ModeSet, "808283");
        ok &= Shoot(window, folder, QStringLiteral("password-change"));
    }
    {
        // The versions the program's and the engine's files carry.
        AboutWindow window(QStringLiteral("3, 0, 0, 0"), QStringLiteral("3, 0, 0, 0"));
        ok &= Shoot(window, folder, QStringLiteral("about"));
    }
    {
        CSplash splash;
        splash.setWindowFlags(Qt::FramelessWindowHint);
        splash.resize(420, 240);
        splash.PlaySplash();
        Settle(1200);
        ok &= Save(&splash, folder, QStringLiteral("splash"));
    }
    return ok ? 0 : 1;
}
