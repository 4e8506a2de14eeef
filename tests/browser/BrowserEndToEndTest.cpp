// End to end in Debian's Chromium and Firefox ESR, headless, each test in both browsers unless it
// says otherwise: the Hookwise extension and its native host open web-mail pages whose sender is
// listed; the tray program's channel answers the 'F' report. Blocked, the tab ends on the warning
// page, or on the page before when the warning page cannot be shown; allowed, the mail stays.
// Mails that a script shows after the page loaded (by itself, through pushState, while an inner
// frame loads) are reported once each; a frame that never completes does not stop the next mail.
// Pages come from a small local web site (mail_site.py) and from Roundcube, Debian's web-mail
// client, serving a Maildir through Dovecot (webmail.py), in English, German and Portuguese.
//
// Every web page a tab opens is checked as well: a page listed with its path, served over HTTPS
// (tls_server.py) or reached through a redirect, is replaced by the warning page once the tray
// program blocks it; the site's other pages load.
//
// A browser's tests skip when it, node or (for Chromium's driver, playwright-core) npm is missing.
#include "browser/host/Json.h"
#include "tests/inspector/InspectorSandbox.h"
#include "tests/support/TlsServer.h"
#include "BrowserFixture.h"
#include "LanguageMails.h"
#include "MailPages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

using namespace hookwise::platform;

namespace browsertest {
namespace {

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

TEST_P(BrowserEndToEnd, BlockedMailIsReplacedByTheWarningPage) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunBrowser("warning");
    EXPECT_THAT(result.GetString("finalUrl").value_or(""), WarningPage());
    EXPECT_EQ(result.GetString("title"), "Hookwise held back this mail");
    ASSERT_EQ(receiver.Kinds(), "F") << "one report for the page, none for its inner frame";
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_P(BrowserEndToEnd, AllowedMailStays) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result = RunBrowser("stay");
    EXPECT_TRUE(Settled(result)) << "the report never arrived";
    EXPECT_EQ(result.GetString("finalUrl"), Opened(result, PageUrl()));
    EXPECT_THAT(result.GetString("text").value_or(""), testing::HasSubstr("Your order is on hold"));
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

TEST_P(SiteEndToEnd, BlockedMailWithHistoryIsReplacedByTheWarningPageOnce) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunSteps({Goto(Url("innocent.html")), Wait(1500), Goto(Url("mail.html")),
                                 Step("warning", "true"), Wait(2000)});
    EXPECT_THAT(result.GetString("finalUrl").value_or(""), WarningPage());
    EXPECT_EQ(receiver.Kinds(), "F");
}

TEST_P(SiteEndToEnd, SenderSwappedInByScriptIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("swap.html")), Step("marker", Quote(Marker())), Wait(2500)});
    EXPECT_TRUE(Settled(result)) << "the swapped-in sender was never reported";
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_P(SiteEndToEnd, StalledInnerFrameDoesNotStopTheNextMail) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result = RunSteps({Goto(Url("stall.html")), Wait(2000), Goto(Url("mail.html")),
                                 Step("marker", Quote(Marker()))});
    EXPECT_TRUE(Settled(result)) << "the mail after the stalled frame was not checked";
    ASSERT_EQ(receiver.Kinds(), "F");
}

TEST_P(SiteEndToEnd, MailShownByScriptAfterLoadingIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("late.html")), Step("marker", Quote(Marker())), Wait(2500)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("late.html"));
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_P(SiteEndToEnd, MailOpenedThroughPushStateIsReportedOnce) {
    ReportReceiver receiver({1});
    ASSERT_TRUE(receiver.Listening());
    MarkAnswers(receiver);
    JsonValue result =
        RunSteps({Goto(Url("app.html")), Step("marker", Quote(Marker())), Wait(2500)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("app.html?message=1"));
    ASSERT_EQ(receiver.Kinds(), "F");
    ExpectMailFields(receiver.Reports()[0]);
}

// The warning page cannot be shown. Chromium only: Firefox shows the copy in the extension's
// folder, which the tray program's copy going missing does not touch.
class MissingWarningPageEndToEnd : public SiteEndToEnd {
protected:
    void SetUp() override {
        SiteEndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::remove(Sandbox::Get().WarningPagePath().c_str());
    }
};

// The tab has no page before the mail: it is reloaded once, and the reload is not analysed and
// blocked again.
TEST_P(MissingWarningPageEndToEnd, BlockedMailWithoutHistoryIsReportedOnce) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result = RunSteps(
        {Step("replace", Quote(Url("mail.html"))), Wait(6000), Step("snapshot", "\"end\"")});
    EXPECT_EQ(result.GetString("finalUrl"), Url("mail.html"));
    ASSERT_EQ(receiver.Kinds(), "F") << "one report for the load, none for the reload";
    ExpectMailFields(receiver.Reports()[0]);
}

TEST_P(MissingWarningPageEndToEnd, BlockedMailGoesBackAndIsReportedOnce) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Goto(Url("innocent.html")), Wait(1500), Goto(Url("mail.html")), Wait(5000)});
    EXPECT_EQ(result.GetString("finalUrl"), Url("innocent.html"));
    EXPECT_EQ(receiver.Kinds(), "F");
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
TEST_P(BrowserEndToEnd, RoundcubeBlocksTheListedMailAndShowsTheInnocentOne) {
    std::string mails = work_ + "/mails";
    mkdir(mails.c_str(), 0700);
    WriteFile(mails + "/1-innocent.eml", kInnocentMail);
    WriteFile(mails + "/2-phishing.eml", kPhishingMail);
    ServerScript webmail;
    ASSERT_TRUE(webmail.Start("webmail.py", {mails}, work_ + "/webmail.json"));
    std::optional<JsonValue> info = ParseJson(webmail.Info());
    ExpectWebmail(info);
    if (IsSkipped() || HasFatalFailure())
        return;

    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    std::vector<std::string> steps = LogIn(*info);
    steps.insert(steps.end(),
                 {
                     WaitForMessage("Lunch on Friday"),
                     OpenMessage("Lunch on Friday"),
                     Step("waitFor", Quote("//*[@id='messagebody'][contains(., 'See you there')]")),
                     Wait(3000),
                     Step("snapshot", Quote("innocent")),
                     OpenMessage("Your order is on hold"),
                     Step("warning", "true"),
                 });
    JsonValue result = RunSteps(steps);
    EXPECT_EQ(receiver.Kinds().substr(0, 1), "F") << "the listed mail was not reported";
    EXPECT_THAT(result.GetString("finalUrl").value_or(""), WarningPage());
    EXPECT_NE(SnapshotOf(result, "innocent", "text").find("See you there"), std::string::npos)
        << "the innocent mail was not left to show";
    EXPECT_EQ(SnapshotOf(result, "innocent", "url").find("hkwpm.htm"), std::string::npos);
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    const DetectionRecord& r = reports[0].record;
    EXPECT_THAT(FieldString(r.program), Program());
    EXPECT_EQ(FieldString(r.mail.from), "billing support <billing@amaz0n-support.example>");
    EXPECT_EQ(FieldString(r.mail.to), "alice@home.example");
}

// ---- Roundcube in other languages, mail in other scripts ----

class RoundcubeEndToEnd : public BrowserSession,
                          public testing::WithParamInterface<std::tuple<Browser, std::string>> {
protected:
    RoundcubeEndToEnd() : BrowserSession(std::get<0>(GetParam())) {}
    const std::string& Language() const { return std::get<1>(GetParam()); }
};

// Every listed mail is reported (the one to hidden recipients too) and replaced by the warning
// page; the innocent ones stay, whatever the language of Roundcube's labels.
TEST_P(RoundcubeEndToEnd, ListedMailsAreBlockedAndInnocentOnesStay) {
    ServerScript webmail;
    bool ok = true;
    std::optional<JsonValue> info = StartLanguageWebmail(webmail, work_, Language(), ok);
    ASSERT_TRUE(ok) << "the scrambled database cannot hold an entry";
    ExpectWebmail(info);
    if (IsSkipped() || HasFatalFailure())
        return;
    const std::string url = info->GetString("url").value_or("");

    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    std::vector<std::string> steps = LogIn(*info);
    for (const char* subject : {kWellKnownLinkSubject, kLatin1Subject}) {
        steps.push_back(WaitForMessage(subject));
        steps.push_back(OpenMessage(subject));
        steps.push_back(Wait(4000));
        steps.push_back(Step("snapshot", Quote(subject)));
    }
    for (const LanguageMail& mail : kLanguageMails) {
        steps.push_back(Goto(url));
        steps.push_back(WaitForMessage(mail.subject));
        steps.push_back(OpenMessage(mail.subject));
        steps.push_back(Step("warning", "true"));
        steps.push_back(Step("snapshot", Quote(mail.file)));
    }
    JsonValue result = RunSteps(steps);
    ExpectLanguageResult(result, receiver,
                         [this](const std::string& url) { return IsWarningPage(url); });
}

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
        port_ = std::to_string(tls_.Port());
        sitePort_ = base_.substr(base_.rfind(':') + 1);
        sitePort_.pop_back(); // the '/' that ends the base address
        // The test certificate is not trusted, and HTTP addresses stay HTTP.
        testHost_ = "evil.test";
    }
    std::string Https(const std::string& page) const {
        return "https://evil.test:" + port_ + "/" + page;
    }
    std::string Http(const std::string& page) const {
        return "http://evil.test:" + sitePort_ + "/" + page;
    }
    void ExpectUrlReport(const MailReport& report, const std::string& url,
                         const std::string& port) const {
        const DetectionRecord& r = report.record;
        EXPECT_EQ(report.code, kReportUrl);
        EXPECT_EQ(report.size, kDetectionRecordSize);
        EXPECT_EQ(r.web.kind, kKindUrl);
        EXPECT_EQ(FieldString(r.web.url), url);
        EXPECT_EQ(FieldString(r.port), port);
        EXPECT_THAT(FieldString(r.program), Program());
        EXPECT_THAT(FieldString(r.senderPath), SenderPath());
    }

    testsupport::TlsServer tls_;
    std::string port_;
    std::string sitePort_;
};

// The interception provider sees only the server's name of an HTTPS page; the browser sees the
// page.
TEST_P(PageCheckEndToEnd, ListedHttpsPageIsReplacedByTheWarningPageAndTheSiteLoads) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Goto(Https("welcome.html")), Wait(1500), Step("snapshot", Quote("welcome")),
                  Step("visit", Quote(Https("login.html"))), Step("warning", "true")});
    EXPECT_EQ(SnapshotOf(result, "welcome", "url"), Https("welcome.html"));
    EXPECT_NE(SnapshotOf(result, "welcome", "text").find("hello"), std::string::npos)
        << "the unlisted page did not load";
    EXPECT_THAT(result.GetString("finalUrl").value_or(""), WarningPage());
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    ExpectUrlReport(reports[0], Https("login.html"), port_);
}

// Chromium only: Firefox reports an allowed listed page twice.
class AllowedPageEndToEnd : public PageCheckEndToEnd {};

// Asked when the navigation starts and again when it commits: one question for one address.
TEST_P(AllowedPageEndToEnd, ListedPageStaysAndIsReportedOnce) {
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
TEST_P(PageCheckEndToEnd, RedirectToAListedPageIsCaught) {
    ReportReceiver receiver({0});
    ASSERT_TRUE(receiver.Listening());
    JsonValue result =
        RunSteps({Step("visit", Quote(Http("redirect?to=/login.html"))), Step("warning", "true")});
    EXPECT_THAT(result.GetString("finalUrl").value_or(""), WarningPage());
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u) << receiver.Kinds();
    ExpectUrlReport(reports[0], Http("login.html"), sitePort_);
}

const auto kBothBrowsers = testing::Values(kChromium, kFirefox);

INSTANTIATE_TEST_SUITE_P(Browsers, BrowserEndToEnd, kBothBrowsers, BrowserName);
INSTANTIATE_TEST_SUITE_P(Browsers, SiteEndToEnd, kBothBrowsers, BrowserName);
INSTANTIATE_TEST_SUITE_P(Browsers, MissingWarningPageEndToEnd, testing::Values(kChromium),
                         BrowserName);
INSTANTIATE_TEST_SUITE_P(Browsers, PageCheckEndToEnd, kBothBrowsers, BrowserName);
INSTANTIATE_TEST_SUITE_P(Browsers, AllowedPageEndToEnd, testing::Values(kChromium), BrowserName);
INSTANTIATE_TEST_SUITE_P(Languages, RoundcubeEndToEnd,
                         testing::Combine(kBothBrowsers,
                                          testing::Values("en_US", "de_DE", "pt_BR")),
                         [](const testing::TestParamInfo<std::tuple<Browser, std::string>>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param);
                         });

} // namespace
} // namespace browsertest
