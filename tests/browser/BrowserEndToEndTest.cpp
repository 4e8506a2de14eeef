// End to end in Debian's Chromium, headless: the Hookwise extension and its native host open
// web-mail pages whose sender is listed; the tray program's channel answers the 'F' report.
// Blocked, the tab ends on the warning page, or on the page before when the warning page cannot
// be shown; allowed, the mail stays. Mails that a script shows after the page loaded (by itself,
// through pushState, while an inner frame loads) are reported once each; a frame that never
// completes does not stop the next mail. Pages come from a small local web site (mail_site.py)
// and from Roundcube, Debian's web-mail client, serving a Maildir through Dovecot (webmail.py).
//
// Every web page a tab opens is checked as well: a page listed with its path, served over HTTPS
// (tls_server.py) or reached through a redirect, is replaced by the warning page once the tray
// program blocks it; the site's other pages load.
//
// Skipped when Chromium, node or npm is missing. playwright-core (the driver, no browser of its
// own) is installed once into the build folder from the committed lock file.
#include "HostProcess.h"
#include "LanguageMails.h"
#include "MailPages.h"
#include "tests/inspector/InspectorSandbox.h"
#include "tests/support/TlsServer.h"

#include "browser/host/Json.h"

#include <gtest/gtest.h>

#include <algorithm>
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
const std::string kSourceFolder = std::string(HOOKWISE_SOURCE_DIR) + "/tests/browser";

// A mail whose sender is not listed.
const char kInnocentPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Webmail - Lunch</title></head>
<body>
<div>From: Carol &lt;carol@friends.example&gt;</div>
<div>To: you@home.example</div>
<div>Subject: Lunch on Friday?</div>
<p>See you there.</p>
</body></html>
)";

// The header lines of the listed mail, as a script writes them into a page.
const char kMailScript[] = R"(
function showMail() {
  const view = document.getElementById('view');
  view.innerHTML = '<div>From: Billing Support &lt;billing@amaz0n-support.example&gt;</div>' +
    '<div>To: you@home.example</div><div>Subject: Your order is on hold</div>' +
    '<div>Date: Tue, 2 Jan 2024 10:15</div><p>Dear customer, your order could not be shipped.</p>';
}
)";

std::string ScriptPage(const std::string& title, const std::string& script) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title></head>\n<body><div>Inbox | Sent | Drafts</div><div id=\"view\">No message "
           "selected</div>\n<script>" +
           kMailScript + script + "</script>\n</body></html>\n";
}

// A mail shown 1 s after the page has loaded.
const std::string kLatePage = ScriptPage(
    "Webmail - late", "window.addEventListener('load', () => setTimeout(showMail, 1000));");
// A mail opened the way single-page web mail does: a new history entry, then the message.
const std::string kPushStatePage =
    ScriptPage("Webmail - app", "window.addEventListener('load', () => setTimeout(() => {"
                                " history.pushState({}, '', '?message=1'); showMail(); }, 500));");
// The innocent sender swapped for the listed one, and an inner frame that completes after it.
const std::string kSwapPage = ScriptPage(
    "Webmail - swap", "document.getElementById('view').innerHTML = '<div>From: Carol "
                      "&lt;carol@friends.example&gt;</div><div>To: you@home.example</div>';"
                      "window.addEventListener('load', () => setTimeout(() => { showMail();"
                      " const frame = document.createElement('iframe');"
                      " frame.src = '/slow?ms=300'; document.body.appendChild(frame); }, 200));");
// A page whose inner frame starts after the page completed and never completes.
const std::string kStallPage = ScriptPage(
    "Webmail - stall", "window.addEventListener('load', () => setTimeout(() => { const frame ="
                       " document.createElement('iframe'); frame.src = '/stall';"
                       " document.body.appendChild(frame); }, 500));");

// One step of the browser driver (see e2e.js), as JSON.
std::string Step(const std::string& name, const std::string& value) {
    return '{' + browserhost::JsonQuote(name) + ":" + value + "}";
}
std::string Goto(const std::string& url) {
    return Step("goto", browserhost::JsonQuote(url));
}
std::string Wait(int ms) {
    return Step("wait", std::to_string(ms));
}
std::string Fill(const std::string& selector, const std::string& value) {
    return "{\"fill\":" + browserhost::JsonQuote(selector) +
           ",\"value\":" + browserhost::JsonQuote(value) + "}";
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
        std::replace(name.begin(), name.end(), '/', '-'); // "Languages/1" of a row
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
        return RunSteps({Goto(PageUrl()), expect == "warning" ? Step("warning", "true")
                                                              : Step("marker", Quote(Marker()))});
    }
    // Runs the browser through steps (see e2e.js) and returns the driver's result.
    JsonValue RunSteps(const std::vector<std::string>& steps) {
        std::string list;
        for (const std::string& step : steps)
            list += (list.empty() ? "" : ",") + step;
        std::string settings =
            JsonWriter()
                .Add("extensionDir", std::string(HOOKWISE_SOURCE_DIR) + "/browser/extension")
                .Add("profileDir", work_ + "/profile")
                .Add("timeoutMs", std::int64_t{60000})
                .Text();
        std::string args;
        for (const std::string& arg : browserArgs_) {
            if (!args.empty())
                args += ',';
            args += Quote(arg);
        }
        std::string config = work_ + "/config.json";
        WriteFile(config, settings.substr(0, settings.size() - 1) + ",\"browserArgs\":[" + args +
                              "],\"steps\":[" + list + "]}");
        std::string output;
        // The browser gets a home of its own, so nothing of the real user's is touched.
        int rc = RunCommand(
            {"env", "HOME=" + work_ + "/home", "XDG_CONFIG_HOME=" + work_ + "/config",
             "XDG_CACHE_HOME=" + work_ + "/cache", "NODE_PATH=" + kNodeFolder + "/node_modules",
             "node", kSourceFolder + "/e2e.js", config},
            &output, 180000);
        EXPECT_EQ(rc, 0) << output;
        std::string line = output.substr(0, output.find('\n'));
        std::optional<JsonValue> result = ParseJson(line);
        EXPECT_TRUE(result) << output;
        return result.value_or(JsonValue());
    }
    std::string Marker() const { return work_ + "/answered"; }
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
        // The browser, the host's parent, not the host itself.
        EXPECT_EQ(FieldString(r.program), "chromium");
        EXPECT_EQ(FieldString(r.port), "80");
        EXPECT_EQ(FieldString(r.hostAddress), "");
        EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
        EXPECT_EQ(FieldString(r.mail.to), "you@home.example");
        EXPECT_EQ(FieldString(r.mail.subject), "your order is on hold");
        EXPECT_EQ(FieldString(r.mail.date), "tue, 2 jan 2024 10:15");
        EXPECT_EQ(FieldString(r.mail.attachment), "");
        EXPECT_EQ(FieldString(r.senderPath), "/usr/lib/chromium/chromium");
    }
    static std::string Snapshot(const JsonValue& result, const std::string& name,
                                const std::string& member) {
        const JsonValue* snapshots = result.Find("snapshots");
        const JsonValue* snapshot = snapshots ? snapshots->Find(name) : nullptr;
        return snapshot ? snapshot->GetString(member).value_or("") : "";
    }

    std::string work_;
    std::vector<std::string> browserArgs_;
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

// Pages from a web site on 127.0.0.1, as web mail is.
class SiteEndToEnd : public BrowserEndToEnd {
protected:
    void SetUp() override {
        BrowserEndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const std::pair<const char*, std::string> pages[] = {
            {"innocent.html", kInnocentPage}, {"late.html", kLatePage},
            {"app.html", kPushStatePage},     {"swap.html", kSwapPage},
            {"stall.html", kStallPage},
        };
        for (const auto& [name, text] : pages)
            WriteFile(work_ + "/pages/" + name, text);
        ASSERT_TRUE(site_.Start("mail_site.py", {work_ + "/pages"}, work_ + "/site.port"));
        std::string port = site_.Info();
        ASSERT_NE(port, "") << "the web site did not start";
        base_ = "http://127.0.0.1:" + port + "/";
    }
    std::string Url(const std::string& page) const { return base_ + page; }

    ServerScript site_;
    std::string base_;
};

// The warning page cannot be shown and the tab has no page before the mail: it is reloaded once,
// and the reload is not analysed and blocked again.
TEST_F(SiteEndToEnd, BlockedMailWithoutWarningPageOrHistoryIsReportedOnce) {
    std::remove(Sandbox::Get().WarningPagePath().c_str());
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunSteps(
        {Step("replace", Quote(Url("mail.html"))), Wait(6000), Step("snapshot", "\"end\"")});
    EXPECT_EQ(result.GetString("finalUrl"), Url("mail.html"));
    ASSERT_EQ(receiver.Kinds(), "F") << "one report for the load, none for the reload";
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_F(SiteEndToEnd, BlockedMailWithoutWarningPageGoesBackAndIsReportedOnce) {
    std::remove(Sandbox::Get().WarningPagePath().c_str());
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Goto(Url("innocent.html")), Wait(1500), Goto(Url("mail.html")), Wait(5000)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("innocent.html"));
    EXPECT_EQ(receiver.Kinds(), "F");
}

TEST_F(SiteEndToEnd, BlockedMailWithHistoryIsReplacedByTheWarningPageOnce) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunSteps({Goto(Url("innocent.html")), Wait(1500), Goto(Url("mail.html")),
                                 Step("warning", "true"), Wait(2000)});
    EXPECT_EQ(result.GetString("finalUrl"), "file://" + Sandbox::Get().WarningPagePath());
    EXPECT_EQ(receiver.Kinds(), "F");
}

TEST_F(SiteEndToEnd, SenderSwappedInByScriptIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("swap.html")), Step("marker", Quote(Marker())), Wait(2500)});
    const JsonValue* settled = result.Find("settled");
    EXPECT_TRUE(settled && settled->AsBool()) << "the swapped-in sender was never reported";
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_F(SiteEndToEnd, StalledInnerFrameDoesNotStopTheNextMail) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result = RunSteps({Goto(Url("stall.html")), Wait(2000), Goto(Url("mail.html")),
                                 Step("marker", Quote(Marker()))});
    const JsonValue* settled = result.Find("settled");
    EXPECT_TRUE(settled && settled->AsBool()) << "the mail after the stalled frame was not checked";
    ASSERT_EQ(receiver.Kinds(), "F");
}

TEST_F(SiteEndToEnd, MailShownByScriptAfterLoadingIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("late.html")), Step("marker", Quote(Marker())), Wait(2500)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("late.html"));
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_F(SiteEndToEnd, MailOpenedThroughPushStateIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("app.html")), Step("marker", Quote(Marker())), Wait(2500)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("app.html?message=1"));
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

// ---- Roundcube ----

const char kPhishingMail[] = "From: Billing Support <billing@amaz0n-support.example>\r\n"
                             "To: alice@home.example\r\n"
                             "Subject: Your order is on hold\r\n"
                             "Date: Tue, 02 Jan 2024 10:15:00 +0000\r\n"
                             "Message-ID: <hold-1@amaz0n-support.example>\r\n"
                             "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                             "Dear customer, your order could not be shipped.\r\n";
const char kInnocentMail[] = "From: Carol <carol@friends.example>\r\n"
                             "To: alice@home.example\r\n"
                             "Subject: Lunch on Friday\r\n"
                             "Date: Mon, 01 Jan 2024 12:00:00 +0000\r\n"
                             "Message-ID: <lunch-1@friends.example>\r\n"
                             "Content-Type: text/plain; charset=utf-8\r\n\r\n"
                             "See you there.\r\n";

// Roundcube shows the open mail in an inner frame of its own site, its headers as a table of
// label and value cells and the sender as a name linked to its address; the extension hands the
// inspector "From: name <address>" lines made from them.
TEST_F(BrowserEndToEnd, RoundcubeBlocksTheListedMailAndShowsTheInnocentOne) {
    std::string mails = work_ + "/mails";
    mkdir(mails.c_str(), 0700);
    WriteFile(mails + "/1-innocent.eml", kInnocentMail);
    WriteFile(mails + "/2-phishing.eml", kPhishingMail);
    ServerScript webmail;
    ASSERT_TRUE(webmail.Start("webmail.py", {mails}, work_ + "/webmail.json"));
    std::optional<JsonValue> info = ParseJson(webmail.Info());
    ASSERT_TRUE(info) << "the web-mail servers did not start";
    if (std::optional<std::string> skip = info->GetString("skip"))
        GTEST_SKIP() << *skip;
    ASSERT_FALSE(info->GetString("error")) << *info->GetString("error");
    std::string url = info->GetString("url").value_or("");

    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    auto open = [](const std::string& subject) {
        return Step("click", Quote("#messagelist tr:has-text(\"" + subject + "\") td.subject"));
    };
    JsonValue result = RunSteps({
        Goto(url),
        Fill("#rcmloginuser", info->GetString("user").value_or("")),
        Fill("#rcmloginpwd", info->GetString("password").value_or("")),
        Step("click", Quote("#rcmloginsubmit")),
        Step("waitFor", Quote("#messagelist tr:has-text(\"Lunch on Friday\")")),
        open("Lunch on Friday"),
        Step("waitFor", Quote("#messagebody:has-text(\"See you there\")")),
        Wait(3000),
        Step("snapshot", Quote("innocent")),
        open("Your order is on hold"),
        Step("warning", "true"),
    });
    EXPECT_EQ(receiver.Kinds().substr(0, 1), "F") << "the listed mail was not reported";
    EXPECT_EQ(result.GetString("finalUrl"), "file://" + Sandbox::Get().WarningPagePath());
    EXPECT_NE(Snapshot(result, "innocent", "text").find("See you there"), std::string::npos)
        << "the innocent mail was not left to show";
    EXPECT_EQ(Snapshot(result, "innocent", "url").find("hkwpm.htm"), std::string::npos);
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    const DetectionRecord& r = reports[0].record;
    EXPECT_EQ(FieldString(r.program), "chromium");
    EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
    EXPECT_EQ(FieldString(r.mail.to), "alice@home.example");
}

// ---- Roundcube in other languages, mail in other scripts ----

class RoundcubeLanguages : public BrowserEndToEnd,
                           public testing::WithParamInterface<const char*> {};

// Every listed mail is reported (the one to hidden recipients too) and replaced by the warning
// page; the innocent ones stay, whatever the language of Roundcube's labels.
TEST_P(RoundcubeLanguages, ListedMailsAreBlockedAndInnocentOnesStay) {
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
    auto listed = [](const std::string& subject) {
        return Step("waitFor", Quote("#messagelist tr:has-text(\"" + subject + "\")"));
    };
    auto open = [](const std::string& subject) {
        return Step("click", Quote("#messagelist tr:has-text(\"" + subject + "\") td.subject"));
    };
    std::vector<std::string> steps = {
        Goto(url),
        Fill("#rcmloginuser", info->GetString("user").value_or("")),
        Fill("#rcmloginpwd", info->GetString("password").value_or("")),
        Step("click", Quote("#rcmloginsubmit")),
    };
    for (const char* subject : {kWellKnownLinkSubject, kLatin1Subject}) {
        steps.push_back(listed(subject));
        steps.push_back(open(subject));
        steps.push_back(Wait(4000));
        steps.push_back(Step("snapshot", Quote(subject)));
    }
    for (const LanguageMail& mail : kLanguageMails) {
        steps.push_back(Goto(url));
        steps.push_back(listed(mail.subject));
        steps.push_back(open(mail.subject));
        steps.push_back(Step("warning", "true"));
        steps.push_back(Step("snapshot", Quote(mail.file)));
    }
    JsonValue result = RunSteps(steps);
    const std::string warningPage = "file://" + Sandbox::Get().WarningPagePath();
    ExpectLanguageResult(result, receiver,
                         [&](const std::string& url) { return url == warningPage; });
}

INSTANTIATE_TEST_SUITE_P(Languages, RoundcubeLanguages, testing::Values("en_US", "de_DE", "pt_BR"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// ---- the pages a tab opens ----

// The site evil.test, which the browser finds at 127.0.0.1: over HTTPS every page answers
// "hello"; over HTTP the pages folder is served. Its page login.html is listed, no other page.
class PageCheckEndToEnd : public SiteEndToEnd {
protected:
    void SetUp() override {
        SiteEndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Sandbox::Get().WriteDefinitions(
            {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}},
             DefinitionSection{"HostLink", {{"HLINK1", "evil.test/login.html"}}}});
        WriteFile(work_ + "/pages/login.html", "<!DOCTYPE html><title>Sign in</title><p>hello");
        std::string cert = work_ + "/cert.pem";
        std::string key = work_ + "/key.pem";
        std::string output;
        ASSERT_EQ(RunCommand({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out",
                              cert, "-days", "1", "-subj", "/CN=evil.test"},
                             &output),
                  0)
            << output;
        ASSERT_TRUE(tls_.Start(cert, key, work_ + "/tls.log"));
        port_ = std::to_string(tls_.Port());
        sitePort_ = base_.substr(base_.rfind(':') + 1);
        sitePort_.pop_back(); // the '/' that ends the base address
        // The test certificate is not trusted, and HTTP addresses stay HTTP.
        browserArgs_ = {"--host-resolver-rules=MAP evil.test 127.0.0.1",
                        "--ignore-certificate-errors", "--disable-features=HttpsUpgrades"};
    }
    std::string Https(const std::string& page) const {
        return "https://evil.test:" + port_ + "/" + page;
    }
    std::string Http(const std::string& page) const {
        return "http://evil.test:" + sitePort_ + "/" + page;
    }
    static void ExpectUrlReport(const MailReport& report, const std::string& url,
                                const std::string& port) {
        const DetectionRecord& r = report.record;
        EXPECT_EQ(report.code, kReportUrl);
        EXPECT_EQ(report.size, kDetectionRecordSize);
        EXPECT_EQ(r.web.kind, kKindUrl);
        EXPECT_EQ(FieldString(r.web.url), url);
        EXPECT_EQ(FieldString(r.port), port);
        EXPECT_EQ(FieldString(r.program), "chromium");
        EXPECT_EQ(FieldString(r.senderPath), "/usr/lib/chromium/chromium");
    }

    testsupport::TlsServer tls_;
    std::string port_;
    std::string sitePort_;
};

// The interception provider sees only the server's name of an HTTPS page; the browser sees the
// page.
TEST_F(PageCheckEndToEnd, ListedHttpsPageIsReplacedByTheWarningPageAndTheSiteLoads) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Goto(Https("welcome.html")), Wait(1500), Step("snapshot", Quote("welcome")),
                  Step("visit", Quote(Https("login.html"))), Step("warning", "true")});
    EXPECT_EQ(Snapshot(result, "welcome", "url"), Https("welcome.html"));
    EXPECT_NE(Snapshot(result, "welcome", "text").find("hello"), std::string::npos)
        << "the unlisted page did not load";
    EXPECT_EQ(result.GetString("finalUrl"), "file://" + Sandbox::Get().WarningPagePath());
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    ExpectUrlReport(reports[0], Https("login.html"), port_);
}

// Asked when the navigation starts and again when it commits: one question for one address.
TEST_F(PageCheckEndToEnd, AllowedListedPageStaysAndIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Https("login.html")), Step("marker", Quote(Marker())), Wait(1000)});
    EXPECT_EQ(result.GetString("finalUrl"), Https("login.html"));
    EXPECT_EQ(result.GetString("text"), "hello");
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    ExpectUrlReport(reports[0], Https("login.html"), port_);
}

// The navigation starts at an unlisted address and the server sends it on to the listed page.
TEST_F(PageCheckEndToEnd, RedirectToAListedPageIsCaught) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Step("visit", Quote(Http("redirect?to=/login.html"))), Step("warning", "true")});
    EXPECT_EQ(result.GetString("finalUrl"), "file://" + Sandbox::Get().WarningPagePath());
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    ExpectUrlReport(reports[0], Http("login.html"), sitePort_);
}

} // namespace
} // namespace browsertest
