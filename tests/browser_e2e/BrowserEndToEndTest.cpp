// End to end in Debian's Chromium, headless: the Hookwise extension and its native host open a
// local web-mail page whose sender is listed; the tray program's channel answers the 'F' report.
// Blocked, the tab ends on the warning page; allowed, the mail stays.
//
// Skipped when Chromium, node or npm is missing. playwright-core (the driver, no browser of its
// own) is installed once into the build folder from the committed lock file.
#include "HostProcess.h"
#include "tests/inspector/InspectorSandbox.h"

#include "browser/host/Json.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using browserhost::JsonValue;
using browserhost::JsonWriter;
using browserhost::ParseJson;
using inspectortest::DefinitionSection;
using inspectortest::MailReport;
using inspectortest::ReportReceiver;
using inspectortest::Sandbox;

namespace browsertest {
namespace {

const std::string kNodeFolder = std::string(HOOKWISE_E2E_BINARY_DIR) + "/node";
const std::string kSourceFolder = std::string(HOOKWISE_SOURCE_DIR) + "/tests/browser_e2e";

const char kMailPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Webmail - Inbox</title></head>
<body>
<div class="toolbar">Inbox | Sent | Drafts</div>
<div class="headers">
  <div>From: Billing Support &lt;billing@amaz0n-support.example&gt;</div>
  <div>To: you@home.example</div>
  <div>Subject: Your order is on hold</div>
  <div>Date: Tue, 2 Jan 2024 10:15</div>
</div>
<div class="body"><p>Dear customer, your order could not be shipped.</p></div>
<iframe src="ad.html" title="ad"></iframe>
</body></html>
)";
const char kInnerFrame[] = "<!DOCTYPE html><html><body><p>Advertisement</p></body></html>\n";

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Installs playwright-core into the build folder once; other test processes wait on the lock.
// Returns "" or what went wrong.
std::string EnsurePlaywright() {
    mkdir(kNodeFolder.c_str(), 0755);
    int lock = open((kNodeFolder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0)
        return "cannot lock " + kNodeFolder;
    std::string error;
    if (!Exists(kNodeFolder + "/node_modules/playwright-core/package.json")) {
        WriteFile(kNodeFolder + "/package.json", ReadFile(kSourceFolder + "/package.json"));
        WriteFile(kNodeFolder + "/package-lock.json",
                  ReadFile(kSourceFolder + "/package-lock.json"));
        std::string output;
        int rc = RunCommand(
            {"npm", "ci", "--prefix", kNodeFolder, "--no-audit", "--no-fund", "--loglevel=error"},
            &output, 300000);
        if (rc != 0)
            error = "npm ci failed (" + std::to_string(rc) + "): " + output;
    }
    flock(lock, LOCK_UN);
    close(lock);
    return error;
}

class BrowserEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (access("/usr/bin/chromium", X_OK) != 0)
            GTEST_SKIP()
                << "Chromium is not installed (/usr/bin/chromium; apt-get install chromium)";
        if (RunCommand({"node", "--version"}) != 0 || RunCommand({"npm", "--version"}) != 0)
            GTEST_SKIP() << "node or npm is not installed (apt-get install nodejs npm)";
        std::string error = EnsurePlaywright();
        ASSERT_EQ(error, "");

        Sandbox& sandbox = Sandbox::Get();
        sandbox.WriteDefinitions(
            {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}}});
        WriteFile(sandbox.WarningPagePath(),
                  ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm"));

        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        work_ = sandbox.Root() + "/e2e-" + name;
        for (const char* folder : {"", "/home", "/config", "/cache", "/pages"})
            mkdir((work_ + folder).c_str(), 0700);
        WriteFile(work_ + "/pages/mail.html", kMailPage);
        WriteFile(work_ + "/pages/ad.html", kInnerFrame);
        std::string output;
        ASSERT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--install", "--profile", work_ + "/profile"},
                             &output),
                  0)
            << output;
    }
    void TearDown() override { Sandbox::Get().RemoveDefinitions(); }

    std::string PageUrl() const { return "file://" + work_ + "/pages/mail.html"; }

    // Runs the browser on the mail page and returns the driver's result.
    JsonValue RunBrowser(const std::string& expect) {
        std::string config = work_ + "/config.json";
        WriteFile(config,
                  JsonWriter()
                      .Add("extensionDir", std::string(HOOKWISE_SOURCE_DIR) + "/browser/extension")
                      .Add("profileDir", work_ + "/profile")
                      .Add("pageUrl", PageUrl())
                      .Add("expect", expect)
                      .Add("markerFile", work_ + "/answered")
                      .Add("timeoutMs", std::int64_t{60000})
                      .Text());
        std::string output;
        // The browser gets a home of its own, so nothing of the real user's is touched.
        int rc = RunCommand(
            {"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
             "XDG_CACHE_HOME=" + work_ + "/cache", "NODE_PATH=" + kNodeFolder + "/node_modules",
             "node", kSourceFolder + "/e2e.js", config},
            &output, 120000);
        EXPECT_EQ(rc, 0) << output;
        std::string line = output.substr(0, output.find('\n'));
        std::optional<JsonValue> result = ParseJson(line);
        EXPECT_TRUE(result) << output;
        return result.value_or(JsonValue());
    }
    // Writes the marker the driver waits for once the tray program answered.
    void MarkAnswers(ReportReceiver& receiver) {
        std::string marker = work_ + "/answered";
        receiver.OnReport([marker](const MailReport&) { WriteFile(marker, "1"); });
    }

    static void ExpectMailFields(const MailReport& report) {
        const DetectionRecord& r = report.record;
        EXPECT_EQ(report.code, kReportMail);
        EXPECT_EQ(report.size, kDetectionRecordSize);
        EXPECT_EQ(report.Kind(), 'F');
        // The browser, the host's parent, not the host itself.
        EXPECT_EQ(FieldString(r.program), "chromium");
        EXPECT_EQ(FieldString(r.port), "80");
        EXPECT_EQ(FieldString(r.hostAddress), "");
        EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
        EXPECT_EQ(FieldString(r.mail.to), "you@home.example");
        EXPECT_EQ(FieldString(r.mail.subject), "your order is on hold");
        EXPECT_EQ(FieldString(r.mail.date), "tue, 2 jan 2024 10:15");
        EXPECT_EQ(FieldString(r.mail.attachment), "");
    }

    std::string work_;
};

TEST_F(BrowserEndToEnd, BlockedMailIsReplacedByTheWarningPage) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunBrowser("warning");
    EXPECT_EQ(result.GetString("finalUrl"), "file://" + Sandbox::Get().WarningPagePath());
    EXPECT_EQ(result.GetString("title"), "Hookwise held back this mail");
    ASSERT_EQ(receiver.Kinds(), "F") << "one report for the page, none for its inner frame";
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_F(BrowserEndToEnd, AllowedMailStays) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result = RunBrowser("stay");
    const JsonValue* settled = result.Find("settled");
    EXPECT_TRUE(settled && settled->AsBool()) << "the report never arrived";
    EXPECT_EQ(result.GetString("finalUrl"), PageUrl());
    EXPECT_NE(result.GetString("text").value_or("").find("Your order is on hold"),
              std::string::npos);
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

} // namespace
} // namespace browsertest
