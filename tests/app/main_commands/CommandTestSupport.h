// Support for the main window command tests: a private folder (registry, runtime and configuration
// folders, program folder with the installed movies), the main window offscreen with its real
// movie, a desktop that answers confirmations and file choices from a script, and a script that
// answers the modal windows a command opens.
#pragma once

#include "app/AdminCommands.h"
#include "app/MainWindow.h"
#include "app/TrayApp.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/settings/PasswordDialog.h"
#include "tests/support/Sandbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace hookwise::core;
using namespace hookwise::app;

namespace cmdtest {

// Processes events until done() holds; false when the time ran out first.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 10000);
// Processes events for a while.
void Pump(int milliseconds = 50);

// A temporary folder with the registry file, the runtime and configuration folders and the
// program folder (the staged movies copied in); the environment points at it while it lives.
class CommandFolder {
public:
    CommandFolder();

    const std::string& Path() const { return sandbox_.Path(); }
    std::string Program() const { return Path() + "/program"; }

private:
    testsupport::Sandbox sandbox_{"commands"};
};

// The desktop of the administration commands, answering from lists the test fills.
class TestDesktop : public CommandDesktop {
public:
    struct ConfirmCall {
        QString text;
        QString caption;
        int flags;
    };
    struct OpenCall {
        std::string file;
        std::string parameters;
        std::string directory;
        int showCommand;
    };

    std::deque<int> confirmAnswers; // 2 (no) when empty
    std::vector<ConfirmCall> confirms;
    std::deque<QString> fileAnswers; // "" (cancel) when empty
    std::vector<FileChoice> fileChoices;
    std::vector<OpenCall> opens; // programs started or run (a run has showCommand SW_HIDE)
    // Starts what it is asked to open or run for real (the registry tool); otherwise only
    // records and answers success.
    bool openForReal = false;

    int Confirm(QWidget* parent, const QString& text, const QString& caption, int flags) override;
    QString ChooseFile(QWidget* parent, const FileChoice& choice,
                       const std::function<bool()>& beforeShow) override;
    std::intptr_t ShellOpen(const std::string& file, const std::string& parameters,
                            const std::string& directory, int showCommand) override;
    ProgramRun RunProgram(const std::string& program, const std::string& parameters,
                          const std::string& directory, int timeoutMs) override;
};

// Answers the modal windows that open, in order: each step waits until a modal window of its type
// is active and acts on it from inside that window's loop. A window a step acted on is only acted
// on again after another window was active in between. Windows still open after 15 seconds are
// closed, so a test fails instead of hanging.
class ModalScript {
public:
    ModalScript();
    ~ModalScript();

    template <typename T> ModalScript& Then(std::function<void(T&)> action) {
        steps_.push_back({[](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                          [action](QWidget* w) { action(*qobject_cast<T*>(w)); }});
        return *this;
    }
    bool Done() const { return next_ == steps_.size(); }
    // Class names of every modal window seen, in order.
    const QStringList& Seen() const { return seen_; }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Poll();

    QTimer timer_;
    QElapsedTimer started_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QWidget* lastActedOn_ = nullptr;
    QWidget* lastSeen_ = nullptr;
    QStringList seen_;
};

// Answers in the password window: the typed password and OK, or Cancel.
inline void EnterPassword(PasswordDialog& dialog, const char* password) {
    dialog.Movie()->SetVariable(QStringLiteral("_root.strPasswordValue"),
                                QString::fromLatin1(password));
    dialog.DispatchCommand(QStringLiteral("IDC_FS_LoginPassword"), QStringLiteral("undefined"));
}
inline void CancelPassword(PasswordDialog& dialog) {
    dialog.DispatchCommand(QStringLiteral("IDC_FS_CancelLoginPassword"),
                           QStringLiteral("undefined"));
}
// Answers a message box with one of its commands ("IDC_FS_YES", "IDC_FS_NO", "IDC_FS_OK").
inline void Press(MessageBoxWindow& box, const char* command) {
    box.DispatchCommand(QString::fromLatin1(command), QStringLiteral("undefined"));
}

// The main window of a fresh program start in the folder, with the test desktop installed.
class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A program start: the application object and the main window created (shown, not hidden).
    void Start();
    // Ends the window as the program's end would (without the loop) and drops it.
    void Stop();

    void Send(const char* command, const QString& args = QStringLiteral("undefined"));
    QString Variable(const char* name);
    void SetVariable(const char* name, const QString& value);
    int Rows(const char* model);
    QString Cell(const char* model, int row, const char* role);
    // Starts the feeders and waits until the movie holds every row.
    void Feed();

    // A stored password (and not logged in).
    void SetPassword(const char* password);

    CommandFolder folder_;
    TestDesktop desktop_;
    std::unique_ptr<TrayApp> app_;
    std::unique_ptr<MainWindow> window_;
};

} // namespace cmdtest
