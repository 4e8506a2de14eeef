// The detection channel end to end: sender and receiver, answers, refusals, listening rules.
#include "platform/ChannelReceiver.h"
#include "platform/ChannelSender.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hookwise::platform;

using channeltest::ReceiverLoop;
using channeltest::TempFolder;

namespace {

struct Received {
    std::uint32_t code = 0;
    std::vector<std::uint8_t> bytes;
};

// A receiver at a private path whose handler records every message and answers `answer`.
class ChannelFixture : public testing::Test {
protected:
    ChannelFixture()
        : path_(folder_.Path() + "/Baitguard Server Handler"),
          receiver_([this](std::uint32_t code, const std::uint8_t* data, std::uint32_t size) {
              std::lock_guard<std::mutex> lock(mutex_);
              received_.push_back({code, std::vector<std::uint8_t>(data, data + size)});
              return answer_.load();
          }),
          loop_(receiver_) {}

    void StartReceiver() {
        ASSERT_EQ(receiver_.ListenAt(path_), ERROR_SUCCESS);
        loop_.Start();
    }
    std::vector<Received> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

    TempFolder folder_;
    std::string path_;
    std::atomic<std::int32_t> answer_{1};
    std::mutex mutex_;
    std::vector<Received> received_;
    ChannelReceiver receiver_;
    ReceiverLoop loop_;
};

struct RoundTripRow {
    const char* name;
    std::uint32_t code;
    std::uint32_t size;
    std::int32_t answer;
};

void PrintTo(const RoundTripRow& row, std::ostream* os) {
    *os << row.name;
}

const RoundTripRow kRoundTripRows[] = {
    {"EmptyMessageAllowed", 1125, 0, 1}, {"OneByteBlocked", 1126, 1, 0},
    {"FullRecord", 1127, 1681, 1},       {"LargestMessage", 7, kMaxCopyDataBytes, 2},
    {"NegativeAnswer", 1125, 16, -1},    {"SmallestAnswer", 0x7FFFFFFFu, 3, INT32_MIN},
};

class ChannelRoundTrip : public ChannelFixture, public testing::WithParamInterface<RoundTripRow> {};

TEST_P(ChannelRoundTrip, DeliversCodeAndBytesAndReturnsTheAnswer) {
    const RoundTripRow& row = GetParam();
    StartReceiver();
    answer_ = row.answer;
    std::vector<std::uint8_t> payload(row.size);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i * 7 + 3);

    LRESULT result = SendChannelMessage(path_.c_str(), row.code, payload.data(), row.size);

    EXPECT_EQ(result, row.answer);
    auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, row.code);
    EXPECT_EQ(messages[0].bytes, payload);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChannelRoundTrip, testing::ValuesIn(kRoundTripRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChannelFixture, EveryRefusalGivesZeroWithoutReachingTheHandler) {
    StartReceiver();
    std::uint8_t byte = 1;
    std::vector<std::uint8_t> tooLarge(kMaxCopyDataBytes + 1);
    std::string tooLong = folder_.Path() + "/" + std::string(200, 'x');

    EXPECT_EQ(SendChannelMessage(nullptr, 1125, &byte, 1), 0);
    EXPECT_EQ(SendChannelMessage("", 1125, &byte, 1), 0);
    EXPECT_EQ(SendChannelMessage(tooLong.c_str(), 1125, &byte, 1), 0);
    EXPECT_EQ(SendChannelMessage((folder_.Path() + "/nobody").c_str(), 1125, &byte, 1), 0);
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, tooLarge.data(), kMaxCopyDataBytes + 1), 0);
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, nullptr, 4), 0);
    EXPECT_EQ(SendCopyData(nullptr, 1125, &byte, 1), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ChannelFixture, StaleSocketFileRefusesAndIsReplacedByTheNextReceiver) {
    // A socket bound and closed without unlinking: what a crashed receiver leaves behind.
    int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path_.c_str());
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(stale);
    std::uint8_t byte = 1;
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, &byte, 1), 0);

    StartReceiver();
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, &byte, 1), 1);
}

TEST_F(ChannelFixture, SecondReceiverIsRefusedAndTheFirstKeepsAnswering) {
    StartReceiver();
    ChannelReceiver second([](std::uint32_t, const std::uint8_t*, std::uint32_t) { return 5; });

    EXPECT_EQ(second.ListenAt(path_), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(second.IsListening());
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, nullptr, 0), 1);
}

TEST_F(ChannelFixture, ListenRefusesOddPaths) {
    ChannelReceiver receiver([](std::uint32_t, const std::uint8_t*, std::uint32_t) { return 1; });
    std::string regular = folder_.Path() + "/plain";
    std::ofstream(regular) << "x";

    EXPECT_EQ(receiver.ListenAt(regular), ERROR_FILE_EXISTS);
    EXPECT_EQ(receiver.ListenAt(folder_.Path() + "/" + std::string(200, 'y')),
              ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(receiver.ListenAt(folder_.Path() + "/missing/sock"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(receiver.Listen(nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(receiver.IsListening());
    struct stat st {};
    EXPECT_EQ(stat(regular.c_str(), &st), 0) << "a file that is not a socket is never removed";
}

TEST_F(ChannelFixture, CloseRemovesTheSocketAndSendersGetZero) {
    StartReceiver();
    loop_.Stop();
    receiver_.Close();
    struct stat st {};

    EXPECT_NE(lstat(path_.c_str(), &st), 0);
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, nullptr, 0), 0);
    EXPECT_EQ(receiver_.ListenAt(path_), ERROR_SUCCESS) << "a closed receiver can listen again";
}

TEST_F(ChannelFixture, ReceiverClosingInsideTheHandlerGivesTheSenderZero) {
    ChannelReceiver* self = nullptr;
    ChannelReceiver closing([&](std::uint32_t, const std::uint8_t*, std::uint32_t) {
        self->Close();
        return 1;
    });
    self = &closing;
    ASSERT_EQ(closing.ListenAt(path_), ERROR_SUCCESS);
    ReceiverLoop loop(closing);
    loop.Start();

    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, nullptr, 0), 0);
    loop.Stop();
    EXPECT_EQ(closing.ConnectionCount(), 0u);
}

// A sender that ends while its report is handled (a nested loop keeps the receiver going) is
// told to the hang-up callback under the report's number, gets no answer, and its connection
// goes; the receiver keeps serving the next sender.
TEST_F(ChannelFixture, SenderEndingWhileItsReportIsHandledIsToldWithItsNumber) {
    std::vector<int> watched;
    std::vector<std::uint64_t> gone;
    std::vector<std::uint64_t> handled;
    ChannelReceiver* self = nullptr;
    auto drive = [&](const std::function<bool()>& until) {
        for (int i = 0; i < 3000 && !until(); ++i) {
            for (int fd : std::vector<int>(watched)) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 0) > 0)
                    self->ProcessReadable(fd);
            }
            usleep(1000);
        }
    };
    ChannelReceiver receiver([&](std::uint32_t, const std::uint8_t*, std::uint32_t) {
        handled.push_back(self->CurrentReport());
        if (handled.size() == 1)
            drive([&] { return !gone.empty(); }); // the handler's own loop, as a popup's
        return 1;
    });
    self = &receiver;
    receiver.SetWatchCallback([&](int fd, bool watch) {
        auto at = std::find(watched.begin(), watched.end(), fd);
        if (watch && at == watched.end())
            watched.push_back(fd);
        if (!watch && at != watched.end())
            watched.erase(at);
    });
    receiver.SetHangUpCallback([&](std::uint64_t report) { gone.push_back(report); });
    ASSERT_EQ(receiver.ListenAt(path_), ERROR_SUCCESS);
    EXPECT_EQ(receiver.CurrentReport(), 0u);

    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::uint8_t frame[12] = {0x66, 0x04, 0, 0, 4, 0, 0, 0, 1, 2, 3, 4}; // 1126, 4 bytes
    ASSERT_EQ(send(fd, frame, sizeof frame, MSG_NOSIGNAL), 12);
    close(fd);
    drive([&] { return !handled.empty() && receiver.ConnectionCount() == 0; });

    ASSERT_EQ(handled.size(), 1u);
    EXPECT_NE(handled[0], 0u);
    EXPECT_EQ(gone, std::vector<std::uint64_t>{handled[0]});
    EXPECT_EQ(receiver.ConnectionCount(), 0u);
    EXPECT_EQ(receiver.CurrentReport(), 0u);

    std::int32_t answer = -1;
    std::thread sender([&] { answer = SendChannelMessage(path_.c_str(), 1125, nullptr, 0); });
    drive([&] { return handled.size() == 2 && receiver.ConnectionCount() == 0; });
    sender.join();
    EXPECT_EQ(answer, 1);
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_GT(handled[1], handled[0]);
    EXPECT_EQ(gone.size(), 1u);
}

TEST_F(ChannelFixture, ListenByCaptionUsesTheRuntimeFolder) {
    setenv("XDG_RUNTIME_DIR", folder_.Path().c_str(), 1);
    ChannelReceiver receiver([](std::uint32_t, const std::uint8_t*, std::uint32_t) { return 9; });
    ASSERT_EQ(receiver.Listen("Baitguard Server Handler"), ERROR_SUCCESS);
    ReceiverLoop loop(receiver);
    loop.Start();
    struct stat folder {};

    EXPECT_EQ(receiver.Path(), ChannelPath("Baitguard Server Handler"));
    ASSERT_EQ(stat(RuntimeFolder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    HWND window = FindWindowA(nullptr, "Baitguard Server Handler");
    ASSERT_NE(window, nullptr);
    std::uint8_t record[1681] = {};
    EXPECT_EQ(SendCopyData(window, 1125, record, sizeof record), 9);
}

TEST_F(ChannelFixture, SenderKeepsErrnoAndSurvivesAReceiverThatHangsUp) {
    // A listener that accepts and closes without reading: writing the body must not raise
    // SIGPIPE (which would end this test program) and the answer is 0.
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path_.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    std::thread hangUp([&] {
        int fd = accept(listener, nullptr, nullptr);
        close(fd);
    });
    std::vector<std::uint8_t> big(kMaxCopyDataBytes, 0x41);
    signal(SIGPIPE, SIG_DFL);

    errno = 1234;
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, big.data(), kMaxCopyDataBytes), 0);
    EXPECT_EQ(errno, 1234);
    hangUp.join();
    close(listener);
}

void IgnoreSignal(int) {}

TEST_F(ChannelFixture, SenderWaitsThroughInterruptingSignals) {
    // The handler answers only once signals without SA_RESTART have hit the waiting sender.
    std::atomic<bool> inHandler{false};
    std::atomic<bool> signalsSent{false};
    ChannelReceiver slow([&](std::uint32_t, const std::uint8_t*, std::uint32_t) {
        inHandler = true;
        testsupport::WaitUntil([&] { return signalsSent.load(); });
        return 3;
    });
    ASSERT_EQ(slow.ListenAt(path_), ERROR_SUCCESS);
    ReceiverLoop loop(slow);
    loop.Start();
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    sigaction(SIGUSR1, &action, nullptr);

    LRESULT result = -7;
    std::thread sender([&] { result = SendChannelMessage(path_.c_str(), 1126, "abc", 3); });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return inHandler.load(); }));
    for (int i = 0; i < 5; ++i) {
        pthread_kill(sender.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    signalsSent = true;
    sender.join();
    EXPECT_EQ(result, 3);
}

TEST_F(ChannelFixture, ForeignUserIsClosedWithoutAnAnswer) {
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to run a peer under another user id";
    // A folder anyone may enter, so the other user reaches the socket and only the peer check
    // stands between it and the handler.
    chmod(folder_.Path().c_str(), 0755);
    StartReceiver();
    chmod(path_.c_str(), 0666);
    pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(SendChannelMessage(path_.c_str(), 1125, nullptr, 0) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(SendChannelMessage(path_.c_str(), 1125, nullptr, 0), 1);
}

} // namespace
