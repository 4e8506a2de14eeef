// The page analysis: what is reported for a mail page, in which order, with which fields; the stop
// at the first block; the warning page and its fallbacks; the clipboard capture; pages that are
// no mail; and a tray program that is not running.
#include "platform/Clipboard.h"
#include "platform/Module.h"
#include "InspectorFixture.h"

#include <gtest/gtest.h>

using namespace hookwise::platform;

namespace inspectortest {
namespace {

const std::string kMailText = "Inbox (3)\r\n"
                              "From: Account Team <phisher@bad.example>\r\n"
                              "To: victim@home.example\r\n"
                              "Subject: Verify your account now\r\n"
                              "Date: Mon, 1 Jan 2024\r\n"
                              "Attachment: invoice.zip\r\n"
                              "\r\n"
                              "Dear customer, click here to unlock your account.\r\n";
const std::string kMailHtml = "<div class=\"msg\"><p>Dear customer</p>"
                              "<a href=\"http://bad.example/login\">Your Bank</a> "
                              "<a href=\"http://other.example/x\">details</a></div>";

DefinitionSection Section(std::string name,
                          std::vector<std::pair<std::string, std::string>> entries) {
    return {std::move(name), std::move(entries)};
}

// A sender, a subject, a phrase, a link with its visible text and a second, hidden link.
std::vector<DefinitionSection> FullDefinitions() {
    return {
        Section("From", {{"FROM1", "someone@elsewhere.example"}, {"FROM2", "PHISHER@bad.example"}}),
        Section("Subject", {{"SUB1", "verify your account"}}),
        Section("Text", {{"TXT1", "Click Here To Unlock"}}),
        Section("Link", {{"CLINK1", "http://bad.example/login"},
                         {"VLINK1", "Your Bank"},
                         {"CLINK2", "http://other.example/x"}})};
}

std::vector<DefinitionSection> HiddenLinkOnly() {
    return {Section("Link", {{"CLINK1", "null"}, {"CLINK2", "http://other.example/x"}})};
}

std::vector<DefinitionSection> SenderOnly() {
    return {Section("From", {{"FROM1", "phisher@bad.example"}})};
}

class AnalysisFixture : public InspectorFixture {
protected:
    void SetUp() override {
        InspectorFixture::SetUp();
        Sandbox::Get().WriteDefinitions(FullDefinitions());
        ShowPage(kMailText, kMailHtml);
        Attach();
    }
    void TearDown() override {
        Sandbox::Get().RemoveDefinitions();
        InspectorFixture::TearDown();
    }
    bool WarningShown() const {
        const CallLog& log = browser_->log;
        auto stop = std::find(log.begin(), log.end(), "Stop");
        return stop != log.end() && stop + 1 != log.end() &&
               *(stop + 1) == "put_URL " + Sandbox::Get().WarningPagePath();
    }
};

// ---- reports and their stop rule ----

struct ReportRow {
    const char* name;
    std::vector<DefinitionSection> (*definitions)();
    std::vector<std::int32_t> answers;
    const char* kinds;
    bool blocked;
};

// Shown as the row's name in test listings.
void PrintTo(const ReportRow& row, std::ostream* out) {
    *out << row.name;
}

const ReportRow kReportRows[] = {
    {"AllAllowedSendsEveryKindInOrder", FullDefinitions, {1}, "FSLT", false},
    {"SenderBlockedStopsAtOnce", FullDefinitions, {0}, "F", true},
    {"SubjectBlockedStopsAfterIt", FullDefinitions, {1, 0}, "FS", true},
    {"LinkBlockedStopsBeforeText", FullDefinitions, {1, 1, 0}, "FSL", true},
    {"TextBlockedIsTheLast", FullDefinitions, {1, 1, 1, 0}, "FSLT", true},
    {"UndecidedAnswerLetsThrough", SenderOnly, {2}, "F", false},
    {"NegativeAnswerLetsThrough", SenderOnly, {-1}, "F", false},
    {"HiddenLinkAlone", HiddenLinkOnly, {1}, "L", false},
};

class Reports : public AnalysisFixture, public testing::WithParamInterface<ReportRow> {};

TEST_P(Reports, FollowTheirOrderAndStopAtTheFirstBlock) {
    const ReportRow& row = GetParam();
    Sandbox::Get().WriteDefinitions(row.definitions());
    ReportReceiver receiver(row.answers);
    ASSERT_TRUE(receiver.Listening());
    LoadTopLevel();
    EXPECT_EQ(receiver.Kinds(), row.kinds);
    EXPECT_EQ(WarningShown(), row.blocked);
    EXPECT_EQ(browser_->Count("Stop"), row.blocked ? 1u : 0u);
    for (const MailReport& report : receiver.Reports()) {
        EXPECT_EQ(report.code, kReportMail);
        EXPECT_EQ(report.size, kDetectionRecordSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Inspector, Reports, testing::ValuesIn(kReportRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalysisFixture, RecordsCarryTheMailAndWhatMatched) {
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 4u);

    char exe[261] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string program = std::string(exe).substr(std::string(exe).rfind('/') + 1);
    for (const MailReport& report : reports) {
        const DetectionRecord& r = report.record;
        EXPECT_EQ(FieldString(r.senderPath), exe);
        EXPECT_EQ(FieldString(r.program), program);
        EXPECT_EQ(FieldString(r.hostAddress), "");
        EXPECT_EQ(FieldString(r.port), "80");
        EXPECT_EQ(FieldString(r.mail.from), "account team <phisher@bad.example>");
        EXPECT_EQ(FieldString(r.mail.to), "victim@home.example");
        EXPECT_EQ(FieldString(r.mail.subject), "verify your account now");
        EXPECT_EQ(FieldString(r.mail.date), "mon, 1 jan 2024");
        EXPECT_EQ(FieldString(r.mail.attachment), "invoice.zip");
    }
    // The visible-link pair wins over the hidden link, and only one link report goes out.
    const DetectionRecord& link = reports[2].record;
    EXPECT_EQ(FieldString(link.mail.linkText), "Your Bank");
    EXPECT_EQ(FieldString(link.mail.linkTarget), "http://bad.example/login");
    EXPECT_EQ(FieldString(reports[3].record.mail.matchedText), "click here to unlock");
}

TEST_F(AnalysisFixture, RecordsNameTheProgramTheBrowserGives) {
    // A browser that runs the inspector in a helper process names its own program file.
    browser_->fullName = "/usr/lib/chromium/chromium";
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_FALSE(reports.empty());
    for (const MailReport& report : reports) {
        EXPECT_EQ(FieldString(report.record.senderPath), "/usr/lib/chromium/chromium");
        EXPECT_EQ(FieldString(report.record.program), "chromium");
    }
}

TEST_F(AnalysisFixture, HiddenLinkReportNamesThePatternTwice) {
    Sandbox::Get().WriteDefinitions(HiddenLinkOnly());
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(FieldString(reports[0].record.mail.linkText), "http://other.example/x");
    EXPECT_EQ(FieldString(reports[0].record.mail.linkTarget), "http://other.example/x");
}

TEST_F(AnalysisFixture, AbsentHeaderFieldsAreEmpty) {
    ShowPage("From: phisher@bad.example\r\nTo: me\r\nHello\r\n", "<p>Hello</p>");
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(FieldString(reports[0].record.mail.subject), "");
    EXPECT_EQ(FieldString(reports[0].record.mail.date), "");
    EXPECT_EQ(FieldString(reports[0].record.mail.attachment), "");
}

TEST_F(AnalysisFixture, LongHeaderValuesAreCutToTheirFields) {
    std::string longFrom = std::string(150, 'x') + " phisher@bad.example " + std::string(120, 'y');
    std::string longSubject = "verify your account " + std::string(300, 's');
    ShowPage("From: " + longFrom + "\r\nTo: " + std::string(500, 't') +
                 "\r\nSubject: " + longSubject + "\r\n",
             "<p>x</p>");
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(receiver.Kinds(), "FS");
    const DetectionRecord& r = reports[0].record;
    EXPECT_EQ(FieldString(r.mail.from), longFrom.substr(0, 100));
    EXPECT_EQ(FieldString(r.mail.to), std::string(100, 't'));
    EXPECT_EQ(FieldString(r.mail.subject), longSubject.substr(0, 100));
    EXPECT_EQ(r.mail.from[100], '\0');
    EXPECT_EQ(r.mail.to[100], '\0');
}

// The page reaches the lookups and the record in UTF-8, folded; a long value is cut before a
// character, not inside one.
TEST_F(AnalysisFixture, PageTextStaysUtf8AndIsCutBeforeACharacter) {
    std::string from = "J\xC3\x96RG " + std::string(50, 'x');
    for (int i = 0; i < 30; ++i)
        from += "\xC3\x89"; // "É": 2 bytes, the 100-byte cut falls inside one
    ShowPage("From: " + from + " <phisher@bad.example>\r\nTo: me\r\n", "<p>x</p>");
    ReportReceiver receiver({1});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(receiver.Kinds(), "F");
    const std::string field = FieldString(reports[0].record.mail.from);
    std::string expected = "j\xC3\xB6rg " + std::string(50, 'x');
    while (expected.size() + 2 <= 100)
        expected += "\xC3\xA9";
    EXPECT_EQ(field, expected);
}

// ---- pages that are no mail, and pages with nothing found ----

TEST_F(AnalysisFixture, PageWithFromLineAloneIsNotAnalysed) {
    ShowPage("From: phisher@bad.example\r\nclick here to unlock\r\n", kMailHtml);
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(browser_->Count("Stop"), 0u);
}

// Mail to hidden recipients shows no To line; its From and Subject lines make it a mail.
TEST_F(AnalysisFixture, MailWithoutToLineIsReportedWithEmptyTo) {
    ShowPage("From: phisher@bad.example\r\nSubject: verify your account\r\n"
             "click here to unlock\r\n",
             kMailHtml);
    ReportReceiver receiver({0});
    LoadTopLevel();
    std::vector<MailReport> reports = receiver.Reports();
    ASSERT_EQ(receiver.Kinds(), "F");
    EXPECT_EQ(FieldString(reports[0].record.mail.to), "");
    EXPECT_EQ(FieldString(reports[0].record.mail.subject), "verify your account");
    EXPECT_EQ(browser_->Count("Stop"), 1u);
}

TEST_F(AnalysisFixture, CleanMailSendsNothing) {
    ShowPage("From: friend@good.example\r\nTo: me\r\nSubject: lunch\r\nSee you.\r\n",
             "<p>See you.</p>");
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(browser_->Count("Stop"), 0u);
}

struct CaptureEndRow {
    const char* name;
    void (*arrange)(FakeBrowser&);
};

// Shown as the row's name in test listings.
void PrintTo(const CaptureEndRow& row, std::ostream* out) {
    *out << row.name;
}

const CaptureEndRow kCaptureEndRows[] = {
    {"DocumentUnavailable", [](FakeBrowser& b) { b.documentResult = E_FAIL; }},
    {"NoBody", [](FakeBrowser& b) { b.document->hasBody = false; }},
    {"BodyFails",
     [](FakeBrowser& b) { b.document->bodyResult = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED); }},
    {"OuterTextFails", [](FakeBrowser& b) { b.document->body->outerTextResult = E_FAIL; }},
    {"OuterHtmlFails", [](FakeBrowser& b) { b.document->body->outerHtmlResult = E_FAIL; }},
    {"EmptyOuterText", [](FakeBrowser& b) { b.document->body->outerText = ""; }},
    {"NoOuterHtml", [](FakeBrowser& b) { b.document->body->outerHtml.reset(); }},
    {"EmptyOuterHtml", [](FakeBrowser& b) { b.document->body->outerHtml = ""; }},
};

class CaptureEnds : public AnalysisFixture, public testing::WithParamInterface<CaptureEndRow> {};

TEST_P(CaptureEnds, WithoutReportOrReaction) {
    GetParam().arrange(*browser_.Get());
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(Analyses(), 1u);
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(browser_->Count("Stop"), 0u);
    EXPECT_EQ(browser_->Count("put_URL"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Inspector, CaptureEnds, testing::ValuesIn(kCaptureEndRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- reaction ----

TEST_F(AnalysisFixture, WarningPageFailingGoesBack) {
    browser_->document->putUrlResult = E_FAIL;
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(browser_->Count("GoBack"), 1u);
    EXPECT_EQ(browser_->Count("Refresh"), 0u);
    EXPECT_EQ(browser_->log.back(), "GoBack");
}

TEST_F(AnalysisFixture, NoHistoryEitherReloads) {
    browser_->document->putUrlResult = E_FAIL;
    browser_->goBackResult = E_FAIL;
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(browser_->log.back(), "Refresh");
}

TEST_F(AnalysisFixture, NoHandlerChannelMeansBlocked) {
    // The tray program is not running, but its database is still there.
    LoadTopLevel();
    EXPECT_TRUE(WarningShown());
    EXPECT_EQ(browser_->Count("Stop"), 1u);
    EXPECT_EQ(browser_->Count("put_URL"), 1u);
}

// ---- clipboard capture ----

class ClipboardCapture : public AnalysisFixture {
protected:
    void SetUp() override {
        AnalysisFixture::SetUp();
        ShowPage(std::nullopt, kMailHtml);
        browser_->document->selectableText = kMailText;
    }
    // Puts text on the clipboard as another program would.
    static void PutOnClipboard(const char* text) {
        IClipboard* clipboard = GetClipboard();
        ASSERT_TRUE(clipboard->OpenClipboard(nullptr));
        clipboard->SetClipboardText(text);
        clipboard->CloseClipboard();
    }
    static std::optional<std::string> ClipboardText() {
        IClipboard* clipboard = GetClipboard();
        if (!clipboard->OpenClipboard(nullptr))
            return "<cannot open>";
        std::string text;
        bool has = clipboard->GetClipboardText(&text);
        clipboard->CloseClipboard();
        return has ? std::optional<std::string>(text) : std::nullopt;
    }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const auto& line : browser_->log) {
            if (line.rfind("execCommand", 0) == 0)
                commands.push_back(line);
        }
        return commands;
    }
};

TEST_F(ClipboardCapture, PageWithoutOuterTextIsCopiedAndTheClipboardLeftEmpty) {
    PutOnClipboard("the user's own text");
    ReportReceiver receiver({1});
    LoadTopLevel();
    EXPECT_EQ(Commands(),
              (std::vector<std::string>{"execCommand Unselect 2", "execCommand SelectAll 2",
                                        "execCommand Copy 2", "execCommand Unselect 2"}));
    EXPECT_EQ(receiver.Kinds(), "FSLT");
    EXPECT_EQ(ClipboardText(), std::nullopt);
}

TEST_F(ClipboardCapture, FailedSelectAllUnselectsAndEndsTheRun) {
    browser_->document->commandResults["SelectAll"] = E_FAIL;
    PutOnClipboard("keep me");
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(Commands(),
              (std::vector<std::string>{"execCommand Unselect 2", "execCommand SelectAll 2",
                                        "execCommand Unselect 2"}));
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(browser_->Count("get_outerHTML"), 0u);
    EXPECT_EQ(ClipboardText(), "keep me");
}

TEST_F(ClipboardCapture, FailedCopyLeavesTheClipboardUntouched) {
    browser_->document->commandResults["Copy"] = E_FAIL;
    PutOnClipboard("keep me");
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(Commands(),
              (std::vector<std::string>{"execCommand Unselect 2", "execCommand SelectAll 2",
                                        "execCommand Copy 2", "execCommand Unselect 2"}));
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(ClipboardText(), "keep me");
}

TEST_F(ClipboardCapture, FailedUnselectEndsTheRunBeforeSelecting) {
    browser_->document->commandResults["Unselect"] = E_FAIL;
    ReportReceiver receiver({0});
    LoadTopLevel();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"execCommand Unselect 2"}));
    EXPECT_EQ(receiver.Kinds(), "");
}

// A clipboard that another program holds open for the whole run.
class HeldClipboard final : public IClipboard {
public:
    BOOL OpenClipboard(HWND) override {
        ++opens;
        return 0;
    }
    BOOL GetClipboardText(std::string*) override { return 0; }
    BOOL SetClipboardText(const char*) override { return 0; }
    BOOL EmptyClipboard() override { return 0; }
    BOOL CloseClipboard() override { return 0; }
    int opens = 0;
};

TEST_F(ClipboardCapture, ClipboardThatCannotBeOpenedGivesNoPageText) {
    browser_->document->copyReachesClipboard = false;
    HeldClipboard held;
    IClipboard* before = SetClipboard(&held);
    ReportReceiver receiver({0});
    LoadTopLevel();
    SetClipboard(before);
    EXPECT_EQ(held.opens, 1);
    EXPECT_EQ(receiver.Kinds(), "");
    EXPECT_EQ(browser_->Count("Stop"), 0u);
}

} // namespace
} // namespace inspectortest
