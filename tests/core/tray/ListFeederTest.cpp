// The list feeders: the handshake with a movie that answers (or never does), list order, items
// appended while feeding, the single posts taking over what is not fed yet, and a clean stop.
#include "core/lists/ListFeeder.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/MovieListProtocol.h"
#include "tests/support/WaitUntil.h"
#include "TraySandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace hookwise::core;

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
    testsupport::WaitUntil([&] { return feeder.GetState() == state; });
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

// The values a single post hands over, as the test's movie rows.
std::vector<std::string> Values(const std::vector<MovieVariables>& posts) {
    std::vector<std::string> values;
    for (const MovieVariables& post : posts)
        values.push_back(post.at(0).value);
    return values;
}

TEST(ListFeeder, ASinglePostTakesOverTheItemsNotFedYetInListOrder) {
    FeederBench bench;
    for (const char* item : {"a", "b", "c"})
        bench.Add(item);
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "a"); // and the movie never answers

    bench.Add("d");
    EXPECT_EQ(Values(bench.feeder_.SinglePost(3)), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(bench.feeder_.MovieRowCount(), 4);
    EXPECT_EQ(bench.feeder_.OperationFlag(), "Add");  // the single post leaves the flag alone
    EXPECT_TRUE(bench.feeder_.SinglePost(3).empty()); // the movie holds it already
    bench.Add("e");
    EXPECT_EQ(Values(bench.feeder_.SinglePost(4)), std::vector<std::string>{"e"});

    // When the movie answers at last, nothing is left to feed and nothing comes twice.
    bench.Answer();
    EXPECT_TRUE(WaitForState(bench.feeder_, ListFeeder::State::Finished));
    EXPECT_TRUE(bench.TakePost(50ms).empty());
    bench.Add("f");
    EXPECT_EQ(Values(bench.feeder_.SinglePost(5)), std::vector<std::string>{"f"});
}

TEST(ListFeeder, ASinglePostBeforeTheStartLeavesTheRestToTheFeed) {
    FeederBench bench;
    for (const char* item : {"a", "b"})
        bench.Add(item);
    EXPECT_EQ(Values(bench.feeder_.SinglePost(1)), (std::vector<std::string>{"a", "b"}));
    bench.Add("c");
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakeAll(), std::vector<std::string>{"c"});
    EXPECT_EQ(bench.feeder_.GetState(), ListFeeder::State::Finished);
}

TEST(ListFeeder, StopsCleanlyWhileTheMovieNeverAnswers) {
    FeederBench bench;
    for (int i = 0; i < 5; ++i)
        bench.Add("x");
    bench.feeder_.Start();
    EXPECT_EQ(bench.TakePost(), "x");
    // Stop must not wait for the answer that never comes: it returns while the movie is silent.
    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        bench.feeder_.Stop();
        stopped = true;
    });
    EXPECT_TRUE(testsupport::WaitUntil([&] { return stopped.load(); })) << "Stop waited";
    bench.Answer();
    stopper.join();
    EXPECT_EQ(bench.feeder_.GetState(), ListFeeder::State::Stopped);
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
        // A detection appends now and then; its single post takes over the items not fed yet.
        if (appended < 20 && movieRows.size() % 10 == 0) {
            MailSafeItem item;
            item.Type = "Subject";
            item.StrictedData = "late" + std::to_string(appended++);
            const int index = list.Append(item);
            for (const MovieVariables& single : feeder.SinglePost(index))
                movieRows.push_back(single.at(1).value);
        }
        feeder.SetOperationFlag(kNoOperation);
    }
    ASSERT_EQ(static_cast<int>(movieRows.size()), list.Count());
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(movieRows[static_cast<std::size_t>(i)], list.ItemAt(i).StrictedData);
}

} // namespace
