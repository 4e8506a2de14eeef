// DetectionHandlers: the host, URL and mail report handlers.
//
// Sections: dispatch from the channel; the web handlers (host and URL); the mail handler; the
// shared decision and log steps.
#include "core/DetectionHandlers.h"

#include "core/lists/ListNames.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "core/settings/GeneralSettings.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"

#include <algorithm>
#include <cstring>

namespace hookwise::core {

namespace {

constexpr const char* kActionTextAllow = "Allow";
constexpr const char* kActionTextBlock = "Block";

bool IsMailKind(char kind) {
    return kind == kKindFrom || kind == kKindSubject || kind == kKindLink || kind == kKindText;
}

// The popup's fields that a mail and a web item fill alike.
template <typename Item> AlertRequest RequestForItem(int alertKind, const Item& item) {
    AlertRequest request;
    request.AlertKind = alertKind;
    request.StrictedData = item.StrictedData;
    request.Type = item.Type;
    request.Application = item.Program;
    request.Protocol = ProtocolName(item.Port);
    return request;
}

} // namespace

std::string FormatAlertText(const std::string& text, const std::string& argument) {
    const std::size_t at = text.find("%s");
    if (at == std::string::npos)
        return text;
    std::string result = text;
    result.replace(at, 2, argument);
    return result;
}

// ---- dispatch ----

std::int32_t DetectionHandlers::Dispatch(std::uint32_t code, const std::uint8_t* data,
                                         std::uint32_t size, std::uint64_t report) {
    if (code != kReportHost && code != kReportUrl && code != kReportMail)
        return 0;
    // The handlers read the number at their start, before anything can nest another report.
    report_ = report;
    struct Forget {
        DetectionHandlers& handlers;
        std::uint64_t report;
        ~Forget() { handlers.gone_.erase(report); }
    } forget{*this, report};
    // The receiver keeps its own copy: the sender's bytes are valid only during the call, and a
    // short record must read as zero-filled rather than past its end.
    DetectionRecord record;
    ClearRecord(record);
    if (data != nullptr)
        std::memcpy(&record, data, std::min<std::size_t>(size, sizeof record));
    switch (code) {
    case kReportHost:
        return OnHostReport(record);
    case kReportUrl:
        return OnUrlReport(record);
    default:
        return OnMailReport(record);
    }
}

// ---- shared steps ----

DetectionHandlers::Outcome DetectionHandlers::Decide(std::int32_t permission,
                                                     std::int32_t itemAction) {
    const std::int32_t rule = permission == kPermissionPerItem ? itemAction : permission;
    if (permission == kPermissionPerItem && itemAction == kActionAsk)
        return Outcome::Ask;
    switch (rule) {
    case kPermissionAllowAll: // also item Action 0 (Allow)
        return Outcome::Allow;
    case kPermissionBlockAll: // also item Action 1 (Block)
        return Outcome::Block;
    default:
        return Outcome::Undecided;
    }
}

void DetectionHandlers::OnSenderGone(std::uint64_t report) {
    if (report == 0)
        return;
    gone_.insert(report);
    // Copies: closing an alert may run code that changes the list.
    const std::vector<std::shared_ptr<Question>> open = questions_;
    for (const auto& question : open) {
        if (question->Reports.erase(report) == 0)
            continue;
        if (question->Reports.empty() && !question->Answered)
            view_.CloseAlert(question->Id);
    }
    view_.WakeWaiters();
}

bool DetectionHandlers::TakeOpenAnswer(const void* list, const DecisionInput& input,
                                       Decision& result) {
    std::shared_ptr<Question> open;
    for (const auto& question : questions_) {
        if (question->List == list && question->ItemIndex == input.ItemIndex && !question->Answered)
            open = question;
    }
    if (!open)
        return false;
    const std::uint64_t report = input.Report;
    if (report != 0)
        open->Reports.insert(report);
    const bool waited = view_.WaitUntil([&] { return open->Answered || SenderGone(report); });
    if (report != 0)
        open->Reports.erase(report);
    if (SenderGone(report)) {
        result.Dropped = true;
        return true;
    }
    if (!waited || !open->Answered || open->Closed)
        return false;
    // The same decision as the alert's; the answer's remembering is the asking report's.
    result.By = DecidedBy::User;
    if (open->Allowed) {
        result.Value = kDecisionAllow;
        result.ActionText = kActionTextAllow;
    } else {
        result.Value = kDecisionBlock;
        result.ActionText = kActionTextBlock;
        ++state_.settings.NoOfBlockedInstructions;
    }
    return true;
}

bool DetectionHandlers::ShowsAlerts(const MailSafeList&) const {
    return state_.log.ShowMailAlert();
}

bool DetectionHandlers::ShowsAlerts(const WebSiteBlockingList&) const {
    return state_.log.ShowWebAlert();
}

void DetectionHandlers::UpdateItem(const MailSafeList&, int index) {
    view_.UpdateMailItem(index);
}

void DetectionHandlers::UpdateItem(const WebSiteBlockingList&, int index) {
    view_.UpdateSiteItem(index);
}

template <typename List>
DetectionHandlers::Decision DetectionHandlers::DecideReport(List& list,
                                                            const DecisionInput& input) {
    Decision result;
    if (list.ProtectionState.load() == 0) {
        result.Value = kDecisionAllow;
        result.By = DecidedBy::ProtectionOff;
        return result;
    }
    // A permission of 0 or 1 decides for every item; in per-item mode the item's Action does.
    const DecidedBy rule =
        list.Permission.load() == kPermissionPerItem ? DecidedBy::Remembered : DecidedBy::ListMode;
    std::uint32_t& blocked = state_.settings.NoOfBlockedInstructions;
    switch (Decide(list.Permission.load(), input.ItemAction)) {
    case Outcome::Allow:
        result.Value = kDecisionAllow;
        result.ActionText = kActionTextAllow;
        result.By = rule;
        break;
    case Outcome::Block:
        result.Value = kDecisionBlock;
        result.ActionText = kActionTextBlock;
        result.By = rule;
        ++blocked;
        break;
    case Outcome::Undecided:
        break;
    case Outcome::Ask: {
        if (TakeOpenAnswer(&list, input, result))
            break;
        AlertRequest request = input.Request();
        ++input.AskedCounter;

        bool remember = false;
        const bool shown = ShowsAlerts(list);
        int answer = 2;
        if (shown) {
            auto question = std::make_shared<Question>();
            question->Id = nextQuestion_++;
            question->List = &list;
            question->ItemIndex = input.ItemIndex;
            if (input.Report != 0)
                question->Reports.insert(input.Report);
            request.Question = question->Id;
            // Published at the answer itself: reports waiting for it run inside the alert's
            // loop, which cannot end before they do.
            request.Answered = [this, question](int value, bool) {
                if (question->Answered)
                    return;
                question->Answered = true;
                question->Allowed = value == 1;
                question->Closed = value == kAlertClosedUnanswered;
                view_.WakeWaiters();
            };
            questions_.push_back(question);
            answer = view_.AskUser(request, remember);
            questions_.erase(std::find(questions_.begin(), questions_.end(), question));
            request.Answered(answer, remember); // for a view that did not call it
        }
        if (answer == kAlertClosedUnanswered) {
            result.ActionText = kActionTextSenderEnded;
            result.By = DecidedBy::SenderEnded;
            break;
        }
        result.By = shown ? DecidedBy::User : DecidedBy::AlertsOff;
        const bool allowed = answer == 1;
        // Reports handled while the popup was open only append, but look the item up again so a
        // remembered answer can never land on another item.
        const int current = remember ? list.Find(input.Record) : -1;
        if (current >= 0) {
            list.SetAction(current, allowed ? kActionAllow : kActionBlock);
            UpdateItem(list, current);
        }
        if (SenderGone(input.Report)) {
            // Answered for the reports that waited; this one's sender is gone.
            result.Dropped = true;
            break;
        }
        if (allowed) {
            result.Value = kDecisionAllow;
            result.ActionText = kActionTextAllow;
        } else {
            result.Value = kDecisionBlock;
            result.ActionText = kActionTextBlock;
            ++blocked;
        }
        break;
    }
    }
    return result;
}

void DetectionHandlers::Journal(char kind, const std::string& item, const Decision& decision,
                                const std::string& program, const std::string& host) {
    DecisionEvent event;
    event.kind = kind;
    event.item = item;
    event.allowed = decision.Value == kDecisionAllow;
    event.by = decision.By;
    event.program = program;
    event.host = host;
    JournalDecision(event);
}

void DetectionHandlers::RecordInLog(const std::string& type, std::int32_t port,
                                    const std::string& program, const std::string& hostIP,
                                    const std::string& actionTaken,
                                    const std::string& strictedData) {
    AlertLogEntry entry;
    entry.Type = type;
    entry.Protocol = ProtocolName(port);
    entry.Program = program;
    entry.HostIP = hostIP;
    entry.ActionTaken = actionTaken;
    entry.StrictedData = strictedData;
    const AlertLogStore::RecordResult result = state_.log.RecordEvent(std::move(entry));
    if (result.isNew)
        view_.PostLogEntry(result.index, result.droppedOldest);
    else
        view_.UpdateLogEntry(result.index);
}

// ---- web reports ----

std::int32_t DetectionHandlers::OnHostReport(const DetectionRecord& record) {
    return OnWebReport(record, kKindHost);
}

std::int32_t DetectionHandlers::OnUrlReport(const DetectionRecord& record) {
    return OnWebReport(record, kKindUrl);
}

std::int32_t DetectionHandlers::OnWebReport(const DetectionRecord& record, char kind) {
    if (record.web.kind != kind)
        return kDecisionAllow;

    WebSiteBlockingList& list = state_.web;

    int index = list.FindSiteItem(record);
    if (index < 0) {
        index = list.Append(WebItemFromRecord(record, AlertLogStore::NowText()));
        // Posted at once, so the movie's rows follow the list's order even when a report arrives
        // while this one waits for the user.
        view_.PostSiteItem(index);
    }
    const WebSiteBlockingItem item = list.ItemAt(index);
    const std::uint64_t report = report_;

    const auto request = [&] {
        AlertRequest request = RequestForItem(AlertRequest::WebAlert, item);
        request.DateTime = AlertLogStore::NowText();
        request.IPAddress = item.IPAddress;
        request.ScamSite = item.ScamSite;
        request.ToolTip = FormatAlertText(
            LoadText(kind == kKindHost ? kStrAlertHost : kStrAlertUrl), item.StrictedData);
        return request;
    };
    const Decision decision = DecideReport(list, {.Record = record,
                                                  .ItemIndex = index,
                                                  .Report = report,
                                                  .ItemAction = item.Action,
                                                  .AskedCounter = state_.settings.NoOfWebProtection,
                                                  .Request = request});

    if (decision.Dropped)
        return 0;
    Journal(kind, item.StrictedData, decision, item.Program, item.IPAddress);
    RecordInLog(item.Type, item.Port, item.Program, item.IPAddress, decision.ActionText,
                item.StrictedData);
    view_.RefreshMainMovie();
    return decision.Value == kDecisionAllow ? 1 : 0;
}

// ---- mail reports ----

std::int32_t DetectionHandlers::OnMailReport(const DetectionRecord& record) {
    if (!IsMailKind(record.mail.kind))
        return kDecisionAllow;

    MailSafeList& list = state_.mail;
    const std::string hostAddress = platform::FieldString(record.hostAddress);

    int index = list.FindMailItem(record);
    if (index < 0) {
        index = list.Append(MailItemFromRecord(record));
        view_.PostMailItem(index);
    }
    const MailSafeItem item = list.ItemAt(index);
    const std::uint64_t report = report_;

    const auto request = [&] {
        AlertRequest request = RequestForItem(AlertRequest::MailAlert, item);
        request.DateTime = platform::FieldString(record.mail.date);
        request.IPAddress = hostAddress;
        request.From = item.From;
        request.To = item.To;
        request.Subject = item.Subject;
        request.Attachment = platform::FieldString(record.mail.attachment);
        request.ToolTip = LoadText(kStrAlertMail);
        return request;
    };
    const Decision decision =
        DecideReport(list, {.Record = record,
                            .ItemIndex = index,
                            .Report = report,
                            .ItemAction = item.Action,
                            .AskedCounter = state_.settings.NoOfEmailProtection,
                            .Request = request});

    if (decision.Dropped)
        return 0;
    Journal(record.mail.kind, item.StrictedData, decision, item.Program, hostAddress);
    RecordInLog(item.Type, item.Port, item.Program, hostAddress, decision.ActionText,
                item.StrictedData);
    view_.RefreshMainMovie();
    return decision.Value == kDecisionAllow ? 1 : 0;
}

} // namespace hookwise::core
