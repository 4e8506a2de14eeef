// SettingsCommands: start-up switches, password and login, backup, restore and reset, language,
// alert level and the settings windows' answers.
#include "core/commands/SettingsCommands.h"

#include "core/DetectionHandlers.h"
#include "core/ProductKey.h"
#include "core/commands/CommandArguments.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/RegistryExporter.h"
#include "core/settings/RunAtStartup.h"
#include "core/settings/StringTable.h"
#include "platform/Registry.h"
#include "platform/TextTrim.h"

#include <optional>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {

std::string Title() {
    return LoadText(kStrAppTitle);
}

} // namespace

// ---- start-up switches ----

void SettingsCommands::ToggleLoadWithStartup() {
    GeneralSettings& settings = state_.settings;
    if (!view_.AdministratorAllows()) {
        // The movie's box may have moved on its own: it shows the unchanged value again.
        view_.SetMovieVariables({{"_root.bLoadwithWindowsStartup",
                                  MovieBoolText(settings.LoadwithWindowsStartup != 0)}});
        return;
    }
    settings.LoadwithWindowsStartup = settings.LoadwithWindowsStartup ? 0 : 1;
    view_.SetMovieVariables(
        {{"_root.bLoadwithWindowsStartup", MovieBoolText(settings.LoadwithWindowsStartup != 0)}});
    SetRunAtStartup(Title(), RunAtStartupCommandLine(state_.programPath),
                    settings.LoadwithWindowsStartup == 0);
}

void SettingsCommands::ToggleSplashScreen() {
    GeneralSettings& settings = state_.settings;
    if (view_.AdministratorAllows())
        settings.LoadSplashScreen = settings.LoadSplashScreen ? 0 : 1;
    view_.SetMovieVariables(
        {{"_root.bLoadSplashScreen", MovieBoolText(settings.LoadSplashScreen != 0)}});
}

// ---- password and login ----

void SettingsCommands::PasswordChosen(const std::string& password) {
    GeneralSettings& settings = state_.settings;
    settings.Password = password;
    settings.IsLogin = settings.Password.empty() ? 0 : 1;
    view_.SetMovieVariables({{"_root.bIsLogin", MovieBoolText(settings.IsLogin != 0)},
                             {"_root.bIsPasswordEntered", MovieBoolText(settings.IsLogin != 0)}});
}

const std::string& SettingsCommands::StoredPassword() const {
    return state_.settings.Password;
}

bool SettingsCommands::LoggedIn() const {
    return state_.settings.IsLogin != 0;
}

void SettingsCommands::LogIn() {
    state_.settings.IsLogin = 1;
    view_.SetMovieVariables({{"_root.bIsLogin", MovieBoolText(true)}});
}

void SettingsCommands::LogOut() {
    state_.settings.IsLogin = 0;
    view_.SetMovieVariables({{"_root.bIsLogin", MovieBoolText(false)}});
}

// ---- backup, restore and reset ----

void SettingsCommands::BackUp(
    const std::string& path,
    const std::function<void(const std::string& caption, const std::string& text)>& onError) {
    SaveAllSettingsLoggedOut(state_.settings, state_.log, state_.mail, state_.web);
    RegistryExporter exporter(path, onError);
    exporter.ExportKey(HKEY_CURRENT_USER, kProductKeyPath, kProductKeyFullName);
}

std::string SettingsCommands::RegistryToolPath() const {
    return state_.applicationDirectory + "/" + kRegistryTool;
}

bool SettingsCommands::RestoreTook(const ProgramRun& run) {
    return run.started && run.finished && run.exitCode == 0;
}

bool SettingsCommands::ResetAll() {
    if (!ResetAllSettings())
        return false;
    SetCurrentLanguage(kDefaultLanguage);
    return true;
}

std::string ImportParameters(const std::string& path) {
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

std::string RestoreFailureText(const ProgramRun& run, const std::string& path) {
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

std::string RestoreCaption() {
    return Title() + "     ";
}

std::string ResetCaption() {
    return Title() + "    ";
}

// ---- language and the alert level ----

bool SettingsCommands::ChangeLanguage(std::string_view args) {
    const std::string_view language = Trim(args, " \t\n\v\f\r");
    if (language.empty() || IsUndefinedArgument(language))
        return false;
    SetCurrentLanguage(std::string(language));
    return true;
}

void SettingsCommands::SetAlertEventsLevel(std::string_view args) {
    const std::optional<int> level = DecimalArgument(args);
    // Only the three levels exist; another value would be stored and shown as a level none of
    // the choices names.
    if (level && *level >= 0 && *level <= 2 && view_.AdministratorAllows())
        state_.log.ApplyAlertEventsLevel(*level);
    view_.RefreshMainMovie();
}

// ---- the settings windows' answers ----

SettingsCommands::LogChoice SettingsCommands::CurrentLogSettings() const {
    const AlertLogStore& log = state_.log;
    return {log.ArchiveLogFile, log.ArchiveLogPeriodicDays, log.LogFilePath};
}

void SettingsCommands::ApplyLogSettings(const LogChoice& choice) {
    AlertLogStore& log = state_.log;
    log.ArchiveLogFile = choice.archiveOn;
    log.ArchiveLogPeriodicDays = choice.dayInterval;
    log.LogFilePath = choice.logFile;
}

bool SettingsCommands::ShowsMailAlerts() const {
    return state_.log.ShowMailAlert();
}

bool SettingsCommands::ShowsWebAlerts() const {
    return state_.log.ShowWebAlert();
}

void SettingsCommands::ApplyAlertDisplay(int showMailAlerts, int showWebAlerts) {
    AlertLogStore& log = state_.log;
    log.MailOnly = showMailAlerts;
    if (log.EventAlerts.size() > kWebAlertIndex) {
        log.EventAlerts[kMailAlertIndex].ShowAlert = showMailAlerts;
        log.EventAlerts[kWebAlertIndex].ShowAlert = showWebAlerts;
    }
    view_.RefreshMainMovie();
}

void SettingsCommands::SetMailPermission(std::int32_t permission) {
    state_.mail.Permission = permission;
}

void SettingsCommands::SetSitePermission(std::int32_t permission) {
    state_.web.Permission = permission;
}

std::int32_t SettingsCommands::MailPermission() const {
    return state_.mail.Permission;
}

std::int32_t SettingsCommands::SitePermission() const {
    return state_.web.Permission;
}

} // namespace hookwise::core
