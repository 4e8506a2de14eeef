// Round trip of one detection report over the channel (connect, send the 1681-byte record, the
// receiver's automatic answer, the reply), with 1 and 8 concurrent senders, against a baseline of
// the same bytes bounced over an already connected socket pair.
//
// Prints median and 99th percentile in microseconds over 10,000 reports per configuration, and
// the ratio of each to the baseline's median.
#include "engine/DetectionRecord.h"
#include "platform/ChannelReceiver.h"
#include "platform/ChannelSender.h"
#include "tests/platform/channel/ReceiverLoop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace {

constexpr int kReports = 10000;

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Figures {
    double median;
    double p99;
};

Figures Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100]};
}

// The floor: 1681 bytes out and 4 back over a connected socket pair, echoed by a thread.
Figures Baseline() {
    int pair[2];
    socketpair(AF_UNIX, SOCK_STREAM, 0, pair);
    std::thread echo([fd = pair[1]] {
        std::vector<char> buffer(8 + sizeof(DetectionRecord));
        for (int i = 0; i < kReports; ++i) {
            std::size_t got = 0;
            while (got < buffer.size()) {
                ssize_t n = recv(fd, buffer.data() + got, buffer.size() - got, 0);
                if (n <= 0)
                    return;
                got += static_cast<std::size_t>(n);
            }
            int reply = 1;
            send(fd, &reply, sizeof reply, MSG_NOSIGNAL);
        }
    });
    std::vector<char> frame(8 + sizeof(DetectionRecord), 'x');
    std::vector<double> samples;
    for (int i = 0; i < kReports; ++i) {
        auto start = Clock::now();
        send(pair[0], frame.data(), frame.size(), MSG_NOSIGNAL);
        int reply = 0;
        std::size_t got = 0;
        while (got < sizeof reply) {
            ssize_t n = recv(pair[0], reinterpret_cast<char*>(&reply) + got, sizeof reply - got, 0);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        samples.push_back(Microseconds(Clock::now() - start));
    }
    echo.join();
    close(pair[0]);
    close(pair[1]);
    return Summarise(samples);
}

Figures Channel(const std::string& path, int senders) {
    std::vector<std::vector<double>> perThread(senders);
    std::vector<std::thread> threads;
    for (int t = 0; t < senders; ++t) {
        threads.emplace_back([&, t] {
            DetectionRecord record;
            ClearRecord(record);
            FillSender(record, "/usr/bin/bench");
            FillEndpoint(record, "192.0.2.1", "80");
            record.web.kind = kKindHost;
            for (int i = t; i < kReports; i += senders) {
                auto start = Clock::now();
                LRESULT answer =
                    SendChannelMessage(path.c_str(), kReportHost, &record, sizeof record);
                perThread[t].push_back(Microseconds(Clock::now() - start));
                if (answer != 1)
                    std::abort();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::vector<double> all;
    for (auto& samples : perThread)
        all.insert(all.end(), samples.begin(), samples.end());
    return Summarise(all);
}

} // namespace

int main() {
    char folder[] = "/tmp/hookwise-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string path = std::string(folder) + "/channel";
    ChannelReceiver receiver(
        [](std::uint32_t, const std::uint8_t*, std::uint32_t) -> std::int32_t { return 1; });
    if (receiver.ListenAt(path) != ERROR_SUCCESS)
        return 1;
    channeltest::ReceiverLoop loop(receiver);
    loop.Start();

    Figures base = Baseline();
    Figures one = Channel(path, 1);
    Figures eight = Channel(path, 8);
    loop.Stop();
    receiver.Close();
    rmdir(folder);

    std::printf("report round trip, %d reports each (microseconds)\n", kReports);
    std::printf("  %-34s median %8.1f  p99 %8.1f\n", "baseline: connected socket pair", base.median,
                base.p99);
    std::printf("  %-34s median %8.1f  p99 %8.1f  (median %.1fx baseline)\n", "channel, 1 sender",
                one.median, one.p99, one.median / base.median);
    std::printf("  %-34s median %8.1f  p99 %8.1f  (median %.1fx baseline)\n",
                "channel, 8 concurrent senders", eight.median, eight.p99,
                eight.median / base.median);
    return 0;
}
