// The window tests' environment: an offscreen QApplication, a temporary registry and runtime
// folder.
#include "WindowTestSupport.h"

#include "tests/app/OffscreenQt.h"
#include "tests/support/Sandbox.h"

#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class WindowTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        sandbox_ = std::make_unique<testsupport::Sandbox>("windows");
        sandbox_->SetEnv("XDG_CONFIG_HOME", sandbox_->File("config"));
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "windows_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app_.reset();
        sandbox_.reset();
    }

private:
    std::unique_ptr<testsupport::Sandbox> sandbox_;
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WindowTestEnvironment);

} // namespace

void SendFromMovie(CMovieDialog& window, const QString& command, const QString& args) {
    QQuickItem* root = MovieRootOf(window);
    ASSERT_NE(root, nullptr) << "the window has no movie";
    QMetaObject::invokeMethod(root, "fsCommand", Q_ARG(QString, command), Q_ARG(QString, args));
}

void Pump(int milliseconds) {
    qttest::PumpFor(milliseconds);
}

int RunModal(CMovieDialog& window, std::function<void()> drive) {
    QTimer::singleShot(0, &window, [drive] { drive(); });
    // A drive that never ends the window must not hang the test.
    QTimer::singleShot(10000, &window, [&window] {
        if (window.isVisible())
            window.done(-1);
    });
    const int result = window.Show();
    const auto watches = window.findChildren<QTimer*>(QStringLiteral("WhenModal"));
    qDeleteAll(watches);
    return result;
}
