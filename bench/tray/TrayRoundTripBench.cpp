// Report round trip through a running HookWs for a remembered item (no popup): the sender's
// connect, the 1681-byte record, the list look-up, the log count, the movie posts and the
// overview refresh, and the reply. Baseline: the same send answered by a bare channel receiver
// in this process.
//
// Prints median and 99th percentile in microseconds over 10,000 reports, and their ratios to the
// baseline's.
#include "core/lists/ListNames.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/settings/ProductKey.h"
#include "engine/DetectionRecord.h"
#include "platform/ChannelReceiver.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "tests/platform/channel/ReceiverLoop.h"
#include "tests/app/tray_e2e/TrayProcess.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kReports = 10000;
constexpr int kWarmUp = 300;
constexpr char kCaption[] = "Baitguard Server Handler";

using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double p99;
};

Figures Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100]};
}

// Sends the record kReports times (after a warm-up); false when a reply is not the expected one.
bool Measure(HWND window, const DetectionRecord& record, LRESULT expected,
             std::vector<double>& samples) {
    for (int i = 0; i < kWarmUp; ++i) {
        if (SendCopyData(window, kReportUrl, &record, sizeof record) != expected)
            return false;
    }
    samples.clear();
    samples.reserve(kReports);
    for (int i = 0; i < kReports; ++i) {
        const auto start = Clock::now();
        const LRESULT reply = SendCopyData(window, kReportUrl, &record, sizeof record);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (reply != expected)
            return false;
    }
    return true;
}

} // namespace

int main() {
    channeltest::TempFolder folder;
    const std::string root = folder.Path();
    const std::string program = root + "/program";
    traye2e::StageProgramFolder(program);
    std::filesystem::create_directories(root + "/run");
    std::filesystem::permissions(root + "/run", std::filesystem::perms::owner_all);
    const std::vector<std::string> environment = {"HOOKWISE_REGISTRY=" + root + "/registry.db",
                                                  "XDG_RUNTIME_DIR=" + root + "/run",
                                                  "XDG_CONFIG_HOME=" + root + "/config",
                                                  "HOOKWISE_CATALOG=" + root + "/protocols.catalog",
                                                  "HOME=" + root + "/home",
                                                  "QT_QPA_PLATFORM=offscreen",
                                                  "LD_LIBRARY_PATH=" + program,
                                                  "HOOKWISE_MESSAGE_TIMEOUT_MS=300"};
    for (const std::string& entry : environment) {
        const std::size_t equals = entry.find('=');
        setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    RegistryReopenForTesting();

    DetectionRecord record;
    ClearRecord(record);
    FillSender(record, "/usr/bin/curl");
    FillEndpoint(record, "127.0.0.1", "80");
    CopyField(record.web.url, "secure-paypa1-login.example/login");
    record.web.kind = kKindUrl;

    // The remembered answer: the site list holds the item with Action Allow.
    {
        RegKey product;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, product.Put(), nullptr) != ERROR_SUCCESS)
            return 1;
        WebSiteBlockingList list;
        WebSiteBlockingItem item = WebItemFromRecord(record, "Monday, December 07, 2026 14:05:09");
        item.Action = kActionAllow;
        list.Append(item);
        list.Save(product.Get());
    }

    // The floor: a bare receiver in this process that answers 1.
    std::vector<double> baselineSamples;
    {
        ChannelReceiver receiver(
            [](std::uint32_t, const std::uint8_t*, std::uint32_t) { return 1; });
        if (receiver.Listen("Bench Baseline") != ERROR_SUCCESS)
            return 1;
        channeltest::ReceiverLoop loop(receiver);
        loop.Start();
        if (!Measure(FindWindowA(nullptr, "Bench Baseline"), record, 1, baselineSamples)) {
            std::fprintf(stderr, "baseline replies were wrong\n");
            return 1;
        }
    }

    traye2e::TrayProcess tray;
    if (!tray.Start(program + "/HookWs", {}, environment, root + "/tray.out"))
        return 1;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    HWND window = nullptr;
    while ((window = FindWindowA(nullptr, kCaption)) == nullptr) {
        if (!tray.Running() || Clock::now() > deadline) {
            std::fprintf(stderr, "HookWs did not start:\n%s\n",
                         traye2e::ReadFile(root + "/tray.out").c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Let the feeders finish their one-second start.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    std::vector<double> traySamples;
    const bool ok = Measure(window, record, 1, traySamples);
    tray.Signal(SIGTERM);
    tray.Wait(60000);
    if (!ok) {
        std::fprintf(stderr, "HookWs replies were wrong\n");
        return 1;
    }

    const Figures baseline = Summarise(baselineSamples);
    const Figures trayFigures = Summarise(traySamples);
    std::printf("report round trip over %d reports (microseconds)\n", kReports);
    std::printf("  %-40s median %8.1f  p99 %8.1f\n", "bare channel receiver (baseline)",
                baseline.median, baseline.p99);
    std::printf("  %-40s median %8.1f  p99 %8.1f  (x%.1f, x%.1f of baseline median)\n",
                "HookWs, remembered item, no popup", trayFigures.median, trayFigures.p99,
                trayFigures.median / baseline.median, trayFigures.p99 / baseline.median);
    return 0;
}
