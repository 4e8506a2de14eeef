// AdminCommands: the main movie's commands that change settings, switch the administrator login,
// open the settings windows, or leave the program by backup, restore or reset; and the desktop
// they ask (confirmations, file choices, starting programs), which tests replace.
//
// The main window's dispatcher hands every command its own table does not know to Dispatch.
// Commands compare ignoring case; "undefined" means no argument. What a command changes is
// decided by the core's SettingsCommands; this table asks the windows and questions around it.
// Commands marked gated in the .cpp act only when the administrator's gate passes.
#pragma once

#include "app/CommandWindow.h"
#include "app/MovieCommands.h"
#include "core/commands/SettingsCommands.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace hookwise::app {

// Which file a command asks for: a save dialog (with a proposed name and a default suffix) or an
// open dialog. filter is in the "Description|pattern|...||" form the commands give.
struct FileChoice {
    bool save = false;
    QString filter;
    QString fileName;
    QString defaultSuffix;
};

// The name filters of a QFileDialog for a "Description|pattern|...||" filter: each description,
// with " (pattern)" added when it does not already name its patterns in parentheses.
QStringList FileDialogFilters(const QString& filter);

// The desktop the administration commands talk to. The default shows the program's message box
// and a QFileDialog, and starts programs and documents with ShellExecuteA.
class CommandDesktop {
public:
    virtual ~CommandDesktop() = default;
    // Asks text under caption in the program's message box with flags; 1 (yes, OK) or 2.
    virtual int Confirm(QWidget* parent, const QString& text, const QString& caption, int flags);
    // The file the user chose, "" when cancelled. beforeShow runs once the dialog is built and
    // before it shows; when it returns false the dialog never shows and the result is "".
    virtual QString ChooseFile(QWidget* parent, const FileChoice& choice,
                               const std::function<bool()>& beforeShow);
    // Opens file with the verb "open": a program is started with parameters in directory, a
    // document or URL goes to the desktop's handler. Above 32 on success, as ShellExecuteA.
    virtual std::intptr_t ShellOpen(const std::string& file, const std::string& parameters,
                                    const std::string& directory, int showCommand);

    // How a program run to its end went.
    using ProgramRun = core::ProgramRun;
    // Starts program with the parameters (split as a command line is, see SplitParameters) in
    // directory, without a window, and waits for its end, at most timeoutMs.
    virtual ProgramRun RunProgram(const std::string& program, const std::string& parameters,
                                  const std::string& directory, int timeoutMs);
};

// The desktop every AdminCommands uses: the default one, or desktop while it is set (tests).
// Setting null brings the default back.
void SetCommandDesktop(CommandDesktop* desktop);
CommandDesktop& GetCommandDesktop();

class AdminCommands {
public:
    AdminCommands(CommandWindow& window, core::CommandSettings settings)
        : window_(window), settings_(std::move(settings), window) {}

    // Runs the command when the administration table knows it; false (nothing done) otherwise.
    bool Dispatch(const QString& command, const QString& args);

    // The command names of the table, in order.
    static QStringList CommandNames();

private:
    void LoadWithStartup(const QString& args);
    void LoadSplashScreen(const QString& args);
    void SetPassword(const QString& args);
    void BackupSettings(const QString& args);
    void ChangeLanguage(const QString& args);
    void RestoreSettings(const QString& args);
    void Reset(const QString& args);
    void RunLiveUpdate(const QString& args);
    void Login(const QString& args);
    void AdvancedMailSettings(const QString& args);
    void AdvancedSiteSettings(const QString& args);
    void AlertEventsLevel(const QString& args);
    void LogSettings(const QString& args);
    void AlertDisplaySettings(const QString& args);
    void TechnicalSupport(const QString& args);

    // The permission window for one list; returns the chosen permission or -1.
    int ChoosePermission(int list, int permission);

    static const CommandEntry<AdminCommands> kTable[];
    CommandWindow& window_;
    core::SettingsCommands settings_;
};

} // namespace hookwise::app
