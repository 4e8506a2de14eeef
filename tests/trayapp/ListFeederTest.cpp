// The list feeders: the handshake with a movie that answers (or never does), list order, items
// appended while feeding, the single posts' share of the work, and a clean stop.
#include "app/lists/ListFeeder.h"
#include "app/lists/ListNames.h"
#include "app/lists/MailSafeList.h"
#include "app/lists/MovieListProtocol.h"

#include "TraySandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The list the feeder reads and the "movie" its posts reach: posts are queued, and the test's
// movie takes them one at a time, answering the handshake when told to.
class FeederBench {
public:
    FeederBench()
        : feeder_([this] { return Count(); },
                  [this](int i) {
                      return MovieVariables{{"item", Item(i)}, {"op", kAddOperation}};
                  },
                  [this](MovieVariables v) {
                      std::lock_guard lock(mutex_);
                      queue_.push_back(std::move(v));
                      arrived_.notify_all();
                  }) {}

    void Add(const std::string& item) {
        std::lock_guard lock(listMutex_);
        items_.push_back(item);
    }
    int Count() {
        std::lock_guard lock(listMutex_);
        return static_cast<int>(items_.size());
    }
    std::string Item(int i) {
        std::lock_guard lock(listMutex_);
        return items_.at(static_cast<std::size_t>(i));
    }

    // Waits for the next post; "" when none came in time.
    std::string TakePost(std::chrono::milliseconds wait = 2000ms) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, wait, [this] { return !queue_.empty(); }))
            return {};
        MovieVariables post = queue_.front();
        queue_.pop_front();
        return post.at(0).value;
    }
    // The movie took the item: it answers the handshake.
    void Answer() { feeder_.SetOperationFlag(kNoOperation); }

    // Takes and answers every post until the feeder ends.
    std::vector<std::string> TakeAll() {
        std::vector<std::string> taken;
        for (;;) {
            std::string item = TakePost(200ms);
            if (item.empty()) {
                if (feeder_.GetState() != ListFeeder::State::Running)
                    return taken;
                continue;
            }
            taken.push_back(item);
            Answer();
        }
    }

    ListFeeder feeder_;

private:
    std::mutex listMutex_;
    std::vector<std::string> items_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<MovieVariables> queue_;
};

bool WaitForState(ListFeeder& feeder, ListFeeder::State state) {
    for (int i = 0; i < 400 && feeder.GetState() != state; ++i)
        std::this_thread::sleep_for(5ms);
    return feeder.GetState() == state;
}

TEST(ListFeeder, EmptyListEndsAtOnceAndLeavesTheFlag) {
    FeederBench bench;
    bench.feeder_.Start();
    EXPECT_TRUE(WaitForState(bench.feeder_, ListFeeder::State::Finished));
    EXPECT_EQ(bench.feeder_.OperationFlag(), "NoOperation");
    EXPECT_TRUE(bench.TakePost(50ms).empty());
}

TEST(ListFeeder, OneItemPerHandshakeInListOrder) {
    FeederBench bench;
    for (int i = 0; i < 50; ++i)
        bench.Add("item" + std::to_string(i));
    bench.feeder_.Start();

    EXPECT_EQ(bench.TakePost(), "item0");
    EXPECT_EQ(bench.feeder_.OperationFlag(), "Add");
    // Without the movie's answer the next item never comes.
    EXPECT_TRUE(bench.TakePost(100ms).empty());
    bench.Answer();
    EXPECT_EQ(bench.TakePost(), "item1");
    bench.Answer();

    std::vector<std::string> rest = bench.TakeAll();
    ASSERT_EQ(rest.size(), 48u);
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(rest[static_cast<std::size_t>(i)], "item" + std::to_string(i + 2));
    EXPECT_EQ(bench.feeder_.GetState(), ListFeeder::State::Finished);
}

TEST(ListFeeder, AnswerInAnyCaseCounts) {
    FeederBench bench;
    bench.Add("a");
    bench.Add("b");
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "a");
    bench.feeder_.SetOperationFlag("NOOPERATION");
    EXPECT_EQ(bench.TakePost(), "b");
}

TEST(ListFeeder, ItemsAppendedWhileFeedingAreFedNotPostedTwice) {
    FeederBench bench;
    bench.Add("a");
    bench.Add("b");
    EXPECT_TRUE(bench.feeder_.WillFeed(0)); // not started: everything is the feeder's
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "a");
    EXPECT_FALSE(bench.feeder_.WillFeed(0)); // already in the movie
    bench.Add("c");
    EXPECT_TRUE(bench.feeder_.WillFeed(2)); // the single post leaves it to the feeder
    bench.Answer();
    EXPECT_EQ(bench.TakeAll(), (std::vector<std::string>{"b", "c"}));
    EXPECT_FALSE(bench.feeder_.WillFeed(3)); // finished: single posts go straight to the movie
}

TEST(ListFeeder, StopsCleanlyWhileTheMovieNeverAnswers) {
    FeederBench bench;
    for (int i = 0; i < 5; ++i)
        bench.Add("x");
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "x");
    const auto started = std::chrono::steady_clock::now();
    bench.feeder_.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_EQ(bench.feeder_.GetState(), ListFeeder::State::Stopped);
    bench.Answer();
    EXPECT_TRUE(bench.TakePost(50ms).empty());
}

TEST(ListFeeder, StoppedBeforeTheTimerNeverStarts) {
    FeederBench bench;
    bench.Add("x");
    bench.feeder_.Stop();
    bench.feeder_.Start();
    EXPECT_EQ(bench.feeder_.GetState(), ListFeeder::State::Stopped);
    EXPECT_TRUE(bench.TakePost(50ms).empty());
}

TEST(ListFeeder, RemovedRowsKeepTheFeedInStep) {
    FeederBench bench;
    bench.Add("a");
    bench.Add("b");
    bench.Add("c");
    EXPECT_FALSE(bench.feeder_.ItemRemoved(0)); // nothing in the movie yet
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "a");
    EXPECT_EQ(bench.feeder_.MovieRowCount(), 1);
    EXPECT_FALSE(bench.feeder_.ItemRemoved(2)); // not fed yet
    EXPECT_TRUE(bench.feeder_.ItemRemoved(0));  // the movie drops its row
    EXPECT_EQ(bench.feeder_.MovieRowCount(), 0);
}

// ---- with the real list: its lock and the feeder's together ----

TEST(ListFeeder, FeedsAMailListWhileDetectionsAppend) {
    traytest::TrayFolder folder;
    MailSafeList list;
    for (int i = 0; i < 200; ++i) {
        MailSafeItem item;
        item.Type = "From";
        item.StrictedData = "sender" + std::to_string(i) + "@example.test";
        list.Append(item);
    }
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MovieVariables> posts;
    ListFeeder feeder([&] { return list.Count(); },
                      [&](int i) { return MailItemVariables(list.ItemAt(i)); },
                      [&](MovieVariables v) {
                          std::lock_guard lock(mutex);
                          posts.push_back(std::move(v));
                          arrived.notify_all();
                      });
    feeder.Start();

    std::vector<std::string> movieRows;
    int appended = 0;
    for (;;) {
        std::unique_lock lock(mutex);
        if (!arrived.wait_for(lock, 200ms, [&] { return !posts.empty(); })) {
            if (feeder.GetState() != ListFeeder::State::Running)
                break;
            continue;
        }
        MovieVariables post = posts.front();
        posts.pop_front();
        lock.unlock();
        ASSERT_EQ(post.back().name, "_root.strScamMailOperation");
        movieRows.push_back(post[1].value);
        // A detection appends now and then; its single post is left to the feeder.
        if (appended < 20 && movieRows.size() % 10 == 0) {
            MailSafeItem item;
            item.Type = "Subject";
            item.StrictedData = "late" + std::to_string(appended++);
            const int index = list.Append(item);
            EXPECT_TRUE(feeder.WillFeed(index));
        }
        feeder.SetOperationFlag(kNoOperation);
    }
    ASSERT_EQ(static_cast<int>(movieRows.size()), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(movieRows[static_cast<std::size_t>(i)], list.ItemAt(i).StrictedData);
}

} // namespace
