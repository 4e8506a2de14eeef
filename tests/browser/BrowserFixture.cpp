#include "BrowserFixture.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hookwise::platform;

namespace browsertest {
namespace {

const std::string kNodeFolder = std::string(HOOKWISE_E2E_BINARY_DIR) + "/node";
const std::string kSourceFolder = std::string(HOOKWISE_SOURCE_DIR) + "/tests/browser";

// Installs playwright-core (the driver of Chromium, no browser of its own) into the build folder
// from the committed lock file, once per version of it; other test processes wait on the lock.
// Returns "" or what went wrong.
std::string EnsurePlaywright() {
    mkdir(kNodeFolder.c_str(), 0755);
    int lock = open((kNodeFolder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0)
        return "cannot lock " + kNodeFolder;
    std::string error;
    // A build folder that installed another version of the lock file installs it anew.
    const std::string lockFile = ReadFile(kSourceFolder + "/package-lock.json");
    if (!Exists(kNodeFolder + "/node_modules/playwright-core/package.json") ||
        ReadFile(kNodeFolder + "/package-lock.json") != lockFile) {
        WriteFile(kNodeFolder + "/package.json", ReadFile(kSourceFolder + "/package.json"));
        WriteFile(kNodeFolder + "/package-lock.json", lockFile);
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

} // namespace

std::vector<std::string> LogIn(const JsonValue& info) {
    return {
        Goto(info.GetString("url").value_or("")),
        Fill("#rcmloginuser", info.GetString("user").value_or("")),
        Fill("#rcmloginpwd", info.GetString("password").value_or("")),
        Step("click", Quote("#rcmloginsubmit")),
    };
}

std::string BrowserName(const testing::TestParamInfo<Browser>& info) {
    return info.param.name;
}

void BrowserSession::SetUp() {
    if (access(browser_.program, X_OK) != 0)
        GTEST_SKIP() << browser_.name << " is not installed (" << browser_.program
                     << "; apt-get install " << browser_.package << ")";
    if (RunCommand({"node", "--version"}) != 0)
        GTEST_SKIP() << "node is not installed (apt-get install nodejs)";
    if (browser_.playwright) {
        if (RunCommand({"npm", "--version"}) != 0)
            GTEST_SKIP() << "npm is not installed (apt-get install npm)";
        std::string error = EnsurePlaywright();
        ASSERT_EQ(error, "");
    }

    Sandbox& sandbox = Sandbox::Get();
    sandbox.WriteDefinitions(
        {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}}});
    const std::string page = ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm");
    WriteFile(sandbox.WarningPagePath(), page);

    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-'); // "Test/Firefox" of a row
    work_ = sandbox.Root() + "/e2e-" + name;
    for (const char* folder : {"", "/home", "/config", "/cache", "/pages"})
        mkdir((work_ + folder).c_str(), 0700);
    WriteFile(work_ + "/pages/mail.html", kMailPage);
    WriteFile(work_ + "/pages/ad.html", kInnerFrame);

    std::string output;
    if (!IsFirefox()) {
        ASSERT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--install", "--profile", work_ + "/profile"},
                             &output),
                  0)
            << output;
        return;
    }
    // The registration a user makes: both browsers, in the browser's own home.
    ASSERT_EQ(RunCommand({"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
                          HOOKWISE_BROWSER_HOST, "--install"},
                         &output),
              0)
        << output;
    const std::string manifest =
        ReadFile(work_ + "/home/.mozilla/native-messaging-hosts/com.corvane.hookwise.json");
    EXPECT_THAT(manifest, testing::HasSubstr("\"page-inspector@hookwise.corvane\""));
    EXPECT_TRUE(Exists(work_ + "/config/chromium/NativeMessagingHosts/com.corvane.hookwise.json"));
    // The extension as installed: its folder with its copy of the warning page.
    ASSERT_EQ(RunCommand({"cp", "-R", std::string(HOOKWISE_SOURCE_DIR) + "/browser/extension",
                          work_ + "/extension"},
                         &output),
              0)
        << output;
    WriteFile(work_ + "/extension/hkwpm.htm", page);
}

void BrowserSession::TearDown() {
    if (!work_.empty())
        Sandbox::Get().RemoveDefinitions();
}

JsonValue BrowserSession::RunSteps(const std::vector<std::string>& steps) {
    std::string list;
    for (const std::string& step : steps)
        list += (list.empty() ? "" : ",") + step;
    JsonWriter settings;
    settings.Add("browser", std::string(browser_.driver))
        .Add("program", std::string(browser_.program))
        .Add("extensionDir", IsFirefox() ? work_ + "/extension"
                                         : std::string(HOOKWISE_SOURCE_DIR) + "/browser/extension")
        .Add("profileDir", work_ + "/profile")
        .Add("timeoutMs", std::int64_t{60000});
    if (!testHost_.empty())
        settings.Add("testHost", testHost_);
    std::string text = settings.Text();
    text.insert(text.size() - 1, ",\"steps\":[" + list + "]");
    const std::string config = work_ + "/config.json";
    WriteFile(config, text);
    std::string output;
    // The browser gets a home of its own, so nothing of the real user's is touched.
    int rc = RunCommand({"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
                         "XDG_CACHE_HOME=" + work_ + "/cache",
                         "NODE_PATH=" + kNodeFolder + "/node_modules", "node",
                         kSourceFolder + "/e2e.js", config},
                        &output, 600000);
    EXPECT_EQ(rc, 0) << output;
    std::optional<JsonValue> result = ParseJson(output.substr(0, output.find('\n')));
    EXPECT_TRUE(result) << output;
    return result.value_or(JsonValue());
}

JsonValue BrowserSession::RunBrowser(const std::string& expect) {
    return RunSteps({Goto(PageUrl()), expect == "warning" ? Step("warning", "true")
                                                          : Step("marker", Quote(Marker()))});
}

void BrowserSession::MarkAnswers(ReportReceiver& receiver) {
    std::string marker = Marker();
    receiver.OnReport([marker](const MailReport&) { WriteFile(marker, "1"); });
}

bool BrowserSession::Settled(const JsonValue& result) {
    const JsonValue* settled = result.Find("settled");
    return settled && settled->AsBool();
}

void BrowserSession::ExpectWebmail(const std::optional<JsonValue>& info) {
    ASSERT_TRUE(info) << "the web-mail servers did not start";
    if (std::optional<std::string> skip = info->GetString("skip"))
        GTEST_SKIP() << *skip;
    ASSERT_FALSE(info->GetString("error")) << *info->GetString("error");
}

std::string BrowserSession::Opened(const JsonValue& result, const std::string& url) {
    const JsonValue* served = result.Find("served");
    return served ? served->GetString(url).value_or(url) : url;
}

testing::Matcher<std::string> BrowserSession::WarningPage() const {
    if (IsFirefox())
        return testing::MatchesRegex("moz-extension://[^/]+/hkwpm\\.htm");
    return testing::Eq("file://" + Sandbox::Get().WarningPagePath());
}

bool BrowserSession::IsWarningPage(const std::string& url) const {
    return WarningPage().Matches(url);
}

testing::Matcher<std::string> BrowserSession::Program() const {
    if (IsFirefox())
        return testing::StartsWith("firefox");
    return testing::Eq("chromium");
}

testing::Matcher<std::string> BrowserSession::SenderPath() const {
    if (IsFirefox())
        return testing::_;
    return testing::Eq("/usr/lib/chromium/chromium");
}

void BrowserSession::ExpectMailFields(const MailReport& report) const {
    const DetectionRecord& r = report.record;
    EXPECT_EQ(report.code, kReportMail);
    EXPECT_EQ(report.size, kDetectionRecordSize);
    EXPECT_EQ(report.Kind(), 'F');
    EXPECT_THAT(FieldString(r.program), Program());
    EXPECT_EQ(FieldString(r.port), "80");
    EXPECT_EQ(FieldString(r.hostAddress), "");
    EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
    EXPECT_EQ(FieldString(r.mail.to), "you@home.example");
    EXPECT_EQ(FieldString(r.mail.subject), "your order is on hold");
    EXPECT_EQ(FieldString(r.mail.date), "tue, 2 jan 2024 10:15");
    EXPECT_EQ(FieldString(r.mail.attachment), "");
    EXPECT_THAT(FieldString(r.senderPath), SenderPath());
}

} // namespace browsertest
