// End to end in Debian's Firefox ESR, headless: the same Hookwise extension as in Chromium,
// installed as a temporary add-on, and its native host, registered the way a user does with
// `hookwise-browser-host --install`, open a web-mail page whose sender is listed; the tray
// program's channel answers the 'F' report. Blocked, the tab ends on the warning page (the copy
// in the extension's folder, since Firefox opens no file: page for an extension); allowed, the
// mail stays.
//
// Every web page a tab opens is checked as well: an HTTPS page listed with its path is replaced
// by the warning page, another page of its site loads. Roundcube in English, German and
// Portuguese: every listed mail (one to hidden recipients, others listed by sender, subject, text
// or link) is blocked, the innocent ones stay.
//
// Firefox is driven through its own remote protocol, Marionette (firefox-e2e.js, no npm
// package). Skipped when Firefox ESR or node is missing.
#include "HostProcess.h"
#include "LanguageMails.h"
#include "MailPages.h"
#include "tests/inspector/InspectorSandbox.h"
#include "tests/support/TlsServer.h"

#include "browser/host/Json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

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

const char kFirefox[] = "/usr/bin/firefox-esr";
const std::string kSourceFolder = std::string(HOOKWISE_SOURCE_DIR) + "/tests/browser";

class FirefoxEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        if (access(kFirefox, X_OK) != 0)
            GTEST_SKIP() << "Firefox is not installed (" << kFirefox
                         << "; apt-get install firefox-esr)";
        if (RunCommand({"node", "--version"}) != 0)
            GTEST_SKIP() << "node is not installed (apt-get install nodejs)";

        Sandbox& sandbox = Sandbox::Get();
        sandbox.WriteDefinitions(
            {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}}});
        const std::string page =
            ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm");
        WriteFile(sandbox.WarningPagePath(), page);

        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-'); // "Languages/1" of a row
        work_ = sandbox.Root() + "/firefox-" + name;
        for (const char* folder : {"", "/home", "/config", "/cache", "/pages"})
            mkdir((work_ + folder).c_str(), 0700);
        WriteFile(work_ + "/pages/mail.html", kMailPage);
        WriteFile(work_ + "/pages/ad.html", kInnerFrame);

        // The registration a user makes: both browsers, in the browser's own home.
        std::string output;
        ASSERT_EQ(
            RunCommand({"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
                        HOOKWISE_BROWSER_HOST, "--install"},
                       &output),
            0)
            << output;
        const std::string manifest =
            ReadFile(work_ + "/home/.mozilla/native-messaging-hosts/com.corvane.hookwise.json");
        EXPECT_THAT(manifest, testing::HasSubstr("\"page-inspector@hookwise.corvane\""));
        EXPECT_TRUE(
            Exists(work_ + "/config/chromium/NativeMessagingHosts/com.corvane.hookwise.json"));

        // The extension as installed: its folder with its copy of the warning page.
        ASSERT_EQ(RunCommand({"cp", "-R", std::string(HOOKWISE_SOURCE_DIR) + "/browser/extension",
                              work_ + "/extension"},
                             &output),
                  0)
            << output;
        WriteFile(work_ + "/extension/hkwpm.htm", page);
    }
    void TearDown() override {
        if (!work_.empty())
            Sandbox::Get().RemoveDefinitions();
    }

    std::string PageUrl() const { return "file://" + work_ + "/pages/mail.html"; }
    std::string Marker() const { return work_ + "/answered"; }

    // Runs Firefox on the mail page (or pageUrl) and returns the driver's result. extra: further
    // members of the driver's settings, as JSON ("\"prefs\":{...}").
    JsonValue RunBrowser(const std::string& expect, const std::string& pageUrl = "",
                         const std::string& extra = "") {
        std::string config = work_ + "/config.json";
        std::string settings = JsonWriter()
                                   .Add("extensionDir", work_ + "/extension")
                                   .Add("profileDir", work_ + "/profile")
                                   .Add("pageUrl", pageUrl.empty() ? PageUrl() : pageUrl)
                                   .Add("expect", expect)
                                   .Add("markerFile", Marker())
                                   .Add("firefox", std::string(kFirefox))
                                   .Add("timeoutMs", std::int64_t{60000})
                                   .Text();
        if (!extra.empty())
            settings.insert(settings.size() - 1, "," + extra);
        WriteFile(config, settings);
        std::string output;
        // The browser gets a home of its own, so nothing of the real user's is touched.
        int rc =
            RunCommand({"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
                        "XDG_CACHE_HOME=" + work_ + "/cache", "node",
                        kSourceFolder + "/firefox-e2e.js", config},
                       &output, 180000);
        EXPECT_EQ(rc, 0) << output;
        std::string line = output.substr(0, output.find('\n'));
        std::optional<JsonValue> result = ParseJson(line);
        EXPECT_TRUE(result) << output;
        return result.value_or(JsonValue());
    }
    // Runs Firefox through steps (see firefox-e2e.js) and returns the driver's result.
    JsonValue RunSteps(const std::vector<std::string>& steps) {
        std::string list;
        for (const std::string& step : steps)
            list += (list.empty() ? "" : ",") + step;
        std::string settings = JsonWriter()
                                   .Add("extensionDir", work_ + "/extension")
                                   .Add("profileDir", work_ + "/profile")
                                   .Add("firefox", std::string(kFirefox))
                                   .Add("timeoutMs", std::int64_t{60000})
                                   .Text();
        settings.insert(settings.size() - 1, ",\"steps\":[" + list + "]");
        WriteFile(work_ + "/config.json", settings);
        std::string output;
        int rc =
            RunCommand({"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
                        "XDG_CACHE_HOME=" + work_ + "/cache", "node",
                        kSourceFolder + "/firefox-e2e.js", work_ + "/config.json"},
                       &output, 600000);
        EXPECT_EQ(rc, 0) << output;
        std::optional<JsonValue> result = ParseJson(output.substr(0, output.find('\n')));
        EXPECT_TRUE(result) << output;
        return result.value_or(JsonValue());
    }
    static std::string Step(const std::string& name, const std::string& value) {
        return '{' + browserhost::JsonQuote(name) + ":" + value + "}";
    }
    static std::string Quote(const std::string& text) { return browserhost::JsonQuote(text); }
    // Writes the marker the driver waits for once the tray program answered.
    void MarkAnswers(ReportReceiver& receiver) {
        std::string marker = Marker();
        receiver.OnReport([marker](const MailReport&) { WriteFile(marker, "1"); });
    }

    static void ExpectMailFields(const MailReport& report) {
        const DetectionRecord& r = report.record;
        EXPECT_EQ(report.code, kReportMail);
        EXPECT_EQ(report.size, kDetectionRecordSize);
        EXPECT_EQ(report.Kind(), 'F');
        EXPECT_THAT(FieldString(r.program), testing::StartsWith("firefox"));
        EXPECT_EQ(FieldString(r.port), "80");
        EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
        EXPECT_EQ(FieldString(r.mail.to), "you@home.example");
        EXPECT_EQ(FieldString(r.mail.subject), "your order is on hold");
    }

    std::string work_;
};

TEST_F(FirefoxEndToEnd, BlockedMailIsReplacedByTheWarningPage) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunBrowser("warning");
    EXPECT_THAT(result.GetString("finalUrl").value_or(""),
                testing::MatchesRegex("moz-extension://[^/]+/hkwpm\\.htm"));
    EXPECT_EQ(result.GetString("title"), "Hookwise held back this mail");
    ASSERT_EQ(receiver.Kinds(), "F") << "one report for the page, none for its inner frame";
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_F(FirefoxEndToEnd, AllowedMailStays) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result = RunBrowser("stay");
    const JsonValue* settled = result.Find("settled");
    EXPECT_TRUE(settled && settled->AsBool()) << "the report never arrived";
    // Firefox is given the page over HTTP (see firefox-e2e.js).
    EXPECT_EQ(result.GetString("finalUrl"), result.GetString("pageUrl"));
    EXPECT_THAT(result.GetString("text").value_or(""), testing::HasSubstr("Your order is on hold"));
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

// ---- Roundcube in other languages, mail in other scripts ----

class FirefoxRoundcubeLanguages : public FirefoxEndToEnd,
                                  public testing::WithParamInterface<const char*> {};

TEST_P(FirefoxRoundcubeLanguages, ListedMailsAreBlockedAndInnocentOnesStay) {
    ServerScript webmail;
    bool ok = true;
    std::optional<JsonValue> info = StartLanguageWebmail(webmail, work_, GetParam(), ok);
    ASSERT_TRUE(ok) << "the scrambled database cannot hold an entry";
    ASSERT_TRUE(info) << "the web-mail servers did not start";
    if (std::optional<std::string> skip = info->GetString("skip"))
        GTEST_SKIP() << *skip;
    ASSERT_FALSE(info->GetString("error")) << *info->GetString("error");
    std::string url = info->GetString("url").value_or("");

    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    // The message list's row of a subject, and its subject cell.
    auto row = [](const std::string& subject) {
        return "//table[@id='messagelist']//tr[contains(., '" + subject + "')]";
    };
    auto fill = [](const std::string& selector, const std::string& value) {
        return "{\"fill\":" + Quote(selector) + ",\"value\":" + Quote(value) + "}";
    };
    std::vector<std::string> steps = {
        Step("goto", Quote(url)),
        fill("#rcmloginuser", info->GetString("user").value_or("")),
        fill("#rcmloginpwd", info->GetString("password").value_or("")),
    };
    steps.push_back(Step("click", Quote("#rcmloginsubmit")));
    for (const char* subject : {kWellKnownLinkSubject, kLatin1Subject}) {
        steps.push_back(Step("waitFor", Quote(row(subject))));
        steps.push_back(Step("click", Quote(row(subject) + "//td[contains(@class, 'subject')]")));
        steps.push_back(Step("wait", "4000"));
        steps.push_back(Step("snapshot", Quote(subject)));
    }
    for (const LanguageMail& mail : kLanguageMails) {
        steps.push_back(Step("goto", Quote(url)));
        steps.push_back(Step("waitFor", Quote(row(mail.subject))));
        steps.push_back(
            Step("click", Quote(row(mail.subject) + "//td[contains(@class, 'subject')]")));
        steps.push_back(Step("warning", "true"));
        steps.push_back(Step("snapshot", Quote(mail.file)));
    }
    JsonValue result = RunSteps(steps);
    ExpectLanguageResult(result, receiver, [](const std::string& url) {
        return testing::Matches(testing::MatchesRegex("moz-extension://[^/]+/hkwpm\\.htm"))(url);
    });
}

INSTANTIATE_TEST_SUITE_P(Languages, FirefoxRoundcubeLanguages,
                         testing::Values("en_US", "de_DE", "pt_BR"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// ---- the pages a tab opens ----

// The site evil.test over HTTPS (every page answers "hello"), which Firefox finds at 127.0.0.1 and
// whose certificate it accepts; its page login.html is listed, no other page.
class FirefoxPageCheck : public FirefoxEndToEnd {
protected:
    void SetUp() override {
        FirefoxEndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Sandbox::Get().WriteDefinitions(
            {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}},
             DefinitionSection{"HostLink", {{"HLINK1", "evil.test/login.html"}}}});
        std::string cert = work_ + "/cert.pem";
        std::string key = work_ + "/key.pem";
        std::string output;
        // A server's certificate, not a CA's: Firefox lets no exception cover a CA's.
        ASSERT_EQ(RunCommand({"openssl",
                              "req",
                              "-x509",
                              "-newkey",
                              "ec",
                              "-pkeyopt",
                              "ec_paramgen_curve:prime256v1",
                              "-nodes",
                              "-keyout",
                              key,
                              "-out",
                              cert,
                              "-days",
                              "1",
                              "-subj",
                              "/CN=evil.test",
                              "-addext",
                              "basicConstraints=critical,CA:FALSE",
                              "-addext",
                              "subjectAltName=DNS:evil.test"},
                             &output),
                  0)
            << output;
        ASSERT_TRUE(tls_.Start(cert, key, work_ + "/tls.log"));
    }
    std::string Https(const std::string& page) const {
        return "https://evil.test:" + std::to_string(tls_.Port()) + "/" + page;
    }
    JsonValue Visit(const std::string& expect, const std::string& page) {
        return RunBrowser(expect, Https(page),
                          R"("acceptInsecureCerts":true,"prefs":{"network.dns.forceResolve":)"
                          R"("127.0.0.1"})");
    }

    testsupport::TlsServer tls_;
};

TEST_F(FirefoxPageCheck, ListedHttpsPageIsReplacedByTheWarningPage) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = Visit("warning", "login.html");
    EXPECT_THAT(result.GetString("finalUrl").value_or(""),
                testing::MatchesRegex("moz-extension://[^/]+/hkwpm\\.htm"));
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    const DetectionRecord& r = reports[0].record;
    EXPECT_EQ(reports[0].code, kReportUrl);
    EXPECT_EQ(r.web.kind, kKindUrl);
    EXPECT_EQ(FieldString(r.web.url), Https("login.html"));
    EXPECT_EQ(FieldString(r.port), std::to_string(tls_.Port()));
    EXPECT_THAT(FieldString(r.program), testing::StartsWith("firefox"));
}

TEST_F(FirefoxPageCheck, OtherPageOfTheSiteLoads) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    WriteFile(Marker(), "1"); // nothing to wait for but the page
    JsonValue result = Visit("stay", "welcome.html");
    EXPECT_EQ(result.GetString("finalUrl"), Https("welcome.html"));
    EXPECT_EQ(result.GetString("text"), "hello");
    EXPECT_EQ(receiver.Kinds(), "");
}

} // namespace
} // namespace browsertest
