// The three report handlers without a window: every branch of the decision for host, URL and mail
// reports, the kind-byte check, the log's count and rating, the popup's fields, and a report
// handled while the popup of another one is open.
#include "core/DetectionHandlers.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"
#include "TraySandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace hookwise::platform;

using namespace hookwise::core;

using namespace traytest;

namespace {

// Records what the handlers ask of the main window and answers the popup as told.
class FakeView : public DetectionView {
public:
    int answer = 1;
    bool rememberAnswer = false;
    std::function<void()> duringAsk; // runs while the "popup" is open
    std::vector<AlertRequest> asked;
    std::vector<std::string> calls;

    int AskUser(const AlertRequest& request, bool& remember) override {
        asked.push_back(request);
        calls.push_back("ask");
        const int result = answer;
        const bool tick = rememberAnswer;
        if (duringAsk) {
            auto nested = std::move(duringAsk);
            duringAsk = nullptr;
            nested();
        }
        remember = tick;
        return result;
    }
    void PostMailItem(int index) override { calls.push_back("postMail:" + std::to_string(index)); }
    void PostSiteItem(int index) override { calls.push_back("postSite:" + std::to_string(index)); }
    void PostLogEntry(int index, bool dropped) override {
        calls.push_back("postLog:" + std::to_string(index) + (dropped ? "+dropped" : ""));
    }
    void UpdateMailItem(int index) override {
        calls.push_back("updateMail:" + std::to_string(index));
    }
    void UpdateSiteItem(int index) override {
        calls.push_back("updateSite:" + std::to_string(index));
    }
    void UpdateLogEntry(int index) override {
        calls.push_back("updateLog:" + std::to_string(index));
    }
    void RefreshMainMovie() override { calls.push_back("refresh"); }

    int Count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& call : calls)
            n += call.rfind(prefix, 0) == 0;
        return n;
    }
};

class Handlers : public testing::Test {
protected:
    TrayFolder folder_;
    GeneralSettings settings_;
    AlertLogStore log_;
    MailSafeList mail_;
    WebSiteBlockingList web_;
    FakeView view_;
    DetectionHandlers handlers_{DetectionState{settings_, log_, mail_, web_}, view_};

    std::int32_t Send(std::uint32_t code, const DetectionRecord& record) {
        return handlers_.Dispatch(code, reinterpret_cast<const std::uint8_t*>(&record),
                                  sizeof record);
    }
    bool NothingChanged() const {
        return web_.Count() == 0 && mail_.Count() == 0 && log_.Count() == 0 &&
               settings_.NoOfBlockedInstructions == 0 && settings_.NoOfWebProtection == 0 &&
               settings_.NoOfEmailProtection == 0 && view_.calls.empty();
    }
};

// ---- every branch of the decision, for each report kind ----

enum class Report { Host, Url, Mail };

// The item is not in the list yet.
constexpr int kNewItem = -1;
// The alert's answers as the view gives them, and the handler's replies to the sender.
constexpr int kAnswerClosed = 0;
constexpr int kAnswerAllow = 1;
constexpr int kAnswerBlock = 2;
constexpr std::int32_t kReplyBlock = 0;
constexpr std::int32_t kReplyAllow = 1;

// One report decided: the list's protection and permission, the item's remembered action, the
// alert setting and the user's answer; then the reply, whether the user was asked, the log entry's
// action, the counters, the item's action afterwards and who decided. A row names only what
// differs from a protected list, a new item, alerts shown, an allowing answer and nothing counted.
struct DecisionRow {
    const char* name;
    int protection = 1;
    int permission;
    int storedAction = kNewItem;
    int showAlert = 1;
    int answer = kAnswerAllow;
    bool remember = false;
    // expected
    std::int32_t reply;
    bool asked = false;
    const char* actionTaken = "";
    std::uint32_t blocked = 0;
    std::uint32_t alerts = 0; // NoOfWebProtection or NoOfEmailProtection
    int actionAfter;
    const char* decidedBy; // as the system journal names who decided
};

void PrintTo(const DecisionRow& row, std::ostream* os) {
    *os << row.name;
}

const DecisionRow kDecisionRows[] = {
    {.name = "ProtectionOffNewItem",
     .protection = 0,
     .permission = kPermissionPerItem,
     .reply = kReplyAllow,
     .actionAfter = kActionAsk,
     .decidedBy = "protection-off"},
    {.name = "ProtectionOffBlockedItem",
     .protection = 0,
     .permission = kPermissionBlockAll,
     .storedAction = kActionBlock,
     .reply = kReplyAllow,
     .actionAfter = kActionBlock,
     .decidedBy = "protection-off"},
    {.name = "AllowAll",
     .permission = kPermissionAllowAll,
     .answer = kAnswerBlock,
     .reply = kReplyAllow,
     .actionTaken = "Allow",
     .actionAfter = kActionAsk,
     .decidedBy = "list-mode"},
    {.name = "AllowAllOverRememberedBlock",
     .permission = kPermissionAllowAll,
     .storedAction = kActionBlock,
     .answer = kAnswerBlock,
     .reply = kReplyAllow,
     .actionTaken = "Allow",
     .actionAfter = kActionBlock,
     .decidedBy = "list-mode"},
    {.name = "BlockAll",
     .permission = kPermissionBlockAll,
     .reply = kReplyBlock,
     .actionTaken = "Block",
     .blocked = 1,
     .actionAfter = kActionAsk,
     .decidedBy = "list-mode"},
    {.name = "BlockAllOverRememberedAllow",
     .permission = kPermissionBlockAll,
     .storedAction = kActionAllow,
     .reply = kReplyBlock,
     .actionTaken = "Block",
     .blocked = 1,
     .actionAfter = kActionAllow,
     .decidedBy = "list-mode"},
    {.name = "PerItemRememberedAllow",
     .permission = kPermissionPerItem,
     .storedAction = kActionAllow,
     .answer = kAnswerBlock,
     .reply = kReplyAllow,
     .actionTaken = "Allow",
     .actionAfter = kActionAllow,
     .decidedBy = "remembered"},
    {.name = "PerItemRememberedBlock",
     .permission = kPermissionPerItem,
     .storedAction = kActionBlock,
     .reply = kReplyBlock,
     .actionTaken = "Block",
     .blocked = 1,
     .actionAfter = kActionBlock,
     .decidedBy = "remembered"},
    {.name = "PerItemUnknownActionUndecided",
     .permission = kPermissionPerItem,
     .storedAction = 7,
     .reply = kReplyBlock,
     .actionAfter = 7,
     .decidedBy = "no-rule"},
    {.name = "UnknownPermissionUndecided",
     .permission = 5,
     .reply = kReplyBlock,
     .actionAfter = kActionAsk,
     .decidedBy = "no-rule"},
    {.name = "AskAllowed",
     .permission = kPermissionPerItem,
     .reply = kReplyAllow,
     .asked = true,
     .actionTaken = "Allow",
     .alerts = 1,
     .actionAfter = kActionAsk,
     .decidedBy = "user"},
    {.name = "AskAllowedRemembered",
     .permission = kPermissionPerItem,
     .remember = true,
     .reply = kReplyAllow,
     .asked = true,
     .actionTaken = "Allow",
     .alerts = 1,
     .actionAfter = kActionAllow,
     .decidedBy = "user"},
    {.name = "AskBlocked",
     .permission = kPermissionPerItem,
     .storedAction = kActionAsk,
     .answer = kAnswerBlock,
     .reply = kReplyBlock,
     .asked = true,
     .actionTaken = "Block",
     .blocked = 1,
     .alerts = 1,
     .actionAfter = kActionAsk,
     .decidedBy = "user"},
    {.name = "AskBlockedRemembered",
     .permission = kPermissionPerItem,
     .storedAction = kActionAsk,
     .answer = kAnswerBlock,
     .remember = true,
     .reply = kReplyBlock,
     .asked = true,
     .actionTaken = "Block",
     .blocked = 1,
     .alerts = 1,
     .actionAfter = kActionBlock,
     .decidedBy = "user"},
    {.name = "AskClosedIsBlock",
     .permission = kPermissionPerItem,
     .answer = kAnswerClosed,
     .remember = true,
     .reply = kReplyBlock,
     .asked = true,
     .actionTaken = "Block",
     .blocked = 1,
     .alerts = 1,
     .actionAfter = kActionBlock,
     .decidedBy = "user"},
    {.name = "AlertsOffBlockWithoutPopup",
     .permission = kPermissionPerItem,
     .showAlert = 0,
     .remember = true,
     .reply = kReplyBlock,
     .actionTaken = "Block",
     .blocked = 1,
     .alerts = 1,
     .actionAfter = kActionAsk,
     .decidedBy = "alerts-off"},
};

class Decision : public Handlers,
                 public testing::WithParamInterface<std::tuple<Report, DecisionRow>> {
protected:
    void SetUp() override {
        SetDecisionJournalSink(
            [this](const std::vector<std::string>& fields) { journal_.push_back(fields); });
    }
    void TearDown() override { SetDecisionJournalSink({}); }

    // The value of a field of the one journal entry.
    std::string Field(const std::string& name) const {
        if (journal_.size() != 1)
            return "<" + std::to_string(journal_.size()) + " entries>";
        for (const std::string& field : journal_[0])
            if (field.rfind(name + "=", 0) == 0)
                return field.substr(name.size() + 1);
        return "<none>";
    }

    std::vector<std::vector<std::string>> journal_;
};

TEST_P(Decision, FollowsProtectionPermissionItemAndAnswer) {
    const auto& [report, row] = GetParam();
    DetectionRecord record;
    std::uint32_t code = 0;
    switch (report) {
    case Report::Host:
        record = WebRecord(kKindHost, "");
        code = kReportHost;
        break;
    case Report::Url:
        record = WebRecord(kKindUrl, "phish.example/login.html");
        code = kReportUrl;
        break;
    case Report::Mail:
        record = MailRecord(kKindFrom, "billing@paypa1.example");
        code = kReportMail;
        break;
    }
    const bool web = report != Report::Mail;
    if (web) {
        web_.ProtectionState = row.protection;
        web_.Permission = row.permission;
        log_.EventAlerts[kWebAlertIndex].ShowAlert = row.showAlert;
    } else {
        mail_.ProtectionState = row.protection;
        mail_.Permission = row.permission;
        log_.EventAlerts[kMailAlertIndex].ShowAlert = row.showAlert;
    }
    if (row.storedAction >= 0) {
        if (web) {
            WebSiteBlockingItem item = WebItemFromRecord(record, "earlier");
            item.Action = row.storedAction;
            web_.Append(item);
        } else {
            MailSafeItem item = MailItemFromRecord(record);
            item.Action = row.storedAction;
            mail_.Append(item);
        }
    }
    view_.answer = row.answer;
    view_.rememberAnswer = row.remember;

    EXPECT_EQ(Send(code, record), row.reply);

    EXPECT_EQ(view_.asked.size(), row.asked ? 1u : 0u);
    EXPECT_EQ(settings_.NoOfBlockedInstructions, row.blocked);
    EXPECT_EQ(web ? settings_.NoOfWebProtection : settings_.NoOfEmailProtection, row.alerts);
    EXPECT_EQ(web ? settings_.NoOfEmailProtection : settings_.NoOfWebProtection, 0u);
    ASSERT_EQ(web ? web_.Count() : mail_.Count(), 1);
    EXPECT_EQ(web ? web_.ItemAt(0).Action : mail_.ItemAt(0).Action, row.actionAfter);

    ASSERT_EQ(log_.Count(), 1);
    const AlertLogEntry entry = log_.EntryAt(0);
    EXPECT_EQ(entry.ActionTaken, row.actionTaken);
    EXPECT_EQ(entry.Count, 1);
    EXPECT_EQ(entry.Rating, "Medium");
    EXPECT_EQ(entry.Protocol, "HTTP");
    EXPECT_EQ(entry.Type, report == Report::Host ? "IP" : report == Report::Url ? "URL" : "From");
    EXPECT_EQ(entry.Program, web ? "curl" : "chromium");
    EXPECT_EQ(entry.HostIP, web ? "192.0.2.11" : "");

    // The same decision in the system journal, with who made it.
    EXPECT_EQ(Field("HOOKWISE_ACTION"), row.reply == 1 ? "allow" : "block");
    EXPECT_EQ(Field("HOOKWISE_DECIDED_BY"), row.decidedBy);
    EXPECT_EQ(Field("HOOKWISE_KIND"), report == Report::Host  ? "host"
                                      : report == Report::Url ? "url"
                                                              : "mail-from");
    EXPECT_EQ(Field("HOOKWISE_ITEM"), entry.StrictedData);
    EXPECT_EQ(Field("HOOKWISE_PROGRAM"), entry.Program);
    EXPECT_EQ(Field("PRIORITY"), row.reply == 1 ? "6" : "4");

    // A new item reaches the movie once; a remembered answer updates the item; every report
    // ends with the overview refreshed.
    const char* post = web ? "postSite:" : "postMail:";
    const char* update = web ? "updateSite:" : "updateMail:";
    EXPECT_EQ(view_.Count(post), row.storedAction < 0 ? 1 : 0);
    EXPECT_EQ(view_.Count(update), row.asked && row.remember ? 1 : 0);
    EXPECT_EQ(view_.Count("postLog:0"), 1);
    ASSERT_FALSE(view_.calls.empty());
    EXPECT_EQ(view_.calls.back(), "refresh");
}

INSTANTIATE_TEST_SUITE_P(Branches, Decision,
                         testing::Combine(testing::Values(Report::Host, Report::Url, Report::Mail),
                                          testing::ValuesIn(kDecisionRows)),
                         [](const testing::TestParamInfo<std::tuple<Report, DecisionRow>>& info) {
                             const Report report = std::get<0>(info.param);
                             const char* kind = report == Report::Host  ? "Host"
                                                : report == Report::Url ? "Url"
                                                                        : "Mail";
                             return std::string(kind) + std::get<1>(info.param).name;
                         });

// ---- the kind byte and the report code ----

struct KindRow {
    const char* name;
    std::uint32_t code;
    char kind;
    bool mailLayout;
    std::int32_t reply;
};

void PrintTo(const KindRow& row, std::ostream* os) {
    *os << row.name;
}

const KindRow kKindRows[] = {
    {.name = "HostCodeWithUrlKind",
     .code = kReportHost,
     .kind = 'U',
     .mailLayout = false,
     .reply = 1},
    {.name = "UrlCodeWithHostKind",
     .code = kReportUrl,
     .kind = 'I',
     .mailLayout = false,
     .reply = 1},
    {.name = "HostCodeWithNoKind",
     .code = kReportHost,
     .kind = '\0',
     .mailLayout = false,
     .reply = 1},
    {.name = "MailCodeWithX", .code = kReportMail, .kind = 'X', .mailLayout = true, .reply = 1},
    {.name = "MailCodeWithLowerCaseFrom",
     .code = kReportMail,
     .kind = 'f',
     .mailLayout = true,
     .reply = 1},
    {.name = "MailCodeWithWebKindOnly",
     .code = kReportMail,
     .kind = '\0',
     .mailLayout = false,
     .reply = 1},
    {.name = "UnknownCode", .code = 1128, .kind = 'U', .mailLayout = false, .reply = 0},
    {.name = "CodeZero", .code = 0, .kind = 'U', .mailLayout = false, .reply = 0},
};

class KindCheck : public Handlers, public testing::WithParamInterface<KindRow> {};

TEST_P(KindCheck, AnswersWithoutTrace) {
    const KindRow& row = GetParam();
    web_.Permission = kPermissionBlockAll;
    mail_.Permission = kPermissionBlockAll;
    DetectionRecord record = row.mailLayout ? MailRecord(kKindFrom, "x@example.test")
                                            : WebRecord(kKindUrl, "phish.example/login.html");
    if (row.mailLayout)
        record.mail.kind = row.kind;
    else
        record.web.kind = row.kind;
    EXPECT_EQ(Send(row.code, record), row.reply);
    EXPECT_TRUE(NothingChanged());
}

INSTANTIATE_TEST_SUITE_P(Reports, KindCheck, testing::ValuesIn(kKindRows),
                         [](const testing::TestParamInfo<KindRow>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Handlers, ShortRecordReadsAsZeroFilledAndLeavesNoTrace) {
    const DetectionRecord record = WebRecord(kKindUrl, "phish.example/login.html");
    EXPECT_EQ(handlers_.Dispatch(kReportUrl, reinterpret_cast<const std::uint8_t*>(&record), 653),
              1);
    EXPECT_EQ(handlers_.Dispatch(kReportUrl, nullptr, 0), 1);
    EXPECT_TRUE(NothingChanged());
}

TEST_F(Handlers, BytesBeyondTheRecordAreIgnored) {
    web_.Permission = kPermissionBlockAll;
    std::vector<std::uint8_t> bytes(4000, 'Z');
    const DetectionRecord record = WebRecord(kKindUrl, "phish.example/login.html");
    std::memcpy(bytes.data(), &record, sizeof record);
    EXPECT_EQ(
        handlers_.Dispatch(kReportUrl, bytes.data(), static_cast<std::uint32_t>(bytes.size())), 0);
    EXPECT_EQ(web_.ItemAt(0).StrictedData, "phish.example/login.html");
}

TEST_F(Handlers, UnterminatedFieldsAreReadToTheirEnd) {
    web_.Permission = kPermissionBlockAll;
    DetectionRecord record = WebRecord(kKindUrl, "");
    std::memset(record.web.url, 'a', sizeof record.web.url);
    std::memset(record.program, 'p', sizeof record.program);
    EXPECT_EQ(Send(kReportUrl, record), 0);
    EXPECT_EQ(web_.ItemAt(0).StrictedData, std::string(261, 'a'));
    EXPECT_EQ(web_.ItemAt(0).Program, std::string(101, 'p'));
}

// ---- the log's count and rating ----

TEST_F(Handlers, RepeatedBlockCountsOneEntryThatTurnsHighAboveTen) {
    web_.Permission = kPermissionBlockAll;
    const DetectionRecord record = WebRecord(kKindUrl, "phish.example/login.html");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Send(kReportUrl, record), 0);
    ASSERT_EQ(log_.Count(), 1);
    EXPECT_EQ(log_.EntryAt(0).Count, 10);
    EXPECT_EQ(log_.EntryAt(0).Rating, "Medium");

    EXPECT_EQ(Send(kReportUrl, record), 0);
    ASSERT_EQ(log_.Count(), 1);
    EXPECT_EQ(log_.EntryAt(0).Count, 11);
    EXPECT_EQ(log_.EntryAt(0).Rating, "High");
    EXPECT_EQ(settings_.NoOfBlockedInstructions, 11u);
    EXPECT_EQ(web_.Count(), 1);
    EXPECT_EQ(view_.Count("postLog:"), 1);
    EXPECT_EQ(view_.Count("updateLog:0"), 10);
    EXPECT_EQ(view_.Count("refresh"), 11);
}

TEST_F(Handlers, OtherProgramOrActionMakesAnotherLogEntry) {
    web_.Permission = kPermissionBlockAll;
    Send(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html", "curl"));
    Send(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html", "wget"));
    web_.Permission = kPermissionAllowAll;
    Send(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html", "curl"));
    EXPECT_EQ(web_.Count(), 2);
    ASSERT_EQ(log_.Count(), 3);
    EXPECT_EQ(log_.EntryAt(2).ActionTaken, "Allow");
}

TEST_F(Handlers, FullLogDropsItsOldestAndSaysSo) {
    web_.Permission = kPermissionBlockAll;
    for (std::size_t i = 0; i < kMaxAlertLogEntries; ++i) {
        AlertLogEntry entry;
        entry.Type = "URL";
        entry.StrictedData = "old" + std::to_string(i);
        log_.AddEntry(entry);
    }
    Send(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html"));
    EXPECT_EQ(log_.Count(), static_cast<int>(kMaxAlertLogEntries));
    EXPECT_EQ(view_.Count("postLog:" + std::to_string(kMaxAlertLogEntries - 1) + "+dropped"), 1);
}

// ---- the popup's fields ----

TEST_F(Handlers, HostPopupCarriesTheHostTexts) {
    Send(kReportHost, WebRecord(kKindHost, "", "curl", "8080", "198.51.100.26"));
    ASSERT_EQ(view_.asked.size(), 1u);
    const AlertRequest& request = view_.asked[0];
    EXPECT_EQ(request.AlertKind, AlertRequest::WebAlert);
    EXPECT_EQ(request.Type, "IP");
    EXPECT_EQ(request.StrictedData, "198.51.100.26");
    EXPECT_EQ(request.ScamSite, "198.51.100.26");
    EXPECT_EQ(request.IPAddress, "198.51.100.26");
    EXPECT_EQ(request.Application, "curl");
    EXPECT_EQ(request.Protocol, "HTTP");
    EXPECT_FALSE(request.DateTime.empty());
    EXPECT_EQ(request.ToolTip, FormatAlertText(LoadText(kStrAlertHost), "198.51.100.26"));
    EXPECT_NE(request.ToolTip.find("IP is '198.51.100.26'"), std::string::npos);
}

TEST_F(Handlers, UrlPopupCarriesTheUrlTexts) {
    Send(kReportUrl, WebRecord(kKindUrl, "phish.example/login.html", "curl", "21"));
    ASSERT_EQ(view_.asked.size(), 1u);
    const AlertRequest& request = view_.asked[0];
    EXPECT_EQ(request.Type, "URL");
    EXPECT_EQ(request.ScamSite, "phish.example/login.html");
    EXPECT_EQ(request.IPAddress, "192.0.2.11");
    EXPECT_EQ(request.Protocol, "FTP");
    EXPECT_NE(request.ToolTip.find("URL is 'phish.example/login.html'"), std::string::npos);
}

TEST_F(Handlers, MailPopupCarriesTheMailTexts) {
    DetectionRecord record = MailRecord(kKindSubject, "Verify your account now");
    CopyField(record.hostAddress, "203.0.113.9");
    Send(kReportMail, record);
    ASSERT_EQ(view_.asked.size(), 1u);
    const AlertRequest& request = view_.asked[0];
    EXPECT_EQ(request.AlertKind, AlertRequest::MailAlert);
    EXPECT_EQ(request.Type, "Subject");
    EXPECT_EQ(request.StrictedData, "Verify your account now");
    EXPECT_EQ(request.Subject, "Verify your account now");
    EXPECT_EQ(request.From, "billing@bank.example");
    EXPECT_EQ(request.To, "me@home.example");
    EXPECT_EQ(request.DateTime, "Mon, 7 Dec 2009 14:05:09");
    EXPECT_EQ(request.Attachment, "invoice.zip");
    EXPECT_EQ(request.IPAddress, "203.0.113.9");
    EXPECT_EQ(request.Application, "chromium");
    EXPECT_EQ(request.ToolTip, LoadText(kStrAlertMail));
    EXPECT_EQ(log_.EntryAt(0).HostIP, "203.0.113.9");
}

TEST(AlertText, ArgumentIsNeverReadAsAFormat) {
    EXPECT_EQ(FormatAlertText("site '%s' now", "a%sb%n"), "site 'a%sb%n' now");
    EXPECT_EQ(FormatAlertText("no placeholder", "x"), "no placeholder");
    EXPECT_EQ(FormatAlertText("%s and %s", "x"), "x and %s");
}

// ---- lists ----

TEST_F(Handlers, LinkAndFromOfOneMailMakeTwoItems) {
    mail_.Permission = kPermissionAllowAll;
    DetectionRecord from = MailRecord(kKindFrom, "billing@paypa1.example");
    DetectionRecord link = MailRecord(kKindLink, "paypa1.example/login");
    Send(kReportMail, from);
    Send(kReportMail, link);
    ASSERT_EQ(mail_.Count(), 2);
    EXPECT_EQ(mail_.ItemAt(0).Type, "From");
    EXPECT_EQ(mail_.ItemAt(1).Type, "Link");
    EXPECT_EQ(mail_.ItemAt(1).StrictedData,
              "Called: 'paypa1.example/login'\nVisible: 'Click here'");
    EXPECT_EQ(view_.Count("postMail:"), 2);
}

TEST_F(Handlers, RememberedAllowLetsTheNextReportThroughWithoutAsking) {
    const DetectionRecord record = WebRecord(kKindUrl, "phish.example/login.html");
    view_.answer = 1;
    view_.rememberAnswer = true;
    EXPECT_EQ(Send(kReportUrl, record), 1);
    view_.answer = 2;
    EXPECT_EQ(Send(kReportUrl, record), 1);
    EXPECT_EQ(view_.asked.size(), 1u);
    EXPECT_EQ(log_.EntryAt(0).Count, 2);
}

TEST_F(Handlers, MailReportWithoutAddressIsLoggedAsHttp) {
    mail_.Permission = kPermissionBlockAll;
    EXPECT_EQ(Send(kReportMail, MailRecord(kKindText, "confirm your password")), 0);
    EXPECT_EQ(log_.EntryAt(0).Protocol, "HTTP");
    EXPECT_EQ(log_.EntryAt(0).HostIP, "");
    EXPECT_EQ(log_.EntryAt(0).Type, "Message");
}

// ---- a report handled while another one's popup is open ----

TEST_F(Handlers, NestedReportIsHandledToItsEndBeforeTheFirstResumes) {
    const DetectionRecord first = WebRecord(kKindUrl, "phish.example/login.html");
    const DetectionRecord second = WebRecord(kKindUrl, "phish.example/verify.html");
    std::int32_t nestedReply = -1;
    view_.answer = 1;
    view_.rememberAnswer = true;
    view_.duringAsk = [&] {
        // The second popup is answered Block, not remembered.
        view_.answer = 2;
        view_.rememberAnswer = false;
        nestedReply = Send(kReportUrl, second);
        view_.answer = 1;
        view_.rememberAnswer = true;
    };

    EXPECT_EQ(Send(kReportUrl, first), 1);

    EXPECT_EQ(nestedReply, 0);
    ASSERT_EQ(web_.Count(), 2);
    EXPECT_EQ(web_.ItemAt(0).StrictedData, "phish.example/login.html");
    EXPECT_EQ(web_.ItemAt(0).Action, kActionAllow); // the first answer lands on its own item
    EXPECT_EQ(web_.ItemAt(1).Action, kActionAsk);
    // Rows reach the movie in list order; the nested report ends (log, refresh) before the
    // first one records its own event.
    const std::vector<std::string> expected = {"postSite:0",   "ask",       "postSite:1",
                                               "ask",          "postLog:0", "refresh",
                                               "updateSite:0", "postLog:1", "refresh"};
    EXPECT_EQ(view_.calls, expected);
    EXPECT_EQ(log_.EntryAt(0).ActionTaken, "Block");
    EXPECT_EQ(log_.EntryAt(1).ActionTaken, "Allow");
    EXPECT_EQ(settings_.NoOfWebProtection, 2u);
    EXPECT_EQ(settings_.NoOfBlockedInstructions, 1u);
}

} // namespace
