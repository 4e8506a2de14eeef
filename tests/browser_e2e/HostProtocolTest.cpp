// The native host as the browser sees it: messages in, answers and tab commands out, one page
// inspector per tab, the warning page, malformed messages, and the manifest installer.
#include "HostProcess.h"
#include "tests/inspector/InspectorSandbox.h"

#include "browser/host/Json.h"
#include "platform/ComTypes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <sys/stat.h>

using browserhost::JsonValue;
using browserhost::JsonWriter;
using browserhost::ParseJson;
using inspectortest::DefinitionSection;
using inspectortest::ReportReceiver;
using inspectortest::Sandbox;

namespace browsertest {
namespace {

const std::string kOrigin = "chrome-extension://fggigegdepebhcibdaibmkfknlpdobmf/";
const std::string kMailText = "Inbox\r\nFrom: Billing <billing@amaz0n-support.example>\r\n"
                              "To: you@home.example\r\nSubject: Order on hold\r\n\r\nHello\r\n";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void CopyWarningPage() {
    std::ofstream out(Sandbox::Get().WarningPagePath(), std::ios::binary | std::ios::trunc);
    out << ReadFile(std::string(HOOKWISE_SOURCE_DIR) + "/data/pages/hkwpm.htm");
}

class HostProtocol : public testing::Test {
protected:
    void SetUp() override {
        Sandbox::Get().WriteDefinitions(
            {DefinitionSection{"From", {{"FROM1", "billing@amaz0n-support.example"}}}});
        CopyWarningPage();
        ASSERT_TRUE(host_.Start(HOOKWISE_BROWSER_HOST, {kOrigin}));
    }
    void TearDown() override {
        EXPECT_EQ(host_.Finish(), 0) << "the host ends cleanly when the browser goes";
        Sandbox::Get().RemoveDefinitions();
    }

    // Sends a message and collects what the host writes up to its answer: the commands, then the
    // answer itself (last).
    std::vector<JsonValue> Exchange(const std::string& message) {
        std::vector<JsonValue> out;
        EXPECT_TRUE(host_.Send(message));
        for (;;) {
            std::optional<std::string> frame = host_.Receive();
            if (!frame) {
                ADD_FAILURE() << "no answer to " << message.substr(0, 200);
                return out;
            }
            std::optional<JsonValue> value = ParseJson(*frame);
            if (!value) {
                ADD_FAILURE() << "not JSON: " << *frame;
                return out;
            }
            out.push_back(*value);
            if (value->GetString("type") == "done")
                return out;
        }
    }
    std::string Navigate(std::int64_t id, std::int64_t tab, std::int64_t frame) {
        return JsonWriter()
            .Add("type", "navigate")
            .Add("id", id)
            .Add("tab", tab)
            .Add("frame", frame)
            .Add("url", "file:///mail.html")
            .Text();
    }
    std::string Document(std::int64_t id, std::int64_t tab, std::int64_t frame,
                         const std::string& text = kMailText,
                         const std::string& html = "<p>Hello</p>") {
        JsonWriter message;
        message.Add("type", "document").Add("id", id).Add("tab", tab).Add("frame", frame);
        message.Add("url", "file:///mail.html");
        if (frame == 0)
            message.Add("text", text).Add("html", html);
        return message.Text();
    }
    // The ops of the commands in an exchange, e.g. "stop navigate".
    static std::string Ops(const std::vector<JsonValue>& out) {
        std::string ops;
        for (const JsonValue& value : out) {
            if (value.GetString("type") != "command")
                continue;
            ops += (ops.empty() ? "" : " ") + value.GetString("op").value_or("?");
        }
        return ops;
    }
    static std::int64_t Result(const std::vector<JsonValue>& out) {
        return out.empty() ? 12345 : out.back().GetInteger("result").value_or(12345);
    }

    HostProcess host_;
};

TEST_F(HostProtocol, BlockedMailGetsStopAndWarningPageBeforeTheAnswer) {
    ReportReceiver receiver({0});
    EXPECT_EQ(Ops(Exchange(Navigate(1, 7, 0))), "");
    EXPECT_EQ(Ops(Exchange(Navigate(2, 7, 3))), "");
    EXPECT_EQ(Ops(Exchange(Document(3, 7, 3))), "") << "an inner frame is no page";
    std::vector<JsonValue> out = Exchange(Document(4, 7, 0));
    ASSERT_EQ(Ops(out), "stop navigate");
    EXPECT_EQ(out[1].GetInteger("tab"), 7);
    EXPECT_EQ(out[1].GetString("url"), "file://" + Sandbox::Get().WarningPagePath());
    EXPECT_EQ(out.back().GetInteger("id"), 4);
    EXPECT_EQ(Result(out), 0);
    EXPECT_EQ(receiver.Kinds(), "F");
    std::vector<inspectortest::MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(FieldString(reports[0].record.program), "hookwise-browser-host");
    EXPECT_EQ(FieldString(reports[0].record.mail.from), "billing <billing@amaz0n-support.example>");
    EXPECT_EQ(FieldString(reports[0].record.mail.to), "you@home.example");
}

TEST_F(HostProtocol, AllowedMailGetsNoCommand) {
    ReportReceiver receiver({1});
    Exchange(Navigate(1, 7, 0));
    std::vector<JsonValue> out = Exchange(Document(2, 7, 0));
    EXPECT_EQ(Ops(out), "");
    EXPECT_EQ(Result(out), 0);
    EXPECT_EQ(receiver.Kinds(), "F");
}

TEST_F(HostProtocol, TabsHaveInspectorsOfTheirOwn) {
    ReportReceiver receiver({1});
    // Tab 8's navigation is pending while tab 9 completes a page: each is analysed once.
    Exchange(Navigate(1, 8, 0));
    Exchange(Navigate(2, 9, 0));
    Exchange(Document(3, 9, 0));
    EXPECT_EQ(receiver.Kinds(), "F");
    Exchange(Document(4, 8, 0));
    EXPECT_EQ(receiver.Kinds(), "FF");
}

TEST_F(HostProtocol, ClosedTabForgetsItsPendingPage) {
    ReportReceiver receiver({1});
    Exchange(Navigate(1, 7, 0));
    EXPECT_EQ(Result(Exchange(R"({"type":"quit","id":2,"tab":7})")), 0);
    Exchange(Document(3, 7, 0));
    EXPECT_EQ(receiver.Kinds(), "") << "the new inspector saw no navigation";
}

TEST_F(HostProtocol, MissingWarningPageGoesBack) {
    std::remove(Sandbox::Get().WarningPagePath().c_str());
    ReportReceiver receiver({0});
    Exchange(Navigate(1, 7, 0));
    EXPECT_EQ(Ops(Exchange(Document(2, 7, 0))), "stop goBack");
}

TEST_F(HostProtocol, UnreadablePageIsNotAnalysed) {
    ReportReceiver receiver({0});
    Exchange(Navigate(1, 7, 0));
    // The extension could not read the page: no capture members.
    std::vector<JsonValue> out =
        Exchange(R"({"type":"document","id":2,"tab":7,"frame":0,"url":"chrome://newtab/"})");
    EXPECT_EQ(Ops(out), "");
    EXPECT_EQ(receiver.Kinds(), "");
}

TEST_F(HostProtocol, MalformedMessagesAreRefusedAndTheHostGoesOn) {
    const HRESULT invalid = E_INVALIDARG;
    EXPECT_EQ(Result(Exchange("not json")), invalid);
    EXPECT_EQ(Result(Exchange("[1,2]")), invalid);
    EXPECT_EQ(Result(Exchange(R"({"type":"navigate","id":3,"frame":0})")), invalid);
    EXPECT_EQ(Result(Exchange(R"({"type":"navigate","id":4,"tab":"7","frame":0})")), invalid);
    EXPECT_EQ(Result(Exchange(R"({"type":"document","id":5,"tab":7})")), invalid);
    EXPECT_EQ(Result(Exchange(R"({"type":"reload","id":6,"tab":7})")), invalid);
    EXPECT_EQ(Result(Exchange(std::string(200, '[') + std::string(200, ']'))), invalid);
    EXPECT_EQ(Exchange(R"({"type":"bogus","id":77,"tab":1})").back().GetInteger("id"), 77);

    ReportReceiver receiver({1});
    Exchange(Navigate(10, 7, 0));
    Exchange(Document(11, 7, 0));
    EXPECT_EQ(receiver.Kinds(), "F");
}

TEST_F(HostProtocol, ControlCharactersAndNonAsciiTextArriveIntact) {
    ReportReceiver receiver({1});
    Exchange(Navigate(1, 7, 0));
    std::string text = "From: J\xC3\xB6rg \"Q\" <billing@amaz0n-support.example>\r\nTo: \t you\r\n";
    Exchange(Document(2, 7, 0, text));
    std::vector<inspectortest::MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(FieldString(reports[0].record.mail.from),
              "j\xF6rg \"q\" <billing@amaz0n-support.example>");
}

// ---- installer ----

TEST(HostInstaller, WritesAndRemovesTheManifestInAProfile) {
    std::string profile = Sandbox::Get().Root() + "/profile-install";
    std::string output;
    ASSERT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--install", "--profile", profile}, &output), 0)
        << output;
    std::string manifestPath = profile + "/NativeMessagingHosts/com.corvane.hookwise.json";
    std::optional<JsonValue> manifest = ParseJson(ReadFile(manifestPath));
    ASSERT_TRUE(manifest) << ReadFile(manifestPath);
    EXPECT_EQ(manifest->GetString("name"), "com.corvane.hookwise");
    EXPECT_EQ(manifest->GetString("type"), "stdio");
    char real[4096] = {};
    ASSERT_NE(realpath(HOOKWISE_BROWSER_HOST, real), nullptr);
    EXPECT_EQ(manifest->GetString("path"), std::string(real));
    EXPECT_NE(ReadFile(manifestPath).find("\"" + kOrigin + "\""), std::string::npos);

    // Installing again replaces the manifest; removing it twice is fine.
    EXPECT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--install", "--profile", profile}), 0);
    EXPECT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--uninstall", "--profile", profile}), 0);
    struct stat info {};
    EXPECT_NE(stat(manifestPath.c_str(), &info), 0);
    EXPECT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--uninstall", "--profile", profile}), 0);
}

TEST(HostInstaller, RefusesUnknownOptions) {
    EXPECT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--frobnicate"}), 2);
    EXPECT_EQ(RunCommand({HOOKWISE_BROWSER_HOST, "--profile", "/tmp"}), 2);
}

TEST(HostInstaller, DefaultsToTheUsersChromiumFolder) {
    std::string config = Sandbox::Get().Root() + "/xdg-config";
    std::string output;
    ASSERT_EQ(RunCommand({"env", "XDG_CONFIG_HOME=" + config, HOOKWISE_BROWSER_HOST, "--install"},
                         &output),
              0)
        << output;
    struct stat info {};
    EXPECT_EQ(
        stat((config + "/chromium/NativeMessagingHosts/com.corvane.hookwise.json").c_str(), &info),
        0);
}

} // namespace
} // namespace browsertest
