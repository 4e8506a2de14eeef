// LiveUpdate: the runner with its message box.
#include "app/LiveUpdate.h"

#include "app/TrayApp.h"
#include "app/alerts/MessageBoxWindow.h"
#include "app/desktop/QtText.h"
#include "core/DetectionHandlers.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"

#include <QFileInfo>

#include <cstdio>

namespace hookwise::app {

using namespace hookwise::core;

namespace {

QString UpdateText(std::uint32_t id, const QString& argument) {
    return Q(FormatAlertText(LoadText(id), argument.toStdString()));
}

} // namespace

LiveUpdate::LiveUpdate(QString program, QWidget* boxParent, QObject* parent)
    : QObject(parent), program_(std::move(program)), boxParent_(boxParent) {}

LiveUpdate::~LiveUpdate() {
    if (process_) {
        process_->disconnect(this);
        process_->terminate();
        if (!process_->waitForFinished(3000))
            process_->kill();
        process_->waitForFinished(1000);
        delete process_;
    }
    delete box_.data();
}

void LiveUpdate::ShowBox(const QString& text, int flags) {
    if (!box_) {
        box_ = new MessageBoxWindow(text, Q(TrayApp::Title()), flags, boxParent_);
        box_->setModal(false);
        // The box belongs to the main window's run; closing it leaves the update running.
        connect(box_, &QDialog::finished, box_, &QObject::deleteLater);
        box_->Prepare();
        box_->show();
        return;
    }
    box_->SetMessage(text, flags);
    box_->show();
    box_->raise();
}

void LiveUpdate::RunShown() {
    shown_ = true;
    if (process_) {
        const std::string said = LastTextLine(output_);
        ShowBox(UpdateText(kStrUpdateRunning, Q(said)), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!QFileInfo(program_).isExecutable()) {
        ShowBox(UpdateText(kStrUpdateMissing, program_), MB_OK | MB_ICONERROR);
        emit Finished(false, program_ + QStringLiteral(" is missing"));
        return;
    }
    ShowBox(UpdateText(kStrUpdateRunning, QString()), MB_OK | MB_ICONINFORMATION);
    Start({});
}

void LiveUpdate::RunQuietly() {
    if (process_)
        return;
    shown_ = false;
    if (!QFileInfo(program_).isExecutable()) {
        std::fprintf(stderr, "%s: no update at start: %s is missing\n", TrayApp::Title().c_str(),
                     program_.toLocal8Bit().constData());
        emit Finished(false, program_ + QStringLiteral(" is missing"));
        return;
    }
    Start({QStringLiteral("--quiet")});
}

void LiveUpdate::Start(const QStringList& arguments) {
    output_.clear();
    errors_.clear();
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments(arguments);
    process_->setStandardInputFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &LiveUpdate::OnOutput);
    connect(process_, &QProcess::readyReadStandardError, this, &LiveUpdate::OnOutput);
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        OnEnded(true, {}, status == QProcess::CrashExit, code);
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            OnEnded(false, process_->errorString(), false, -1);
    });
    process_->start();
}

void LiveUpdate::OnOutput() {
    if (!process_)
        return;
    output_ += process_->readAllStandardOutput().toStdString();
    errors_ += process_->readAllStandardError().toStdString();
    // Only the end is ever shown; a long run keeps the last part.
    constexpr std::size_t kKept = 64 * 1024;
    if (output_.size() > 2 * kKept)
        output_.erase(0, output_.size() - kKept);
    if (errors_.size() > 2 * kKept)
        errors_.erase(0, errors_.size() - kKept);
    if (shown_ && box_) {
        const std::string said = LastTextLine(output_);
        box_->SetMessage(UpdateText(kStrUpdateRunning, Q(said)), MB_OK | MB_ICONINFORMATION);
    }
}

void LiveUpdate::OnEnded(bool started, const QString& error, bool crashed, int exitCode) {
    if (!process_)
        return;
    OnOutput();
    process_->deleteLater();
    process_ = nullptr;
    const LiveUpdateOutcome outcome =
        LiveUpdateOutcomeOf(started, error.toStdString(), crashed, exitCode, output_, errors_);
    const QString text = Q(outcome.text);
    if (shown_) {
        if (outcome.succeeded)
            ShowBox(UpdateText(kStrUpdateDone, text), MB_OK | MB_ICONINFORMATION);
        else
            ShowBox(UpdateText(kStrUpdateFailed, text), MB_OK | MB_ICONERROR);
    } else if (!outcome.succeeded) {
        std::fprintf(stderr, "%s: the update at start failed: %s\n", TrayApp::Title().c_str(),
                     outcome.text.c_str());
    }
    emit Finished(outcome.succeeded, text);
}

} // namespace hookwise::app
