// ListFeeder: the worker that streams one stored list (mail list, site list or alert log) into the
// main movie after start-up, one item per handshake, and the list's operation flag.
//
// The handshake: the feeder waits until the flag reads "NoOperation" (ignoring case), sets it to
// "Add" and hands item i's variables to the movie's thread; the movie takes the item and answers
// with the list's "..._NoOperation" command, which sets the flag back; then comes item i + 1. The
// feeder compares with the list's current count at every step, so items appended while it runs
// are fed in list order too.
//
// The movie's rows must keep the list's indexes (update posts and row commands address rows by
// index), and a new item must reach the movie at once, even while the feeder waits for a movie
// that is slow to answer or never does. So a single post takes over from the feed: SinglePost
// hands the movie, at once and in list order, every item the feed has not reached yet up to the
// new one; the feed then goes on after them (and ends, as nothing is left).
//
// The feeder never touches the movie itself: post hands the variables to the movie's thread
// without waiting for it, and the feeder is stopped by a flag (never killed). Qt-free.
#pragma once

#include "core/lists/MovieListProtocol.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hookwise::core {

class ListFeeder {
public:
    using CountFunction = std::function<int()>;
    // The variables of item index, read as one copy ("Add" last).
    using ItemFunction = std::function<MovieVariables(int index)>;
    // Hands variables to the movie's thread; must not wait for that thread.
    using PostFunction = std::function<void(MovieVariables variables)>;

    enum class State { NotStarted, Running, Finished, Stopped };

    ListFeeder(CountFunction count, ItemFunction item, PostFunction post);
    // Stops and joins the worker.
    ~ListFeeder();
    ListFeeder(const ListFeeder&) = delete;
    ListFeeder& operator=(const ListFeeder&) = delete;

    // Starts the worker once; later calls (and calls after Stop) do nothing.
    void Start();
    // Sets the stop flag, wakes the worker and waits for it to end. A feeder stopped before it
    // started never starts. Must not be called from the post function.
    void Stop();
    State GetState() const;

    // The operation flag ("NoOperation" at construction). The movie's answer sets "NoOperation".
    std::string OperationFlag() const;
    void SetOperationFlag(const std::string& value);

    // Whether the feeder will still hand item index to the movie itself: true before the feed
    // started and, while it runs, for every index it has not reached.
    bool WillFeed(int index) const;
    // The variables a single post of item index hands to the movie now, in list order. Before
    // the feed ended: every item from the first the movie does not hold yet up to index (none
    // when it holds index already), which the feed then counts as fed. Once it ended: item index
    // alone. Neither waits for nor changes the operation flag.
    std::vector<MovieVariables> SinglePost(int index);
    // The items the movie holds now in list order: 0 .. MovieRowCount()-1 (valid until the feed
    // ends).
    int MovieRowCount() const;

    // An item left the list at index. Returns whether the movie holds a row for it (the caller
    // then tells the movie); a running feed then continues one index lower.
    bool ItemRemoved(int index);
    // Every item left the list. The movie's rows go; a running feed starts again from index 0.
    void ItemsCleared();

private:
    void Run();
    // The feed has not ended: not started yet, or running (mutex_ held).
    bool FeedPending() const;

    CountFunction count_;
    ItemFunction item_;
    PostFunction post_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::string flag_;
    State state_ = State::NotStarted;
    bool stop_ = false;
    int next_ = 0; // the next index to feed; the movie holds rows 0 .. next_-1
    std::thread thread_;
};

} // namespace hookwise::core
