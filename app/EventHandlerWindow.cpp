// EventHandlerWindow: socket notifiers for the channel receiver's descriptors.
#include "app/EventHandlerWindow.h"

#include <QSocketNotifier>
#include <QTimer>

namespace hookwise::app {

namespace {
// How often connections that stay silent are looked for.
constexpr int kIdleSweepMilliseconds = 1000;
} // namespace

EventHandlerWindow::EventHandlerWindow(platform::ChannelReceiver::Handler handler, QObject* parent)
    : QObject(parent), receiver_(std::move(handler)) {
    setObjectName(QLatin1String(kCaption));
    receiver_.SetWatchCallback([this](int fd, bool watch) { Watch(fd, watch); });
    auto* sweep = new QTimer(this);
    sweep->setInterval(kIdleSweepMilliseconds);
    connect(sweep, &QTimer::timeout, this, [this] { receiver_.CloseIdle(); });
    sweep->start();
}

EventHandlerWindow::~EventHandlerWindow() {
    Destroy();
    // The notifiers are children of this object and go with it.
}

LONG EventHandlerWindow::Create(const char* caption) {
    return receiver_.Listen(caption);
}

void EventHandlerWindow::Destroy() {
    receiver_.Close();
}

void EventHandlerWindow::Watch(int fd, bool watch) {
    // A descriptor number is reused for a later connection once its connection is closed, so
    // notifiers are kept per number and only switched on and off: one is never deleted while it
    // may be emitting.
    auto found = notifiers_.find(fd);
    if (!watch) {
        if (found != notifiers_.end())
            found->second->setEnabled(false);
        return;
    }
    if (found != notifiers_.end()) {
        found->second->setEnabled(true);
        return;
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this,
            [this](QSocketDescriptor socket, QSocketNotifier::Type) {
                receiver_.ProcessReadable(static_cast<int>(socket));
            });
    notifiers_.emplace(fd, notifier);
}

} // namespace hookwise::app
