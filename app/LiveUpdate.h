// LiveUpdate: runs the update program (program folder + "/" + EncodeFileName("LiveUpd") +
// "/Update") without freezing the program: on "Check for updates" with its progress and outcome
// in the program's message box, and at start, quietly, when the last update is older than a day.
// The update program's contract: exit status 0 on success; the last line of its standard output
// summarises the run ("Updated: N entries, version MM/DD/YYYY" or "Failed: <reason>");
// "--quiet" leaves out the progress. New definitions it writes are taken by DefinitionsWatcher.
#pragma once

#include "app/alerts/MessageBoxWindow.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <string>

class QWidget;

// ---- the outcome of a run (Qt-free) ----

// The update program of the program folder applicationDirectory.
std::string LiveUpdateProgramPath(const std::string& applicationDirectory);

// The last line of text that holds more than blanks, without its line end; "" when none. Both
// "\n" and "\r" end a line (a progress bar rewrites its line with "\r").
std::string LastTextLine(const std::string& text);

struct LiveUpdateOutcome {
    bool succeeded = false;
    std::string text; // the summary on success, else the reason
};

// How a run went: started (false: the program could not be started, error tells why), crashed
// (ended by a signal), its exit code and what it wrote to standard output and error.
LiveUpdateOutcome LiveUpdateOutcomeOf(bool started, const std::string& error, bool crashed,
                                      int exitCode, const std::string& output,
                                      const std::string& errors);

// Whether an update is due at start: neither the user's definitions file (which an update that
// changed something rewrites) nor the update program's record of its last run (which every
// successful run rewrites, changes or not) is younger than a day at nowSeconds.
bool IsStartUpdateDue(const std::string& userDefinitionsPath, const std::string& lastRunPath,
                      std::int64_t nowSeconds);

// ---- the runner ----

class LiveUpdate : public QObject {
    Q_OBJECT
public:
    // program: the update program; boxParent: the window the message box belongs to.
    LiveUpdate(QString program, QWidget* boxParent, QObject* parent = nullptr);
    // A run still under way is stopped (the update program leaves the previous definitions in
    // force when it is interrupted).
    ~LiveUpdate() override;

    // "Check for updates": runs the program and shows its progress in a message box that stays
    // open beside the main window, then its outcome; a missing program is said so at once. While
    // a run is under way (also one started at start), its box is shown instead of a second run.
    void RunShown();
    // Runs the program with "--quiet"; its outcome goes to standard error only.
    void RunQuietly();

    bool Running() const { return process_ != nullptr; }
    // The box of the shown run, null when none is open (tests).
    MessageBoxWindow* Box() const { return box_; }
    QString Program() const { return program_; }

signals:
    // A run ended (also one that could not start).
    void Finished(bool succeeded, const QString& text);

private:
    void Start(const QStringList& arguments);
    void OnOutput();
    void OnEnded(bool started, const QString& error, bool crashed, int exitCode);
    // The box of the shown run, opened when none is (it is not modal).
    void ShowBox(const QString& text, int flags);

    QString program_;
    QWidget* boxParent_;
    QProcess* process_ = nullptr;
    QPointer<MessageBoxWindow> box_;
    bool shown_ = false; // the outcome of this run is shown in the box
    std::string output_;
    std::string errors_;
};
