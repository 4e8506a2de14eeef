// The receiver under bad and busy senders: malformed frames, dying senders, many at once, nested
// handling inside a handler's own event loop.
#include "platform/ChannelReceiver.h"
#include "platform/ChannelSender.h"
#include "platform/Window.h"
#include "tests/platform/channel/RawSender.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hookwise::platform;

using channeltest::Frame;
using channeltest::PumpOnce;
using channeltest::RawSender;
using channeltest::ReceiverLoop;
using channeltest::TempFolder;

namespace {

// Answers 1 for code 1125, 0 for any other code, as the tray program's handler window does, and
// counts the messages it saw.
class RobustnessFixture : public testing::Test {
protected:
    RobustnessFixture()
        : path_(folder_.Path() + "/channel"),
          receiver_([this](std::uint32_t code, const std::uint8_t*, std::uint32_t size) {
              handled_++;
              lastSize_ = size;
              return code == 1125 ? 1 : 0;
          }),
          loop_(receiver_) {
        EXPECT_EQ(receiver_.ListenAt(path_), ERROR_SUCCESS);
        loop_.Start();
    }

    // The proof that the receiver is still healthy: a good report gets the right answer.
    void ExpectNextGoodReportAnswered() {
        std::uint8_t record[1681] = {};
        EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, record, sizeof record), 1);
        EXPECT_EQ(lastSize_.load(), 1681u);
    }

    TempFolder folder_;
    std::string path_;
    std::atomic<int> handled_{0};
    std::atomic<std::uint32_t> lastSize_{0};
    ChannelReceiver receiver_;
    ReceiverLoop loop_;
};

struct BadFrameRow {
    const char* name;
    std::vector<std::uint8_t> bytes; // sent, then the sender closes its end for writing
    bool answered;                   // whether an answer comes back before the close
    std::int32_t answer;
};

void PrintTo(const BadFrameRow& row, std::ostream* os) {
    *os << row.name;
}

const BadFrameRow kBadFrameRows[] = {
    {"ThreeBytesOfHeader", {0x65, 0x04, 0x00}, false, 0},
    {"HeaderWithoutBody", Frame(1125, 1681, 0), false, 0},
    {"BodyCutShort", Frame(1125, 1681, 1000), false, 0},
    {"OverLongAnnouncement", Frame(1125, kMaxCopyDataBytes + 1, 16), false, 0},
    {"HugeAnnouncement", Frame(1125, 0xFFFFFFFFu, 0), false, 0},
    {"WrongCodeGetsTheHandlersAnswer", Frame(1128, 1681, 1681), true, 0},
    {"ShortRecordIsStillDelivered", Frame(1125, 5, 5), true, 1},
};

class BadFrames : public RobustnessFixture, public testing::WithParamInterface<BadFrameRow> {};

TEST_P(BadFrames, AreDroppedOrAnsweredAndTheReceiverCarriesOn) {
    const BadFrameRow& row = GetParam();
    RawSender bad(path_);
    ASSERT_TRUE(bad.Connected());
    bad.Send(row.bytes);
    std::optional<std::int32_t> answer;
    if (row.answered) {
        answer = bad.Answer();
    } else {
        bad.Close();
    }

    if (row.answered) {
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(*answer, row.answer);
    }
    ExpectNextGoodReportAnswered();
    EXPECT_EQ(handled_.load(), row.answered ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(Frames, BadFrames, testing::ValuesIn(kBadFrameRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RobustnessFixture, OverLongAnnouncementClosesThatConnectionOnly) {
    RawSender bad(path_);
    bad.Send(Frame(1125, kMaxCopyDataBytes + 1, 0));

    EXPECT_FALSE(bad.Answer().has_value()) << "the receiver closes instead of answering";
    ExpectNextGoodReportAnswered();
}

TEST_F(RobustnessFixture, StalledPartialFrameDoesNotHoldUpOthers) {
    RawSender stalled(path_);
    stalled.Send(Frame(1125, 1681, 100));

    ExpectNextGoodReportAnswered();
    ExpectNextGoodReportAnswered();
    EXPECT_EQ(handled_.load(), 2);
}

TEST_F(RobustnessFixture, SenderThatDiesMidMessageIsForgotten) {
    pid_t child = fork();
    if (child == 0) {
        // Half a record, then the process ends without closing anything itself.
        RawSender dying(path_);
        std::vector<std::uint8_t> half = Frame(1125, 1681, 800);
        _exit(dying.TrySend(half) == static_cast<ssize_t>(half.size()) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child sent its half record";

    ExpectNextGoodReportAnswered();
    // Give the loop a moment to see every hang-up, then nothing of the dead sender is left.
    testsupport::WaitUntil([&] { return receiver_.ConnectionCount() == 0; });
    EXPECT_EQ(receiver_.ConnectionCount(), 0u);
}

TEST_F(RobustnessFixture, PipelinedMessagesAreAnsweredInOrder) {
    RawSender sender(path_);
    std::vector<std::uint8_t> both = Frame(1125, 4, 4);
    std::vector<std::uint8_t> second = Frame(1126, 2, 2);
    both.insert(both.end(), second.begin(), second.end());
    sender.Send(both);

    EXPECT_EQ(sender.Answer(), std::optional<std::int32_t>(1));
    EXPECT_EQ(sender.Answer(), std::optional<std::int32_t>(0));
}

TEST(ChannelConcurrency, FiftySendersAtOnceEachGetTheirOwnAnswer) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    // The answer is derived from the payload, so a mixed-up connection shows as a wrong answer.
    ChannelReceiver receiver([](std::uint32_t code, const std::uint8_t* data, std::uint32_t size) {
        std::int32_t sum = static_cast<std::int32_t>(code);
        for (std::uint32_t i = 0; i < size; ++i)
            sum += data[i];
        return sum;
    });
    ASSERT_EQ(receiver.ListenAt(path), ERROR_SUCCESS);
    ReceiverLoop loop(receiver);
    loop.Start();

    constexpr int kSenders = 50;
    std::vector<std::int64_t> answers(kSenders, -1), expected(kSenders, 0);
    std::vector<std::thread> threads;
    std::atomic<bool> go{false};
    for (int i = 0; i < kSenders; ++i) {
        std::vector<std::uint8_t> payload(100 + i * 37, static_cast<std::uint8_t>(i));
        expected[i] = 2000 + i + static_cast<std::int64_t>(payload.size()) * i;
        threads.emplace_back([&, i, payload] {
            while (!go)
                std::this_thread::yield();
            answers[i] = SendChannelMessage(path.c_str(), 2000 + i, payload.data(),
                                            static_cast<DWORD>(payload.size()));
        });
    }
    // A few bad senders in the crowd.
    RawSender cut(path), huge(path);
    go = true;
    cut.Send(Frame(1125, 1681, 10));
    cut.Close();
    huge.Send(Frame(1125, 0x7FFFFFFF, 0));
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(answers, expected);
    EXPECT_EQ(SendChannelMessage(path.c_str(), 1, "\x05", 1), 6);
}

// The handler of the first report runs a nested event loop, as a modal alert does; a second
// report arrives meanwhile and must be handled to its end inside that loop.
TEST(ChannelReentrancy, ReportArrivingDuringAHandlerIsHandledInsideItsNestedLoop) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    ChannelReceiver* self = nullptr;
    std::mutex orderMutex;
    std::vector<std::string> order;
    auto note = [&](const std::string& event) {
        std::lock_guard<std::mutex> lock(orderMutex);
        order.push_back(event);
    };
    std::atomic<bool> nestedDone{false};
    std::atomic<bool> outerStarted{false};
    std::vector<int> descriptorsDuringOuter;
    int outerDescriptorCount = 0;
    ChannelReceiver receiver([&](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
        if (code == 1) {
            note("outer begins");
            outerStarted = true;
            descriptorsDuringOuter = self->Descriptors();
            outerDescriptorCount = static_cast<int>(self->ConnectionCount());
            // The modal loop: pump until the nested report has been handled.
            for (int i = 0; i < 1000 && !nestedDone; ++i)
                PumpOnce(*self, 10);
            note("outer ends");
            return 11;
        }
        note("nested handled");
        nestedDone = true;
        return 22;
    });
    self = &receiver;
    ASSERT_EQ(receiver.ListenAt(path), ERROR_SUCCESS);
    ReceiverLoop loop(receiver);
    loop.Start();

    LRESULT outer = 0, nested = 0;
    std::thread first([&] { outer = SendChannelMessage(path.c_str(), 1, "a", 1); });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return outerStarted.load(); }));
    std::thread second([&] { nested = SendChannelMessage(path.c_str(), 2, "b", 1); });
    second.join();
    first.join();

    EXPECT_EQ(outer, 11);
    EXPECT_EQ(nested, 22);
    EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "nested handled", "outer ends"}));
    EXPECT_EQ(descriptorsDuringOuter.size(), 1u)
        << "only the listening socket is watched while the only connection is being handled";
    EXPECT_EQ(outerDescriptorCount, 1);
}

// Deeper: the nested handler itself opens a loop, a third report arrives, and the middle sender
// hangs up while it waits; the outer reports still finish and the state stays sound.
TEST(ChannelReentrancy, ThreeLevelsWithASenderThatLeavesWhileWaiting) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    ChannelReceiver* self = nullptr;
    std::atomic<int> depth{0};
    std::atomic<bool> level2Waiting{false};
    std::atomic<bool> level3Done{false};
    std::atomic<bool> level2Done{false};
    ChannelReceiver receiver([&](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
        depth++;
        if (code == 1) {
            for (int i = 0; i < 2000 && !level2Done; ++i)
                PumpOnce(*self, 5);
        } else if (code == 2) {
            level2Waiting = true;
            for (int i = 0; i < 2000 && !level3Done; ++i)
                PumpOnce(*self, 5);
            level2Done = true;
        } else {
            level3Done = true;
        }
        depth--;
        return static_cast<std::int32_t>(code * 10);
    });
    self = &receiver;
    ASSERT_EQ(receiver.ListenAt(path), ERROR_SUCCESS);
    ReceiverLoop loop(receiver);
    loop.Start();

    LRESULT first = 0, third = 0;
    std::thread t1([&] { first = SendChannelMessage(path.c_str(), 1, nullptr, 0); });
    RawSender leaving(path);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return depth >= 1; }));
    leaving.Send(Frame(2, 0, 0));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return level2Waiting.load(); }));
    leaving.Close(); // its answer will find nobody
    std::thread t3([&] { third = SendChannelMessage(path.c_str(), 3, nullptr, 0); });
    t3.join();
    t1.join();

    EXPECT_EQ(first, 10);
    EXPECT_EQ(third, 30);
    EXPECT_EQ(SendChannelMessage(path.c_str(), 4, nullptr, 0), 40);
}

TEST(ChannelWatchList, OwnerIsToldWhatToWatchAsConnectionsComeAndGo) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    std::vector<std::pair<int, bool>> events;
    int listenFd = -1;
    ChannelReceiver receiver([](std::uint32_t, const std::uint8_t*, std::uint32_t) { return 1; });
    receiver.SetWatchCallback([&](int fd, bool watch) { events.emplace_back(fd, watch); });
    ASSERT_EQ(receiver.ListenAt(path), ERROR_SUCCESS);
    ASSERT_EQ(events.size(), 1u);
    listenFd = events[0].first;
    EXPECT_TRUE(events[0].second);

    // One sender on a thread; this thread pumps until it has its answer and has hung up.
    std::atomic<bool> done{false};
    std::thread sender([&] {
        SendChannelMessage(path.c_str(), 1125, nullptr, 0);
        done = true;
    });
    while (!done)
        PumpOnce(receiver, 10);
    sender.join();
    for (int i = 0; i < 50 && receiver.ConnectionCount() != 0; ++i)
        PumpOnce(receiver, 10);
    receiver.Close();

    ASSERT_EQ(events.size(), 6u);
    int connection = events[1].first;
    EXPECT_NE(connection, listenFd);
    std::vector<std::pair<int, bool>> expected = {{listenFd, true},    {connection, true},
                                                  {connection, false}, {connection, true},
                                                  {connection, false}, {listenFd, false}};
    EXPECT_EQ(events, expected);
}

} // namespace
