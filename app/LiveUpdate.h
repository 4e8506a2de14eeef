// LiveUpdate: runs the update program (LiveUpdateProgramPath) without freezing the program: on
// "Check for updates" with its progress and outcome in the program's message box, and at start,
// quietly, when the last update is older than a day. How a run went is read by
// LiveUpdateOutcomeOf; new definitions it writes are taken by DefinitionsWatcher.
#pragma once

#include "app/alerts/MessageBoxWindow.h"
#include "core/definitions/LiveUpdateRun.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <string>

class QWidget;

namespace hookwise::app {

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

} // namespace hookwise::app
