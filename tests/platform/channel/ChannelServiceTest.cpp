// The receiver under peers that misbehave without breaking the frame format: a receiver that is
// stopped, a peer that pipelines reports, peers that connect and stay silent; and the
// acknowledgement that lets a taken report wait as long as its decision takes.
#include "platform/ChannelReceiver.h"
#include "platform/ChannelSender.h"
#include "tests/platform/channel/RawSender.h"
#include "tests/platform/channel/ReceiverLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hookwise::platform;

using channeltest::Frame;
using channeltest::RawSender;
using channeltest::ReceiverLoop;
using channeltest::TempFolder;
using Clock = std::chrono::steady_clock;

namespace {

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A receiver whose handler answers code + 1 after an optional delay; code 7 is "slow".
class ServiceFixture : public testing::Test {
protected:
    ServiceFixture()
        : path_(folder_.Path() + "/channel"),
          receiver_([this](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
              if (code == 7)
                  std::this_thread::sleep_for(std::chrono::milliseconds(slowMs_.load()));
              else if (code == 9)
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              return static_cast<std::int32_t>(code + 1);
          }),
          loop_(receiver_) {
        EXPECT_EQ(receiver_.ListenAt(path_), ERROR_SUCCESS);
    }

    TempFolder folder_;
    std::string path_;
    std::atomic<int> slowMs_{0};
    ChannelReceiver receiver_;
    ReceiverLoop loop_;
};

TEST_F(ServiceFixture, StoppedReceiverGivesNoReceiverWithinTheHandOverLimit) {
    // Listening but never served: the kernel takes the connection and the frame, nobody takes
    // the report, as with a tray program under SIGSTOP.
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, "x", 1), 0);
    long long took = MillisecondsSince(start);
    EXPECT_GE(took, kChannelHandOverMilliseconds - 100);
    EXPECT_LT(took, kChannelHandOverMilliseconds + 800);

    // Once served again, the next sender is answered as usual.
    loop_.Start();
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, "x", 1), 1126);
}

TEST_F(ServiceFixture, ReceiverWithAFullBacklogGivesNoReceiverInTime) {
    // Connections the receiver never accepts fill its backlog; the sender gives up in time.
    for (int i = 0; i < 5000; ++i) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path_.c_str());
        int rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        close(fd);
        if (rc != 0)
            break;
    }
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessageWithin(path_.c_str(), 1125, "x", 1, 300), 0);
    EXPECT_LT(MillisecondsSince(start), 1500);
}

TEST_F(ServiceFixture, TakenReportWaitsAsLongAsTheDecisionTakes) {
    loop_.Start();
    slowMs_ = 900; // far beyond the hand-over limit used here
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessageWithin(path_.c_str(), 7, nullptr, 0, 200), 8);
    EXPECT_GE(MillisecondsSince(start), 850);
}

TEST_F(ServiceFixture, AcknowledgementOnlyForSendersThatAskForIt) {
    loop_.Start();
    // The old exchange: the frame, then the i32 answer and nothing before it.
    RawSender old(path_);
    ASSERT_TRUE(old.Connected());
    old.Send(Frame(1125, 1, 1));
    EXPECT_EQ(old.Answer(), 1126);

    // Asking for it: the four acknowledgement bytes, then the answer, with the flag taken off
    // the code the handler sees.
    RawSender asking(path_);
    ASSERT_TRUE(asking.Connected());
    asking.Send(Frame(1125 | kChannelAckRequested, 1, 1));
    EXPECT_EQ(asking.Answer(), static_cast<std::int32_t>(kChannelAck));
    EXPECT_EQ(asking.Answer(), 1126);

    // The real sender never sends a code that carries the flag itself.
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125 | kChannelAckRequested, "x", 1), 0);
}

TEST_F(ServiceFixture, PipeliningPeerDoesNotHoldUpAnotherSender) {
    loop_.Start();
    // 400 reports of 2 ms each on one connection: served all at once they would keep everybody
    // else waiting for most of a second.
    RawSender flood(path_);
    ASSERT_TRUE(flood.Connected());
    std::vector<std::uint8_t> burst;
    for (int i = 0; i < 400; ++i) {
        auto frame = Frame(9, 0, 0);
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    flood.Send(burst);
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the flood is being served

    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, "x", 1), 1126);
    EXPECT_LT(MillisecondsSince(start), 100);

    // The pipelining peer still gets every answer, in order.
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(flood.Answer(), 10) << "answer " << i;
}

TEST_F(ServiceFixture, SilentConnectionsNeitherLockOthersOutNorStayForEver) {
    receiver_.SetIdleTimeout(1500);
    loop_.Start();
    std::vector<std::unique_ptr<RawSender>> silent;
    for (int i = 0; i < 300; ++i) {
        silent.push_back(std::make_unique<RawSender>(path_));
        ASSERT_TRUE(silent.back()->Connected());
    }
    // More silent peers than there is room for, and still a report gets through at once.
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, "x", 1), 1126);
    EXPECT_LT(MillisecondsSince(start), 500);

    // Those that stay silent are closed after the idle time: each sees its end.
    for (auto& peer : silent)
        EXPECT_EQ(peer->Answer(), std::nullopt);
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1126, "x", 1), 1127);
}

// A tray program that took the report and then stopped (SIGSTOP after the acknowledgement, or
// hung in its handler) falls silent; the sender gives up instead of waiting for ever.
TEST(ChannelKeepAlive, ReceiverSilentAfterTakingTheReportGivesNoReceiver) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    std::thread stopped([listener] {
        int fd = accept(listener, nullptr, nullptr);
        std::uint8_t frame[9];
        ASSERT_EQ(recv(fd, frame, sizeof frame, MSG_WAITALL), 9);
        const std::uint8_t ack[4] = {'H', 'K', 'A', 'K'};
        ASSERT_EQ(send(fd, ack, sizeof ack, MSG_NOSIGNAL), 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // never decides
        close(fd);
    });
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessageWithin(path.c_str(), 1125, "x", 1, 500, 400), 0);
    long long took = MillisecondsSince(start);
    EXPECT_GE(took, 350);
    EXPECT_LT(took, 1400) << "the sender waited for the receiver to close";
    stopped.join();
    close(listener);
}

// A decision that takes longer than the silence limit (a user reading an alert) arrives, because
// the receiver's event loop, running nested inside the handler, keeps telling the sender so.
TEST(ChannelKeepAlive, KeepAlivesCarryALongDecisionPastTheSilenceLimit) {
    TempFolder folder;
    std::string path = folder.Path() + "/channel";
    ChannelReceiver* self = nullptr;
    ChannelReceiver receiver([&self](std::uint32_t code, const std::uint8_t*, std::uint32_t) {
        auto start = Clock::now();
        while (MillisecondsSince(start) < 2600)
            channeltest::PumpOnce(*self, 100);
        return static_cast<std::int32_t>(code + 1);
    });
    self = &receiver;
    ASSERT_EQ(receiver.ListenAt(path), ERROR_SUCCESS);
    ReceiverLoop loop(receiver);
    loop.Start();
    auto start = Clock::now();
    EXPECT_EQ(SendChannelMessageWithin(path.c_str(), 1125, "x", 1, 500, 1500), 1126);
    EXPECT_GE(MillisecondsSince(start), 2500);
}

} // namespace
