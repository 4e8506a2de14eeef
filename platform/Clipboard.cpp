// The process's own in-memory clipboard and the switch between it and a replacement.
#include "platform/Clipboard.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

// One text format, opened by one thread at a time, as a desktop clipboard behaves.
class ProcessClipboard final : public IClipboard {
public:
    BOOL OpenClipboard(HWND) override {
        std::lock_guard lock(mutex_);
        if (owner_ && *owner_ != std::this_thread::get_id())
            return kFalse;
        owner_ = std::this_thread::get_id();
        return kTrue;
    }
    BOOL GetClipboardText(std::string* text) override {
        std::lock_guard lock(mutex_);
        if (!OpenedHere() || !text_ || !text)
            return kFalse;
        *text = text_->substr(0, text_->find('\0'));
        return kTrue;
    }
    BOOL SetClipboardText(const char* text) override {
        std::lock_guard lock(mutex_);
        if (!OpenedHere())
            return kFalse;
        text_ = std::string(text ? text : "");
        return kTrue;
    }
    BOOL EmptyClipboard() override {
        std::lock_guard lock(mutex_);
        if (!OpenedHere())
            return kFalse;
        text_.reset();
        return kTrue;
    }
    BOOL CloseClipboard() override {
        std::lock_guard lock(mutex_);
        if (!OpenedHere())
            return kFalse;
        owner_.reset();
        return kTrue;
    }

private:
    bool OpenedHere() const { return owner_ && *owner_ == std::this_thread::get_id(); }

    std::mutex mutex_;
    std::optional<std::thread::id> owner_;
    std::optional<std::string> text_;
};

ProcessClipboard& OwnClipboard() {
    static ProcessClipboard clipboard;
    return clipboard;
}

std::atomic<IClipboard*> gReplacement{nullptr};

} // namespace

IClipboard* GetClipboard() {
    IClipboard* replacement = gReplacement.load();
    return replacement ? replacement : &OwnClipboard();
}

IClipboard* SetClipboard(IClipboard* clipboard) {
    return gReplacement.exchange(clipboard);
}
