// Helpers for the window tests: the offscreen application with its own registry and runtime
// folder, commands sent from a movie as the movie sends them, and answering nested modal windows.
#pragma once

#include "app/desktop/MovieDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QQuickItem>
#include <QTimer>

#include <functional>
#include <memory>

using namespace hookwise::app;

// The movie's own root item of a window.
inline QQuickItem* MovieRootOf(CMovieDialog& window) {
    return window.Movie()->MovieRoot();
}

// Sends a command through the movie's fsCommand signal, exactly as a click in the movie would.
void SendFromMovie(CMovieDialog& window, const QString& command,
                   const QString& args = QStringLiteral("undefined"));

// Processes events for a while (queued movie calls, size requests).
void Pump(int milliseconds = 50);

// Calls action once the active modal window is a T other than outer, from inside whatever modal
// loop is running then. The watch ends with outer (so it never outlives its test) or after five
// seconds; the test then sees the nested window missing.
template <typename T> void WhenModal(QWidget& outer, std::function<void(T&)> action) {
    auto* timer = new QTimer(&outer);
    timer->setObjectName(QStringLiteral("WhenModal"));
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, outerWindow = &outer, started] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || modal == outerWindow) {
            if (started->elapsed() > 5000)
                timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(*modal);
    });
    timer->start();
}

// Runs a window modally; `drive` runs from inside its modal loop. Returns the window's result;
// watches of WhenModal on the window that found nothing end with it.
int RunModal(CMovieDialog& window, std::function<void()> drive);
