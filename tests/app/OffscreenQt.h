// Test support for programs that run Qt windows without a display: one offscreen QApplication for
// the whole test program, and an event pump that waits for a condition.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace qttest {

// Registered once per test program with testing::AddGlobalTestEnvironment; programName must stay
// valid for the whole run (a string literal).
class OffscreenQtEnvironment : public testing::Environment {
public:
    explicit OffscreenQtEnvironment(const char* programName) : programName_(programName) {}
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char* argv[] = {const_cast<char*>(programName_), nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { app_.reset(); }

private:
    const char* programName_;
    std::unique_ptr<QApplication> app_;
};

// Processes events until done() holds; false when the time ran out first.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace qttest
