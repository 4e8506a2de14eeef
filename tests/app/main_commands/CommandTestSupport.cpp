// The main window command tests' environment: the offscreen application, the private folder, the
// scripted desktop and modal answers, and the main window fixture.
#include "CommandTestSupport.h"

#include "core/FileNames.h"
#include "core/lists/ListFeeder.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/PasswordRules.h"
#include "platform/Registry.h"
#include "platform/ShellExecute.h"
#include "tests/app/OffscreenQt.h"

#include <QAbstractItemModel>
#include <QDialog>
#include <QQuickItem>
#include <QThread>

#include <cstdlib>
#include <filesystem>

using namespace hookwise::core;

namespace cmdtest {

namespace {

[[maybe_unused]] const auto* const kQt =
    testing::AddGlobalTestEnvironment(new qttest::OffscreenQtEnvironment("main_commands_tests"));

} // namespace

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
    return qttest::PumpUntil(done, milliseconds);
}

void Pump(int milliseconds) {
    qttest::PumpFor(milliseconds);
}

// ---- the folder ----

CommandFolder::CommandFolder() {
    std::filesystem::copy(HOOKWISE_STAGED_MOVIES, Program(),
                          std::filesystem::copy_options::recursive);
    sandbox_.SetEnv("XDG_CONFIG_HOME", Path() + "/config");
    SetProgramFolder(Program());
    SetCurrentLanguage(kDefaultLanguage);
}

// ---- the desktop ----

int TestDesktop::Confirm(QWidget*, const QString& text, const QString& caption, int flags) {
    confirms.push_back({text, caption, flags});
    if (confirmAnswers.empty())
        return 2;
    const int answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

QString TestDesktop::ChooseFile(QWidget*, const FileChoice& choice,
                                const std::function<bool()>& beforeShow) {
    fileChoices.push_back(choice);
    if (beforeShow && !beforeShow())
        return {};
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::intptr_t TestDesktop::ShellOpen(const std::string& file, const std::string& parameters,
                                     const std::string& directory, int showCommand) {
    opens.push_back({file, parameters, directory, showCommand});
    if (openForReal)
        return CommandDesktop::ShellOpen(file, parameters, directory, showCommand);
    return 42;
}

CommandDesktop::ProgramRun TestDesktop::RunProgram(const std::string& program,
                                                   const std::string& parameters,
                                                   const std::string& directory, int timeoutMs) {
    opens.push_back({program, parameters, directory, SW_HIDE});
    if (openForReal)
        return CommandDesktop::RunProgram(program, parameters, directory, timeoutMs);
    ProgramRun done;
    done.started = done.finished = true;
    done.exitCode = 0;
    return done;
}

// ---- modal answers ----

ModalScript::ModalScript() {
    started_.start();
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

ModalScript::~ModalScript() = default;

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != lastSeen_) {
        // The window's class name without its namespace.
        seen_ << QString::fromLatin1(modal->metaObject()->className())
                     .section(QStringLiteral("::"), -1);
        lastSeen_ = modal;
        if (modal != lastActedOn_)
            lastActedOn_ = nullptr;
    }
    if (started_.elapsed() > 15000) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(2);
        return;
    }
    if (!modal || modal == lastActedOn_ || Done() || !steps_[next_].matches(modal))
        return;
    lastActedOn_ = modal;
    auto act = steps_[next_++].act;
    // Acted on from a call of its own, so a window the action opens is answered too.
    QTimer::singleShot(0, modal, [act, modal] { act(modal); });
}

// ---- the fixture ----

void MainWindowTest::SetUp() {
    SetCommandDesktop(&desktop_);
}

void MainWindowTest::TearDown() {
    Stop();
    SetCommandDesktop(nullptr);
}

void MainWindowTest::Start() {
    app_ = std::make_unique<TrayApp>(folder_.Program() + "/HookWs", false);
    window_ = std::make_unique<MainWindow>(*app_);
    window_->Create();
}

void MainWindowTest::Stop() {
    if (window_) {
        window_->EndProgram(false);
        window_->Run();
    }
    window_.reset();
    app_.reset();
    // Ending the program asks every event loop to return, also those started afterwards, until
    // the application's own loop has run: it runs once here, so the next start's windows can
    // run their loops.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void MainWindowTest::Send(const char* command, const QString& args) {
    window_->DispatchCommand(QString::fromLatin1(command), args);
}

QString MainWindowTest::Variable(const char* name) {
    return window_->Movie()->GetVariable(QString::fromLatin1(name));
}

void MainWindowTest::SetVariable(const char* name, const QString& value) {
    window_->Movie()->SetVariable(QString::fromLatin1(name), value);
}

int MainWindowTest::Rows(const char* model) {
    QQuickItem* root = window_->Movie()->MovieRoot();
    auto* m = root ? root->findChild<QAbstractItemModel*>(QString::fromLatin1(model)) : nullptr;
    return m ? m->rowCount() : -1;
}

QString MainWindowTest::Cell(const char* model, int row, const char* role) {
    QQuickItem* root = window_->Movie()->MovieRoot();
    auto* m = root->findChild<QAbstractItemModel*>(QString::fromLatin1(model));
    const int key = m->roleNames().key(role, -1);
    return m->data(m->index(row, 0), key).toString();
}

void MainWindowTest::Feed() {
    window_->StartFeeders();
    auto finished = [](ListFeeder& f) { return f.GetState() == ListFeeder::State::Finished; };
    ASSERT_TRUE(PumpUntil([&] {
        return finished(window_->LogFeeder()) && finished(window_->MailFeeder()) &&
               finished(window_->SiteFeeder());
    }));
    ASSERT_TRUE(PumpUntil([&] {
        return Rows("mailModel") == app_->MailList.Count() &&
               Rows("siteModel") == app_->SiteList.Count() && Rows("logModel") == app_->Log.Count();
    }));
}

void MainWindowTest::SetPassword(const char* password) {
    app_->Settings.Password = EncodePassword(password);
    app_->Settings.IsLogin = 0;
}

} // namespace cmdtest
