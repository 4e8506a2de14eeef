// DecisionJournal: every decision on a detection also goes to the systemd journal, with
// structured fields that log collectors can select on, for the administrators of many desktops.
// The alert log stays the user's record; this is the system's.
//
// Fields: MESSAGE (one readable sentence), PRIORITY (4 for a block, 6 for an allow),
// SYSLOG_IDENTIFIER "hookwise", HOOKWISE_KIND ("host", "url", "mail-from", "mail-subject",
// "mail-link", "mail-text"), HOOKWISE_ITEM (what the definitions listed: the host address, the
// web address, the sender, subject, link or text), HOOKWISE_ACTION ("allow" or "block"),
// HOOKWISE_DECIDED_BY (see DecidedBy), HOOKWISE_PROGRAM (the program the detection came from),
// HOOKWISE_HOST (the remote host's address, when the report has one).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hookwise::core {

// Who decided.
enum class DecidedBy {
    ProtectionOff, // the protection of that kind is off: everything is allowed
    ListMode,      // the list's permission allows or blocks every listed item
    Remembered,    // the item's remembered answer
    User,          // the user's answer in the alert (also shared by reports waiting for it)
    AlertsOff,     // the alert of that kind is switched off: blocked without asking
    SenderEnded,   // every program waiting for the alert ended before an answer: blocked
    NoRule,        // no permission or answer applies: blocked
};

struct DecisionEvent {
    char kind = 0; // the detection's kind byte: 'I', 'U', 'F', 'S', 'L' or 'T'
    std::string item;
    bool allowed = false;
    DecidedBy by = DecidedBy::NoRule;
    std::string program;
    std::string host;
};

// The field's value of HOOKWISE_DECIDED_BY ("protection-off", "list-mode", "remembered", "user",
// "alerts-off", "sender-ended", "no-rule") and of HOOKWISE_KIND ("" for an unknown kind).
const char* DecidedByName(DecidedBy by);
const char* JournalKindName(char kind);

// The journal fields of event, each "NAME=value", in the order the file comment lists them
// (HOOKWISE_HOST only when there is a host).
std::vector<std::string> DecisionJournalFields(const DecisionEvent& event);

// Writes event to the journal (sd_journal_sendv). False when the journal cannot be reached; the
// first such failure is said once on standard error, later ones are silent.
bool JournalDecision(const DecisionEvent& event);

// Tests: fields go to sink instead of the journal while it is set; an empty one restores the
// journal.
void SetDecisionJournalSink(std::function<void(const std::vector<std::string>&)> sink);

} // namespace hookwise::core
