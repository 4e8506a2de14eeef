// ListFeeder: the feed loop, the operation flag and the row bookkeeping for single posts.
#include "core/lists/ListFeeder.h"

#include "core/TextUtil.h"

namespace hookwise::core {

ListFeeder::ListFeeder(CountFunction count, ItemFunction item, PostFunction post)
    : count_(std::move(count)), item_(std::move(item)), post_(std::move(post)),
      flag_(kNoOperation) {}

ListFeeder::~ListFeeder() {
    Stop();
}

void ListFeeder::Start() {
    std::lock_guard lock(mutex_);
    if (state_ != State::NotStarted || stop_)
        return;
    // Items single posts handed over before the start are not fed again.
    state_ = State::Running;
    thread_ = std::thread([this] { Run(); });
}

void ListFeeder::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        if (state_ == State::NotStarted)
            state_ = State::Stopped;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

ListFeeder::State ListFeeder::GetState() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::string ListFeeder::OperationFlag() const {
    std::lock_guard lock(mutex_);
    return flag_;
}

void ListFeeder::SetOperationFlag(const std::string& value) {
    {
        std::lock_guard lock(mutex_);
        flag_ = value;
    }
    wake_.notify_all();
}

bool ListFeeder::WillFeed(int index) const {
    std::lock_guard lock(mutex_);
    return FeedPending() && index >= next_;
}

std::vector<MovieVariables> ListFeeder::SinglePost(int index) {
    std::lock_guard lock(mutex_);
    std::vector<MovieVariables> posts;
    if (index < 0)
        return posts;
    if (!FeedPending()) {
        posts.push_back(item_(index));
        return posts;
    }
    // Under the lock the feed cannot move on, so every item is handed over exactly once, and
    // in list order.
    for (; next_ <= index; ++next_)
        posts.push_back(item_(next_));
    return posts;
}

int ListFeeder::MovieRowCount() const {
    std::lock_guard lock(mutex_);
    return next_;
}

bool ListFeeder::ItemRemoved(int index) {
    std::lock_guard lock(mutex_);
    if (!FeedPending())
        return index >= 0;
    if (index < 0 || index >= next_)
        return false;
    --next_;
    return true;
}

void ListFeeder::ItemsCleared() {
    std::lock_guard lock(mutex_);
    if (FeedPending())
        next_ = 0;
}

bool ListFeeder::FeedPending() const {
    return state_ == State::NotStarted || state_ == State::Running;
}

void ListFeeder::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(
            lock, [this] { return stop_ || platform::EqualsIgnoreAsciiCase(flag_, kNoOperation); });
        if (stop_) {
            state_ = State::Stopped;
            return;
        }
        // The count is compared under this lock, so an item appended before its single post is
        // either fed here or handed over by that single post, never both and never neither.
        if (next_ >= count_()) {
            state_ = State::Finished;
            return;
        }
        MovieVariables variables = item_(next_);
        flag_ = kAddOperation;
        ++next_;
        // Handing over only queues the variables for the movie's thread, so holding the lock here
        // cannot block that thread for long.
        post_(std::move(variables));
    }
}

} // namespace hookwise::core
