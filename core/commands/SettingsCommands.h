// SettingsCommands: what the administration commands of the main movie change in the settings,
// the alert log and the lists, decided without a window. The windows and questions around them
// (password, permissions, log and alert settings, confirmations, file choices) stay with the
// main window, which hands the answers here as plain values.
#pragma once

#include "core/commands/CommandView.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace hookwise::core {

class AlertLogStore;
class GeneralSettings;
class MailSafeList;
class WebSiteBlockingList;

// The registry tool the restore runs, in the program folder: "hkreg import FILE". The restore
// waits for it at most kRegistryToolTimeoutMs.
constexpr const char* kRegistryTool = "hkreg";
constexpr int kRegistryToolTimeoutMs = 120000;

// The support address "IDC_FS_technicalSupport" writes to.
constexpr const char* kSupportMailLink = "mailto:support@corvane.com";

// How a program run to its end went.
struct ProgramRun {
    bool started = false;  // false: the program could not be started
    bool finished = false; // false: it did not end within the time (it was killed then)
    int exitCode = -1;     // its exit code when it ended normally, else -1
    std::string output;    // what it wrote to its standard error and output
};

// The state the administration commands change; owned by the application object.
struct CommandSettings {
    GeneralSettings& settings;
    AlertLogStore& log;
    MailSafeList& mail;
    WebSiteBlockingList& web;
    std::string programPath;          // the program's own executable
    std::string applicationDirectory; // the program folder, without a trailing '/'
};

class SettingsCommands {
public:
    SettingsCommands(CommandSettings state, CommandView& view)
        : state_(std::move(state)), view_(view) {}

    const std::string& ApplicationDirectory() const { return state_.applicationDirectory; }

    // "Load with the session's start", gated: switched, shown, and the start-up entry written or
    // removed. Refused, the movie's box shows the unchanged value again.
    void ToggleLoadWithStartup();
    // The splash at start, gated; the movie's box shows the value in force either way.
    void ToggleSplashScreen();

    // The stored password (EncodeFileName form; "" for none), which the password window checks.
    const std::string& StoredPassword() const;
    // A new password was chosen ("" removes it): stored, and logged in unless it is empty.
    void PasswordChosen(const std::string& password);
    bool LoggedIn() const;
    void LogIn();
    void LogOut();

    // The backup into path: the registry made current first, so the backup holds what the
    // program holds now, but logged out (a restored backup must not let the next start pass the
    // password); then the product key exported. onError shows an export failure.
    void
    BackUp(const std::string& path,
           const std::function<void(const std::string& caption, const std::string& text)>& onError);
    // The registry tool the restore runs, and whether its run took.
    std::string RegistryToolPath() const;
    static bool RestoreTook(const ProgramRun& run);
    // The reset: the product key deleted and the language back to the default. False when a key
    // could not be deleted (the program then stays).
    static bool ResetAll();

    // A language the movie chose (args trimmed; none or "undefined" changes nothing) becomes the
    // current language. True when it did.
    static bool ChangeLanguage(std::string_view args);

    // The alert events level (0, 1 or 2 only), gated; the overview is refreshed either way.
    void SetAlertEventsLevel(std::string_view args);
    // What the log settings window shows and answers.
    struct LogChoice {
        int archiveOn = 1;            // periodic archive on (32-bit boolean)
        std::uint8_t dayInterval = 1; // archive period in days
        std::string logFile;          // the log file's path
    };
    LogChoice CurrentLogSettings() const;
    void ApplyLogSettings(const LogChoice& choice);
    // What the alert display window shows, and its answer (1 shows that kind's alerts); the
    // overview is refreshed after the answer.
    bool ShowsMailAlerts() const;
    bool ShowsWebAlerts() const;
    void ApplyAlertDisplay(int showMailAlerts, int showWebAlerts);
    // The permission modes chosen in the protection options window.
    void SetMailPermission(std::int32_t permission);
    void SetSitePermission(std::int32_t permission);
    std::int32_t MailPermission() const;
    std::int32_t SitePermission() const;

private:
    CommandSettings state_;
    CommandView& view_;
};

// The parameters that make the registry tool import path (the path may hold any character).
std::string ImportParameters(const std::string& path);

// The message a restore that did not take shows: the reason the registry tool gave (its own name
// and the file's path, which the user just chose, left out), or why the tool did not run.
std::string RestoreFailureText(const ProgramRun& run, const std::string& path);

// The message box captions of Restore and Reset: the title followed by five and four blanks.
std::string RestoreCaption();
std::string ResetCaption();

} // namespace hookwise::core
