// DetectionHandlers: the settling of every detection report: the remembered list of its kind,
// the decision by protection state, permission, remembered answer or the user's answer, the
// counters, the alert log, the movie posts and the reply to the sender.
//
// The handlers are Qt-free: what they need of the main window (asking the user in the alert
// popup, the movie posts, the overview refresh) comes through DetectionView, so every decision
// can be driven without a window.
#pragma once

#include "core/logging/DecisionJournal.h"
#include "engine/DetectionRecord.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace hookwise::core {

class GeneralSettings;
class AlertLogStore;
class MailSafeList;
class WebSiteBlockingList;

// Decision values.
constexpr std::int32_t kDecisionBlock = 0;
constexpr std::int32_t kDecisionAllow = 1;
constexpr std::int32_t kDecisionUndecided = 2;

// AskUser's result when the alert was closed because every program waiting for it ended.
constexpr int kAlertClosedUnanswered = 3;
// The alert log's action text for such an event.
constexpr const char* kActionTextSenderEnded = "program ended before an answer";

// The alert popup's fields for one detection, as the handlers fill them.
struct AlertRequest {
    enum { MailAlert = 0, WebAlert = 1 };
    int AlertKind = MailAlert;
    std::string StrictedData;
    std::string Type;
    std::string Application;
    std::string DateTime;
    std::string Attachment;
    std::string Protocol;
    std::string From;
    std::string To;
    std::string Subject;
    std::string IPAddress;
    std::string ScamSite;
    std::string ToolTip;
    // Not shown: the handlers' number of this question (for CloseAlert), and what the view calls
    // the moment the user answers (result as AskUser returns it), before its own loop unwinds,
    // so that reports waiting for the same answer inside that loop can take it.
    int Question = 0;
    std::function<void(int result, bool remember)> Answered;
};

// What the handlers ask of the main window. Every call comes on the thread that handles reports.
class DetectionView {
public:
    virtual ~DetectionView() = default;
    // Shows the alert popup modally (reports arriving meanwhile are handled inside its loop).
    // Returns 1 when the user allowed, anything else for block; remember tells whether the
    // remember box was ticked at the answer.
    virtual int AskUser(const AlertRequest& request, bool& remember) = 0;
    // A detection appended the item (entry) at index to its list / log. droppedOldest: the log
    // dropped its oldest entry to make room, so every older index moved down by one.
    virtual void PostMailItem(int index) = 0;
    virtual void PostSiteItem(int index) = 0;
    virtual void PostLogEntry(int index, bool droppedOldest) = 0;
    // A remembered answer changed the item's Action / a repeat raised the entry's Count.
    virtual void UpdateMailItem(int index) = 0;
    virtual void UpdateSiteItem(int index) = 0;
    virtual void UpdateLogEntry(int index) = 0;
    // The counters and switches of the overview.
    virtual void RefreshMainMovie() = 0;

    // One question per item: a report for the item of an open alert waits for that alert's
    // answer instead of opening its own.
    // Runs a nested event loop until done() holds, checking it again at each WakeWaiters; returns
    // true then, or false when the view cannot wait (the report then asks on its own) or the
    // program is ending.
    virtual bool WaitUntil(const std::function<bool()>& done) {
        (void)done;
        return false;
    }
    virtual void WakeWaiters() {}
    // Closes the alert still open for request.Question; its AskUser returns
    // kAlertClosedUnanswered.
    virtual void CloseAlert(int question) { (void)question; }
};

// The state the handlers read and change; all owned by the application object.
struct DetectionState {
    GeneralSettings& settings;
    AlertLogStore& log;
    MailSafeList& mail;
    WebSiteBlockingList& web;
};

class DetectionHandlers {
public:
    DetectionHandlers(DetectionState state, DetectionView& view) : state_(state), view_(view) {}

    // Each returns the reply: 1 when the final decision is allow, else 0. A record whose kind
    // byte does not belong to the report ('I' host, 'U' URL, 'F' 'S' 'L' 'T' mail) is answered 1
    // at once and leaves no trace.
    std::int32_t OnHostReport(const DetectionRecord& record);
    std::int32_t OnUrlReport(const DetectionRecord& record);
    std::int32_t OnMailReport(const DetectionRecord& record);

    // The channel's entry: the bytes (any count; a shorter record reads as zero-filled, bytes
    // beyond the record are ignored) go to the handler of code 1125, 1126 or 1127; any other code
    // is answered 0. report: the channel's number of the report (0 when it has none), by which
    // OnSenderGone names it.
    std::int32_t Dispatch(std::uint32_t code, const std::uint8_t* data, std::uint32_t size,
                          std::uint64_t report = 0);

    // The sender of a report being handled ended before its answer. A report waiting for an open
    // alert's answer is dropped (no decision, no log entry); an alert that no living sender waits
    // for any more closes, and its event is logged as kActionTextSenderEnded.
    void OnSenderGone(std::uint64_t report);

private:
    std::int32_t OnWebReport(const DetectionRecord& record, char kind);
    // What a list's Permission and an item's Action call for (protection on).
    enum class Outcome { Allow, Block, Ask, Undecided };
    static Outcome Decide(std::int32_t permission, std::int32_t itemAction);
    // One report's part in the shared decision, besides the list it is of (DecideReport's list):
    // its item, and what differs by kind when the user is asked.
    struct DecisionInput {
        const DetectionRecord& Record; // the report, to look its item up again
        int ItemIndex;
        std::uint64_t Report; // the channel's number of the report, 0 when none
        std::int32_t ItemAction;
        std::uint32_t& AskedCounter;           // raised for each report put to the user
        std::function<AlertRequest()> Request; // the popup's fields, made only when asking
    };
    struct Decision {
        std::int32_t Value = kDecisionUndecided;
        std::string ActionText; // "Allow", "Block", or empty when undecided or protection is off
        bool Dropped = false;   // the sender ended while waiting: nothing is logged or answered
        DecidedBy By = DecidedBy::NoRule;
    };
    // An alert open now, and the reports whose senders wait for its answer.
    struct Question {
        int Id = 0;
        const void* List = nullptr; // the list ItemIndex is of
        int ItemIndex = -1;
        std::set<std::uint64_t> Reports;
        bool Answered = false;
        bool Allowed = false;
        bool Closed = false; // closed because every waiting sender ended
    };
    // Waits for the open question of the same item of list, if any; true when its answer was taken
    // into result (or the report was dropped).
    bool TakeOpenAnswer(const void* list, const DecisionInput& input, Decision& result);
    bool SenderGone(std::uint64_t report) const { return report != 0 && gone_.count(report) != 0; }
    // Protection off (list's switch) allows; otherwise Decide by list's Permission, and for Ask:
    // the request, AskedCounter raised, the user asked (when the alert log shows alerts of the
    // list's kind; else block), the answer remembered on the list's item when the box was ticked.
    // Every block raises NoOfBlockedInstructions. List is MailSafeList or WebSiteBlockingList.
    template <typename List> Decision DecideReport(List& list, const DecisionInput& input);
    // What differs between the two lists when the user is asked: whether alerts of the kind are
    // shown, and the view's update of an item whose Action changed.
    bool ShowsAlerts(const MailSafeList& list) const;
    bool ShowsAlerts(const WebSiteBlockingList& list) const;
    void UpdateItem(const MailSafeList& list, int index);
    void UpdateItem(const WebSiteBlockingList& list, int index);
    // The decision in the system journal.
    static void Journal(char kind, const std::string& item, const Decision& decision,
                        const std::string& program, const std::string& host);
    void RecordInLog(const std::string& type, std::int32_t port, const std::string& program,
                     const std::string& hostIP, const std::string& actionTaken,
                     const std::string& strictedData);

    DetectionState state_;
    DetectionView& view_;
    std::uint64_t report_ = 0; // the report being dispatched, until its handler first waits
    int nextQuestion_ = 1;
    std::vector<std::shared_ptr<Question>> questions_;
    std::set<std::uint64_t> gone_;
};

// Text with the first "%s" replaced by argument (the alert texts' one placeholder); the argument
// is never read as a format.
std::string FormatAlertText(const std::string& text, const std::string& argument);

} // namespace hookwise::core
