// Test support: a private installation for the page inspector (registry file, runtime folder,
// program folder with its definition database and warning page) and a mail report receiver on
// the real detection channel.
#pragma once

#include "engine/DetectionRecord.h"
#include "platform/ChannelReceiver.h"
#include "tests/support/Sandbox.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace inspectortest {

// One section of the definition database, in plain text: (key, value) pairs.
struct DefinitionSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
};

// The process-wide sandbox, made on first use: $HOOKWISE_REGISTRY, $XDG_RUNTIME_DIR and the
// registry value "App Path" all point into one temporary folder, removed at exit. The engine keeps
// its paths for the life of the process, so every test of the process shares the sandbox.
class Sandbox {
public:
    static Sandbox& Get();

    const std::string& Root() const { return root_; }
    const std::string& AppPath() const { return appPath_; }
    std::string DatabasePath() const { return appPath_ + "/hkwdb2.pbd"; }
    std::string WarningPagePath() const { return appPath_ + "/hkwpm.htm"; }

    // Writes the working database, each name and value scrambled as the engine reads them. The
    // file is replaced as a whole (new file, then rename), so a reader never sees half of it.
    void WriteDefinitions(const std::vector<DefinitionSection>& sections) const;
    void RemoveDefinitions() const;

private:
    Sandbox();
    testsupport::Sandbox folders_{"inspector"};
    std::string root_;
    std::string appPath_;
};

// One report as the receiver got it.
struct MailReport {
    std::uint32_t code = 0;
    std::uint32_t size = 0;
    DetectionRecord record{};
    // The kind byte: the mail kind of a mail report, the web kind of a host or URL report.
    char Kind() const { return code == kReportMail ? record.mail.kind : record.web.kind; }
};

// The tray program's handler channel, "Baitguard Server Handler", answering from a script: the
// n-th report gets answers[n], or the last answer once the script is used up (1 when empty).
class ReportReceiver {
public:
    explicit ReportReceiver(std::vector<std::int32_t> answers = {});
    ~ReportReceiver();
    ReportReceiver(const ReportReceiver&) = delete;
    ReportReceiver& operator=(const ReportReceiver&) = delete;

    bool Listening() const { return listening_; }
    // Called with every report as it arrives, before it is answered (on the receiver's thread).
    void OnReport(std::function<void(const MailReport&)> callback);
    std::vector<MailReport> Reports();
    std::string Kinds(); // the kind bytes of the reports in order, e.g. "FST"

private:
    std::int32_t Handle(std::uint32_t code, const std::uint8_t* data, std::uint32_t size);

    std::mutex mutex_;
    std::vector<std::int32_t> answers_;
    std::vector<MailReport> reports_;
    std::function<void(const MailReport&)> onReport_;
    hookwise::platform::ChannelReceiver receiver_;
    bool listening_ = false;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace inspectortest
