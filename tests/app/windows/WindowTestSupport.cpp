// The window tests' environment: an offscreen QApplication, a temporary registry and runtime
// folder.
#include "WindowTestSupport.h"

#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class WindowTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        scratch_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(scratch_->isValid());
        const QByteArray root = scratch_->path().toUtf8();
        setenv("HOOKWISE_REGISTRY", (root + "/registry.db").constData(), 1);
        setenv("XDG_RUNTIME_DIR", root.constData(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "windows_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app_.reset();
        scratch_.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> scratch_;
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
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    } while (timer.elapsed() < milliseconds);
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
