// AdminCommands: the main movie's commands that change settings, switch the administrator login,
// open the settings windows, or leave the program by backup, restore or reset; and the desktop
// they ask (confirmations, file choices, starting programs), which tests replace.
//
// The main window's dispatcher hands every command its own table does not know to Dispatch.
// Commands compare ignoring case; "undefined" means no argument. Commands marked gated in the
// .cpp act only when RequireAdministrator passes.
#pragma once

#include "app/MovieCommands.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class MainWindow;
class QWidget;

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
    struct ProgramRun {
        bool started = false;  // false: the program could not be started
        bool finished = false; // false: it did not end within the time (it was killed then)
        int exitCode = -1;     // its exit code when it ended normally, else -1
        std::string output;    // what it wrote to its standard error and output
    };
    // Starts program with the parameters (split as a command line is, see SplitParameters) in
    // directory, without a window, and waits for its end, at most timeoutMs.
    virtual ProgramRun RunProgram(const std::string& program, const std::string& parameters,
                                  const std::string& directory, int timeoutMs);
};

// The desktop every AdminCommands uses: the default one, or desktop while it is set (tests).
// Setting null brings the default back.
void SetCommandDesktop(CommandDesktop* desktop);
CommandDesktop& GetCommandDesktop();

// The support address "IDC_FS_technicalSupport" writes to.
constexpr const char* kSupportMailLink = "mailto:support@corvane.com";

// The registry tool the restore runs, in the program folder: "hkreg import FILE". The restore
// waits for it at most kRegistryToolTimeoutMs.
constexpr const char* kRegistryTool = "hkreg";
constexpr int kRegistryToolTimeoutMs = 120000;

// The message a restore that did not take shows: the reason the registry tool gave (its own name
// and the file's path, which the user just chose, left out), or why the tool did not run.
std::string RestoreFailureText(const CommandDesktop::ProgramRun& run, const std::string& path);

class AdminCommands {
public:
    explicit AdminCommands(MainWindow& window) : window_(window) {}

    // Runs the command when the administration table knows it; false (nothing done) otherwise.
    bool Dispatch(const QString& command, const QString& args);

    // The command names of the table, in order.
    static QStringList CommandNames();

    // The live update program: program folder + "/" + EncodeFileName("LiveUpd") + "/Update".
    std::string LiveUpdatePath() const;
    // The parameters that make the registry tool import path (the path may hold any character).
    static std::string ImportParameters(const std::string& path);

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

    void SetMovieVariable(const char* name, const QString& value);
    // The permission window for one list; returns the chosen permission or -1.
    int ChoosePermission(int list, int permission);

    static const CommandEntry<AdminCommands> kTable[];
    MainWindow& window_;
};
