// Test support: the browser end-to-end fixture, the same for Debian's Chromium and Firefox ESR. It
// gives each test a work folder and a browser home of its own, registers the native host the way
// each browser finds it, and runs the driver (e2e.js) through a list of steps; the browser's own
// addresses and names (its warning page, its program) are told by the browser the test runs in.
#pragma once

#include "browser/host/Json.h"
#include "tests/inspector/InspectorSandbox.h"
#include "HostProcess.h"
#include "MailPages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace browsertest {

using browserhost::JsonValue;
using browserhost::JsonWriter;
using browserhost::ParseJson;
using inspectortest::DefinitionSection;
using inspectortest::MailReport;
using inspectortest::ReportReceiver;
using inspectortest::Sandbox;

// A browser the suite runs in.
struct Browser {
    const char* name;    // in the tests' names
    const char* driver;  // the driver's browser switch
    const char* program; // the test skips when it is missing
    const char* package; // Debian's package of program
    bool playwright;     // driven through playwright-core, which npm installs
};

inline constexpr Browser kChromium{"Chromium", "chromium", "/usr/bin/chromium", "chromium", true};
inline constexpr Browser kFirefox{"Firefox", "firefox", "/usr/bin/firefox-esr", "firefox-esr",
                                  false};

inline void PrintTo(const Browser& browser, std::ostream* out) {
    *out << browser.name;
}

// One step of the browser driver (see e2e.js), as JSON.
inline std::string Quote(const std::string& text) {
    return browserhost::JsonQuote(text);
}
inline std::string Step(const std::string& name, const std::string& value) {
    return '{' + Quote(name) + ":" + value + "}";
}
inline std::string Goto(const std::string& url) {
    return Step("goto", Quote(url));
}
inline std::string Wait(int ms) {
    return Step("wait", std::to_string(ms));
}
inline std::string Fill(const std::string& selector, const std::string& value) {
    return "{\"fill\":" + Quote(selector) + ",\"value\":" + Quote(value) + "}";
}
// Roundcube's message list: the row of a subject, waited for and opened.
inline std::string MessageRow(const std::string& subject) {
    return "//table[@id='messagelist']//tr[contains(., '" + subject + "')]";
}
inline std::string WaitForMessage(const std::string& subject) {
    return Step("waitFor", Quote(MessageRow(subject)));
}
inline std::string OpenMessage(const std::string& subject) {
    return Step("click", Quote(MessageRow(subject) + "//td[contains(@class, 'subject')]"));
}
// Roundcube's log-in, with the user and password of its server's info (see webmail.py).
std::vector<std::string> LogIn(const browserhost::JsonValue& info);

class BrowserSession : public testing::Test {
protected:
    explicit BrowserSession(const Browser& browser) : browser_(browser) {}
    void SetUp() override;
    void TearDown() override;

    bool IsFirefox() const { return std::string(browser_.driver) == "firefox"; }
    std::string PageUrl() const { return "file://" + work_ + "/pages/mail.html"; }
    std::string Marker() const { return work_ + "/answered"; }
    // Runs the browser through steps (see e2e.js) and returns the driver's result.
    browserhost::JsonValue RunSteps(const std::vector<std::string>& steps);
    // Opens the mail page and waits for the warning page ("warning") or the tray program's answer.
    browserhost::JsonValue RunBrowser(const std::string& expect);
    // Writes the marker the driver waits for once the tray program answered.
    void MarkAnswers(inspectortest::ReportReceiver& receiver);
    // Whether every marker and warning page the steps waited for came.
    static bool Settled(const browserhost::JsonValue& result);
    // Fails, or skips the test, unless Roundcube's server info tells it serves.
    static void ExpectWebmail(const std::optional<browserhost::JsonValue>& info);
    // The address the browser was given for url: url itself, or where the driver served a file:
    // page.
    static std::string Opened(const browserhost::JsonValue& result, const std::string& url);

    // The browser's warning page: Chromium opens the tray program's copy, Firefox the copy in the
    // extension's folder, since it opens no file: page for an extension.
    testing::Matcher<std::string> WarningPage() const;
    bool IsWarningPage(const std::string& url) const;
    // The browser, the host's parent, not the host itself.
    testing::Matcher<std::string> Program() const;
    testing::Matcher<std::string> SenderPath() const;
    void ExpectMailFields(const inspectortest::MailReport& report) const;

    const Browser browser_;
    std::string work_;
    std::string testHost_; // see e2e.js
};

// The tests that run in every browser.
class BrowserEndToEnd : public BrowserSession, public testing::WithParamInterface<Browser> {
protected:
    BrowserEndToEnd() : BrowserSession(GetParam()) {}
};

// The browsers' names as the names of their rows.
std::string BrowserName(const testing::TestParamInfo<Browser>& info);

} // namespace browsertest
