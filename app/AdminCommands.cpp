// AdminCommands: the administration table, its handlers and the desktop they ask.
//
// Sections: the desktop; the table; start-up switches; password and login; backup, restore and
// reset; language, live update and support; the settings windows.
#include "app/AdminCommands.h"

#include "core/DetectionHandlers.h"
#include "core/FileNames.h"
#include "app/MainWindow.h"
#include "app/LiveUpdate.h"
#include "app/TrayApp.h"
#include "app/alerts/AlertDisplaySettingsWindow.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/MovieValues.h"
#include "app/lists/ProtectionOptionsWindow.h"
#include "app/logging/LogSettingsDialog.h"
#include "core/settings/LanguagePack.h"
#include "app/settings/PasswordDialog.h"
#include "core/ProductKey.h"
#include "core/settings/RegistryExporter.h"
#include "app/settings/RequireAdministrator.h"
#include "core/settings/RunAtStartup.h"
#include "core/settings/StringTable.h"
#include "platform/Registry.h"
#include "platform/ShellExecute.h"
#include "app/desktop/QtText.h"

#include <QFileDialog>
#include <QProcess>

namespace {

QString Text(std::uint32_t id) {
    return Q(LoadText(id));
}

// The confirmation questions of the main window: Yes, No and Cancel; Yes gives 1.
constexpr int kConfirmFlags = MB_YESNOCANCEL;

// The message box captions of Restore and Reset: the title followed by five and four blanks.
QString RestoreCaption() {
    return Q(TrayApp::Title()) + QStringLiteral("     ");
}

QString ResetCaption() {
    return Q(TrayApp::Title()) + QStringLiteral("    ");
}

CommandDesktop*& InstalledDesktop() {
    static CommandDesktop* desktop = nullptr;
    return desktop;
}

} // namespace

// ---- the desktop ----

QStringList FileDialogFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& patterns = parts[i + 1];
        if (description.isEmpty())
            break; // the "||" that ends the list
        QString patternList = patterns;
        patternList.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + patternList + QLatin1Char(')'));
    }
    return filters;
}

int CommandDesktop::Confirm(QWidget* parent, const QString& text, const QString& caption,
                            int flags) {
    return ShowMessageBox(text, caption, flags, parent);
}

QString CommandDesktop::ChooseFile(QWidget* parent, const FileChoice& choice,
                                   const std::function<bool()>& beforeShow) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(FileDialogFilters(choice.filter));
    if (choice.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!choice.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(choice.defaultSuffix);
    if (!choice.fileName.isEmpty())
        dialog.selectFile(choice.fileName);
    if (beforeShow && !beforeShow())
        return {};
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::intptr_t CommandDesktop::ShellOpen(const std::string& file, const std::string& parameters,
                                        const std::string& directory, int showCommand) {
    return ShellExecuteA(nullptr, "open", file.c_str(),
                         parameters.empty() ? nullptr : parameters.c_str(),
                         directory.empty() ? nullptr : directory.c_str(), showCommand);
}

CommandDesktop::ProgramRun CommandDesktop::RunProgram(const std::string& program,
                                                      const std::string& parameters,
                                                      const std::string& directory, int timeoutMs) {
    ProgramRun run;
    QStringList arguments;
    for (const std::string& argument : SplitParameters(parameters.c_str()))
        arguments << Q(argument);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!directory.empty())
        process.setWorkingDirectory(Q(directory));
    process.start(Q(program), arguments);
    if (!process.waitForStarted())
        return run;
    run.started = true;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.output = process.readAll().toStdString();
    if (run.finished && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    return run;
}

std::string RestoreFailureText(const CommandDesktop::ProgramRun& run, const std::string& path) {
    std::string reason;
    if (!run.started) {
        reason = "The registry tool could not be started.";
    } else if (!run.finished) {
        reason = "The registry tool did not finish in time.";
    } else {
        // The tool's message is "hkreg: PATH: reason (nothing was changed)"; the first line is
        // enough.
        reason = run.output.substr(0, run.output.find('\n'));
        const std::string tool = std::string(kRegistryTool) + ": ";
        if (reason.rfind(tool, 0) == 0)
            reason.erase(0, tool.size());
        if (reason.rfind(path + ": ", 0) == 0)
            reason.erase(0, path.size() + 2);
        if (reason.empty())
            reason = "The registry tool ended with code " + std::to_string(run.exitCode) + ".";
    }
    return FormatAlertText(LoadText(kStrRestoreFailed), reason);
}

void SetCommandDesktop(CommandDesktop* desktop) {
    InstalledDesktop() = desktop;
}

CommandDesktop& GetCommandDesktop() {
    static CommandDesktop standard;
    CommandDesktop* installed = InstalledDesktop();
    return installed ? *installed : standard;
}

// ---- the table ----

const CommandEntry<AdminCommands> AdminCommands::kTable[] = {
    {"IDC_FS_LoadWithWStartUp", &AdminCommands::LoadWithStartup},
    {"IDC_FS_LoadSplashScreen", &AdminCommands::LoadSplashScreen},
    {"IDC_FS_SetPassword", &AdminCommands::SetPassword},
    {"IDC_FS_BackupSettings", &AdminCommands::BackupSettings},
    {"IDC_FS_CHANGE_LANGUAGE", &AdminCommands::ChangeLanguage},
    {"IDC_FS_RestoreSettings", &AdminCommands::RestoreSettings},
    {"IDC_FS_Reset", &AdminCommands::Reset},
    {"IDC_FS_RunLiveUpdate", &AdminCommands::RunLiveUpdate},
    {"IDC_FS_Login", &AdminCommands::Login},
    {"IDC_FS_AdvancedMailSettings", &AdminCommands::AdvancedMailSettings},
    {"IDC_FS_AdvancedSiteBlockingSettings", &AdminCommands::AdvancedSiteSettings},
    {"IDC_FS_AlertEventsLevel", &AdminCommands::AlertEventsLevel},
    {"IDC_FS_AlertAndLogAdvancedSettings", &AdminCommands::LogSettings},
    {"IDC_FS_AlertAndLogCustomSettings", &AdminCommands::AlertDisplaySettings},
    {"IDC_FS_technicalSupport", &AdminCommands::TechnicalSupport},
};

bool AdminCommands::Dispatch(const QString& command, const QString& args) {
    return RunCommandTable(*this, kTable, command, args);
}

QStringList AdminCommands::CommandNames() {
    QStringList names;
    for (const auto& entry : kTable)
        names << QLatin1String(entry.name);
    return names;
}

void AdminCommands::SetMovieVariable(const char* name, const QString& value) {
    window_.Movie()->SetVariable(QLatin1String(name), value);
}

// ---- start-up switches ----

void AdminCommands::LoadWithStartup(const QString&) {
    GeneralSettings& settings = window_.App().Settings;
    if (!RequireAdministrator(&window_)) {
        // The movie's box may have moved on its own: it shows the unchanged value again.
        SetMovieVariable("_root.bLoadwithWindowsStartup",
                         MovieBool(settings.LoadwithWindowsStartup != 0));
        return;
    }
    settings.LoadwithWindowsStartup = settings.LoadwithWindowsStartup ? 0 : 1;
    SetMovieVariable("_root.bLoadwithWindowsStartup",
                     MovieBool(settings.LoadwithWindowsStartup != 0));
    SetRunAtStartup(TrayApp::Title(), RunAtStartupCommandLine(window_.App().ProgramPath),
                    settings.LoadwithWindowsStartup == 0);
}

void AdminCommands::LoadSplashScreen(const QString&) {
    GeneralSettings& settings = window_.App().Settings;
    if (RequireAdministrator(&window_))
        settings.LoadSplashScreen = settings.LoadSplashScreen ? 0 : 1;
    SetMovieVariable("_root.bLoadSplashScreen", MovieBool(settings.LoadSplashScreen != 0));
}

// ---- password and login ----

void AdminCommands::SetPassword(const QString&) {
    GeneralSettings& settings = window_.App().Settings;
    // Changing a stored password asks for the old one in the window itself: no gate.
    PasswordDialog dialog(PasswordDialog::ModeSet, settings.Password, &window_);
    if (dialog.Show() != 1)
        return;
    settings.Password = dialog.Password;
    settings.IsLogin = settings.Password.empty() ? 0 : 1;
    SetMovieVariable("_root.bIsLogin", MovieBool(settings.IsLogin != 0));
    SetMovieVariable("_root.bIsPasswordEntered", MovieBool(settings.IsLogin != 0));
}

void AdminCommands::Login(const QString&) {
    GeneralSettings& settings = window_.App().Settings;
    if (settings.IsLogin) {
        if (GetCommandDesktop().Confirm(&window_, Text(kStrLogoutAsk), Text(kStrLoginError),
                                        kConfirmFlags) != 1)
            return;
        settings.IsLogin = 0;
        SetMovieVariable("_root.bIsLogin", MovieBool(false));
        return;
    }
    PasswordDialog dialog(PasswordDialog::ModeLogin, settings.Password, &window_);
    if (dialog.Show() != 1)
        return;
    settings.IsLogin = 1;
    SetMovieVariable("_root.bIsLogin", MovieBool(true));
}

// ---- backup, restore and reset ----

void AdminCommands::BackupSettings(const QString&) {
    FileChoice choice;
    choice.save = true;
    choice.filter = QStringLiteral("Registry file(*.reg)|*.reg||");
    choice.fileName = QStringLiteral("NewRegFile");
    choice.defaultSuffix = QStringLiteral("reg");
    const QString path = GetCommandDesktop().ChooseFile(
        &window_, choice, [this] { return RequireAdministrator(&window_); });
    if (path.isEmpty())
        return;
    TrayApp& app = window_.App();
    // The registry is made current first, so the backup holds what the program holds now, but
    // logged out: a restored backup must not let the next start pass the password.
    SaveAllSettingsLoggedOut(app.Settings, app.Log, app.MailList, app.SiteList);
    {
        RegistryExporter exporter(
            path.toStdString(), [this](const std::string& caption, const std::string& text) {
                GetCommandDesktop().Confirm(&window_, Q(text), Q(caption), MB_OK | MB_ICONERROR);
            });
        exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName);
    }
    // The save dropped "App Path", by which the engine finds the definitions of the running
    // program; it goes back at once rather than at the next start.
    window_.WriteProgramValues();
}

std::string AdminCommands::ImportParameters(const std::string& path) {
    // The path is the last argument and its opening quote is left open: a quote inside the path
    // is written \" and no backslash of the path can join a closing quote into one.
    std::string parameters = "import \"";
    for (const char c : path) {
        if (c == '"')
            parameters += '\\';
        parameters += c;
    }
    return parameters;
}

void AdminCommands::RestoreSettings(const QString&) {
    if (!RequireAdministrator(&window_))
        return;
    CommandDesktop& desktop = GetCommandDesktop();
    if (desktop.Confirm(&window_, Text(kStrRestoreAsk), RestoreCaption(), kConfirmFlags) != 1)
        return;
    FileChoice choice;
    choice.filter = QStringLiteral("Registry File(*.reg)|*.reg||");
    const QString path = desktop.ChooseFile(&window_, choice, {});
    if (path.isEmpty())
        return;
    // The registry tool merges the file in its own process, all or nothing, and the program
    // waits for its verdict. Once it took, the program ends without saving so that nothing
    // overwrites what it restored; a refused or failed import changed nothing, so the program
    // says why and stays, with its settings.
    const std::string& folder = window_.App().ApplicationDirectory;
    const std::string file = path.toStdString();
    // No save of the running program may come between the import and the end.
    window_.HoldRunningSaves(true);
    const CommandDesktop::ProgramRun run = desktop.RunProgram(
        folder + "/" + kRegistryTool, ImportParameters(file), folder, kRegistryToolTimeoutMs);
    if (!run.started || !run.finished || run.exitCode != 0) {
        window_.HoldRunningSaves(false);
        desktop.Confirm(&window_, Q(RestoreFailureText(run, file)), Q(TrayApp::Title()),
                        MB_OK | MB_ICONERROR);
        return;
    }
    window_.EndProgram(false);
}

void AdminCommands::Reset(const QString&) {
    if (!RequireAdministrator(&window_))
        return;
    if (GetCommandDesktop().Confirm(&window_, Text(kStrResetAsk), ResetCaption(), kConfirmFlags) !=
        1)
        return;
    // A key that cannot be deleted stays, and so does the window.
    if (!ResetAllSettings())
        return;
    SetCurrentLanguage(kDefaultLanguage);
    window_.EndProgram(false);
}

// ---- language, live update and support ----

void AdminCommands::ChangeLanguage(const QString& args) {
    const QString language = args.trimmed();
    if (language.isEmpty() || IsUndefined(language))
        return;
    SetCurrentLanguage(language.toStdString());
    window_.App().ProvideBlockedRequestPage();
    window_.setWindowTitle(Q(TrayApp::Title()));
    // The tray menu is rebuilt each time it opens; some notification areas keep the menu they
    // were handed, so it is rebuilt now too, with the tooltip.
    window_.Tray().Retranslate(Q(TrayApp::Title()));
    window_.RefreshMainMovie();
}

std::string AdminCommands::LiveUpdatePath() const {
    return LiveUpdateProgramPath(window_.App().ApplicationDirectory);
}

void AdminCommands::RunLiveUpdate(const QString&) {
    // Runs beside the window: progress and outcome in the program's message box.
    window_.LiveUpdater().RunShown();
}

void AdminCommands::TechnicalSupport(const QString&) {
    GetCommandDesktop().ShellOpen(kSupportMailLink, {}, {}, SW_SHOWNORMAL);
}

// ---- the settings windows ----

int AdminCommands::ChoosePermission(int list, int permission) {
    ProtectionOptionsWindow options(&window_);
    options.List = list;
    options.Option = permission;
    if (!RequireAdministrator(&window_))
        return -1;
    if (options.Show() != 1)
        return -1;
    return options.Option;
}

void AdminCommands::AdvancedMailSettings(const QString&) {
    MailSafeList& list = window_.App().MailList;
    if (const int chosen = ChoosePermission(ProtectionOptionsWindow::MailList, list.Permission);
        chosen >= 0)
        list.Permission = chosen;
}

void AdminCommands::AdvancedSiteSettings(const QString&) {
    WebSiteBlockingList& list = window_.App().SiteList;
    if (const int chosen = ChoosePermission(ProtectionOptionsWindow::SiteList, list.Permission);
        chosen >= 0)
        list.Permission = chosen;
}

void AdminCommands::AlertEventsLevel(const QString& args) {
    const std::optional<int> level = DecimalArgument(args);
    // Only the three levels exist; another value would be stored and shown as a level none of
    // the choices names.
    if (level && *level >= 0 && *level <= 2 && RequireAdministrator(&window_))
        window_.App().Log.ApplyAlertEventsLevel(*level);
    window_.RefreshMainMovie();
}

void AdminCommands::LogSettings(const QString&) {
    AlertLogStore& log = window_.App().Log;
    LogSettingsDialog dialog(&window_);
    dialog.DayInterval = log.ArchiveLogPeriodicDays;
    dialog.ArchiveOn = log.ArchiveLogFile;
    dialog.SelectedFile = Q(log.LogFilePath);
    if (!RequireAdministrator(&window_))
        return;
    if (dialog.Show() != 1)
        return;
    log.ArchiveLogFile = dialog.ArchiveOn;
    log.ArchiveLogPeriodicDays = dialog.DayInterval;
    log.LogFilePath = dialog.SelectedFile.toStdString();
}

void AdminCommands::AlertDisplaySettings(const QString&) {
    AlertLogStore& log = window_.App().Log;
    AlertDisplaySettingsWindow window(&window_);
    window.DisplayMailAlerts = log.ShowMailAlert() ? 1 : 0;
    window.DisplayWebAlerts = log.ShowWebAlert() ? 1 : 0;
    if (!RequireAdministrator(&window_))
        return;
    if (window.Show() != 1)
        return;
    log.MailOnly = window.DisplayMailAlerts;
    if (log.EventAlerts.size() > kWebAlertIndex) {
        log.EventAlerts[kMailAlertIndex].ShowAlert = window.DisplayMailAlerts;
        log.EventAlerts[kWebAlertIndex].ShowAlert = window.DisplayWebAlerts;
    }
    window_.RefreshMainMovie();
}
