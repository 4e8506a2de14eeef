// DecisionJournal: the fields of a decision and their way into the systemd journal.
#include "core/logging/DecisionJournal.h"

#include <systemd/sd-journal.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <sys/uio.h>

namespace hookwise::core {

namespace {

std::mutex sinkLock;
std::function<void(const std::vector<std::string>&)>& Sink() {
    static std::function<void(const std::vector<std::string>&)> sink;
    return sink;
}

std::string KindWords(char kind) {
    switch (kind) {
    case 'I':
        return "the host";
    case 'U':
        return "the web address";
    case 'F':
        return "the mail from";
    case 'S':
        return "the mail with the subject";
    case 'L':
        return "the mail with the link";
    case 'T':
        return "the mail with the text";
    default:
        return "the item";
    }
}

const char* Reason(DecidedBy by) {
    switch (by) {
    case DecidedBy::ProtectionOff:
        return "protection is off";
    case DecidedBy::ListMode:
        return "the list's permission applies to every listed item";
    case DecidedBy::Remembered:
        return "a remembered answer";
    case DecidedBy::User:
        return "the user's answer";
    case DecidedBy::AlertsOff:
        return "alerts of this kind are off";
    case DecidedBy::SenderEnded:
        return "the program ended before the user answered";
    case DecidedBy::NoRule:
        return "no rule allows it";
    }
    return "";
}

} // namespace

const char* DecidedByName(DecidedBy by) {
    switch (by) {
    case DecidedBy::ProtectionOff:
        return "protection-off";
    case DecidedBy::ListMode:
        return "list-mode";
    case DecidedBy::Remembered:
        return "remembered";
    case DecidedBy::User:
        return "user";
    case DecidedBy::AlertsOff:
        return "alerts-off";
    case DecidedBy::SenderEnded:
        return "sender-ended";
    case DecidedBy::NoRule:
        return "no-rule";
    }
    return "";
}

const char* JournalKindName(char kind) {
    switch (kind) {
    case 'I':
        return "host";
    case 'U':
        return "url";
    case 'F':
        return "mail-from";
    case 'S':
        return "mail-subject";
    case 'L':
        return "mail-link";
    case 'T':
        return "mail-text";
    default:
        return "";
    }
}

std::vector<std::string> DecisionJournalFields(const DecisionEvent& event) {
    const std::string action = event.allowed ? "allow" : "block";
    std::string message =
        (event.allowed ? "Allowed " : "Blocked ") + KindWords(event.kind) + " " + event.item;
    if (!event.program.empty())
        message += " for " + event.program;
    message += std::string(" (") + Reason(event.by) + ")";
    std::vector<std::string> fields = {
        "MESSAGE=" + message,
        std::string("PRIORITY=") + (event.allowed ? "6" : "4"),
        "SYSLOG_IDENTIFIER=hookwise",
        std::string("HOOKWISE_KIND=") + JournalKindName(event.kind),
        "HOOKWISE_ITEM=" + event.item,
        "HOOKWISE_ACTION=" + action,
        std::string("HOOKWISE_DECIDED_BY=") + DecidedByName(event.by),
        "HOOKWISE_PROGRAM=" + event.program,
    };
    if (!event.host.empty())
        fields.push_back("HOOKWISE_HOST=" + event.host);
    return fields;
}

bool JournalDecision(const DecisionEvent& event) {
    const std::vector<std::string> fields = DecisionJournalFields(event);
    {
        std::lock_guard lock(sinkLock);
        if (Sink()) {
            Sink()(fields);
            return true;
        }
    }
    std::vector<iovec> parts;
    parts.reserve(fields.size());
    for (const std::string& field : fields)
        parts.push_back({const_cast<char*>(field.data()), field.size()});
    const int result = sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
    if (result >= 0)
        return true;
    static std::atomic<bool> said{false};
    if (!said.exchange(true))
        std::fprintf(stderr, "hookwise: decisions cannot be written to the system journal: %s\n",
                     std::strerror(-result));
    return false;
}

void SetDecisionJournalSink(std::function<void(const std::vector<std::string>&)> sink) {
    std::lock_guard lock(sinkLock);
    Sink() = std::move(sink);
}

} // namespace hookwise::core
