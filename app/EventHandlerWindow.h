// EventHandlerWindow: the receiving end of the detection channel under the caption
// "Baitguard Server Handler", driven by the UI thread's event loop.
//
// Each report is handed to the handler on the UI thread; its result is the sender's answer. A
// report that arrives while a handler runs a modal loop (an alert popup) is handled inside that
// loop, to its end, before the first one resumes: every descriptor has a socket notifier of its
// own, and the receiver takes a connection off the watch list while its report is handled. A
// timer closes connections that stay silent, once a second.
#pragma once

#include "platform/ChannelReceiver.h"
#include "platform/ProductNames.h"

#include <QObject>

#include <map>

class QSocketNotifier;

namespace hookwise::app {

class EventHandlerWindow : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = platform::kHandlerCaption;

    explicit EventHandlerWindow(platform::ChannelReceiver::Handler handler,
                                QObject* parent = nullptr);
    // Closes the channel. Must not run while one of its reports is being handled.
    ~EventHandlerWindow() override;

    // Starts receiving at the channel of kCaption (or of caption, for tests). Returns
    // ChannelReceiver::Listen's result: ERROR_SUCCESS, ERROR_ALREADY_EXISTS when another receiver
    // listens there, or the failure's Win32 code.
    LONG Create(const char* caption = kCaption);
    // Stops receiving; senders then find no window and get 0.
    void Destroy();

    bool IsReceiving() const { return receiver_.IsListening(); }
    // Told when the sender of a report being handled ends before its answer (see ChannelReceiver).
    void SetHangUpCallback(platform::ChannelReceiver::HangUpCallback callback) {
        receiver_.SetHangUpCallback(std::move(callback));
    }
    const platform::ChannelReceiver& Receiver() const { return receiver_; }

private:
    void Watch(int fd, bool watch);

    platform::ChannelReceiver receiver_;
    std::map<int, QSocketNotifier*> notifiers_;
};

} // namespace hookwise::app
