// AdminCommands: the administration table, its handlers and the desktop they ask.
//
// Sections: the desktop; the table; start-up switches; password and login; backup, restore and
// reset; language, live update and support; the settings windows.
#include "app/AdminCommands.h"

#include "app/alerts/AlertDisplaySettingsWindow.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/QtText.h"
#include "app/lists/ProtectionOptionsWindow.h"
#include "app/logging/LogSettingsDialog.h"
#include "app/settings/PasswordDialog.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"
#include "platform/ShellExecute.h"

#include <QFileDialog>
#include <QProcess>

namespace hookwise::app {

using namespace hookwise::core;

namespace {

QString Text(std::uint32_t id) {
    return Q(LoadText(id));
}

// The confirmation questions of the main window: Yes, No and Cancel; Yes gives 1.
constexpr int kConfirmFlags = MB_YESNOCANCEL;

QString Title() {
    return Text(kStrAppTitle);
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

// ---- start-up switches ----

void AdminCommands::LoadWithStartup(const QString&) {
    settings_.ToggleLoadWithStartup();
}

void AdminCommands::LoadSplashScreen(const QString&) {
    settings_.ToggleSplashScreen();
}

// ---- password and login ----

void AdminCommands::SetPassword(const QString&) {
    // Changing a stored password asks for the old one in the window itself: no gate.
    PasswordDialog dialog(PasswordDialog::ModeSet, settings_.StoredPassword(), window_.Widget());
    if (dialog.Show() != 1)
        return;
    settings_.PasswordChosen(dialog.Password);
}

void AdminCommands::Login(const QString&) {
    if (settings_.LoggedIn()) {
        if (GetCommandDesktop().Confirm(window_.Widget(), Text(kStrLogoutAsk), Text(kStrLoginError),
                                        kConfirmFlags) != 1)
            return;
        settings_.LogOut();
        return;
    }
    PasswordDialog dialog(PasswordDialog::ModeLogin, settings_.StoredPassword(), window_.Widget());
    if (dialog.Show() != 1)
        return;
    settings_.LogIn();
}

// ---- backup, restore and reset ----

void AdminCommands::BackupSettings(const QString&) {
    FileChoice choice;
    choice.save = true;
    choice.filter = QStringLiteral("Registry file(*.reg)|*.reg||");
    choice.fileName = QStringLiteral("NewRegFile");
    choice.defaultSuffix = QStringLiteral("reg");
    const QString path = GetCommandDesktop().ChooseFile(
        window_.Widget(), choice, [this] { return window_.AdministratorAllows(); });
    if (path.isEmpty())
        return;
    settings_.BackUp(path.toStdString(), [this](const std::string& caption,
                                                const std::string& text) {
        GetCommandDesktop().Confirm(window_.Widget(), Q(text), Q(caption), MB_OK | MB_ICONERROR);
    });
    // The save dropped "App Path", by which the engine finds the definitions of the running
    // program; it goes back at once rather than at the next start.
    window_.WriteProgramValues();
}

void AdminCommands::RestoreSettings(const QString&) {
    if (!window_.AdministratorAllows())
        return;
    CommandDesktop& desktop = GetCommandDesktop();
    if (desktop.Confirm(window_.Widget(), Text(kStrRestoreAsk), Q(RestoreCaption()),
                        kConfirmFlags) != 1)
        return;
    FileChoice choice;
    choice.filter = QStringLiteral("Registry File(*.reg)|*.reg||");
    const QString path = desktop.ChooseFile(window_.Widget(), choice, {});
    if (path.isEmpty())
        return;
    // The registry tool merges the file in its own process, all or nothing, and the program
    // waits for its verdict. Once it took, the program ends without saving so that nothing
    // overwrites what it restored; a refused or failed import changed nothing, so the program
    // says why and stays, with its settings.
    const std::string file = path.toStdString();
    // No save of the running program may come between the import and the end.
    window_.HoldRunningSaves(true);
    const ProgramRun run =
        desktop.RunProgram(settings_.RegistryToolPath(), ImportParameters(file),
                           settings_.ApplicationDirectory(), kRegistryToolTimeoutMs);
    if (!SettingsCommands::RestoreTook(run)) {
        window_.HoldRunningSaves(false);
        desktop.Confirm(window_.Widget(), Q(RestoreFailureText(run, file)), Title(),
                        MB_OK | MB_ICONERROR);
        return;
    }
    window_.EndProgram(false);
}

void AdminCommands::Reset(const QString&) {
    if (!window_.AdministratorAllows())
        return;
    if (GetCommandDesktop().Confirm(window_.Widget(), Text(kStrResetAsk), Q(ResetCaption()),
                                    kConfirmFlags) != 1)
        return;
    // A key that cannot be deleted stays, and so does the window.
    if (!SettingsCommands::ResetAll())
        return;
    window_.EndProgram(false);
}

// ---- language, live update and support ----

void AdminCommands::ChangeLanguage(const QString& args) {
    if (SettingsCommands::ChangeLanguage(ArgumentText(args)))
        window_.LanguageChanged();
}

void AdminCommands::RunLiveUpdate(const QString&) {
    // Runs beside the window: progress and outcome in the program's message box.
    window_.RunLiveUpdate();
}

void AdminCommands::TechnicalSupport(const QString&) {
    GetCommandDesktop().ShellOpen(kSupportMailLink, {}, {}, SW_SHOWNORMAL);
}

// ---- the settings windows ----

int AdminCommands::ChoosePermission(int list, int permission) {
    ProtectionOptionsWindow options(window_.Widget());
    options.List = list;
    options.Option = permission;
    if (!window_.AdministratorAllows())
        return -1;
    if (options.Show() != 1)
        return -1;
    return options.Option;
}

void AdminCommands::AdvancedMailSettings(const QString&) {
    if (const int chosen =
            ChoosePermission(ProtectionOptionsWindow::MailList, settings_.MailPermission());
        chosen >= 0)
        settings_.SetMailPermission(chosen);
}

void AdminCommands::AdvancedSiteSettings(const QString&) {
    if (const int chosen =
            ChoosePermission(ProtectionOptionsWindow::SiteList, settings_.SitePermission());
        chosen >= 0)
        settings_.SetSitePermission(chosen);
}

void AdminCommands::AlertEventsLevel(const QString& args) {
    settings_.SetAlertEventsLevel(ArgumentText(args));
}

void AdminCommands::LogSettings(const QString&) {
    const SettingsCommands::LogChoice current = settings_.CurrentLogSettings();
    LogSettingsDialog dialog(window_.Widget());
    dialog.DayInterval = current.dayInterval;
    dialog.ArchiveOn = current.archiveOn;
    dialog.SelectedFile = Q(current.logFile);
    if (!window_.AdministratorAllows())
        return;
    if (dialog.Show() != 1)
        return;
    settings_.ApplyLogSettings(
        {dialog.ArchiveOn, dialog.DayInterval, dialog.SelectedFile.toStdString()});
}

void AdminCommands::AlertDisplaySettings(const QString&) {
    AlertDisplaySettingsWindow window(window_.Widget());
    window.DisplayMailAlerts = settings_.ShowsMailAlerts() ? 1 : 0;
    window.DisplayWebAlerts = settings_.ShowsWebAlerts() ? 1 : 0;
    if (!window_.AdministratorAllows())
        return;
    if (window.Show() != 1)
        return;
    settings_.ApplyAlertDisplay(window.DisplayMailAlerts, window.DisplayWebAlerts);
}

} // namespace hookwise::app
