// The decisions in the system journal: the fields of one decision, and (where a journal runs)
// the entry read back with journalctl.
#include "core/logging/DecisionJournal.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

using namespace hookwise::core;

namespace {

TEST(DecisionJournal, FieldsNameTheItemTheActionAndWhoDecided) {
    DecisionEvent event;
    event.kind = 'U';
    event.item = "secure-paypa1-login.example/login";
    event.allowed = false;
    event.by = DecidedBy::ListMode;
    event.program = "curl";
    event.host = "127.0.0.1";
    EXPECT_EQ(
        DecisionJournalFields(event),
        (std::vector<std::string>{
            "MESSAGE=Blocked the web address secure-paypa1-login.example/login for curl "
            "(the list's permission applies to every listed item)",
            "PRIORITY=4", "SYSLOG_IDENTIFIER=hookwise", "HOOKWISE_KIND=url",
            "HOOKWISE_ITEM=secure-paypa1-login.example/login", "HOOKWISE_ACTION=block",
            "HOOKWISE_DECIDED_BY=list-mode", "HOOKWISE_PROGRAM=curl", "HOOKWISE_HOST=127.0.0.1"}));

    // A mail report has no host; an allow is information, not a warning.
    DecisionEvent mail;
    mail.kind = 'S';
    mail.item = "verify your account";
    mail.allowed = true;
    mail.by = DecidedBy::User;
    mail.program = "chromium";
    const std::vector<std::string> fields = DecisionJournalFields(mail);
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields[0], "MESSAGE=Allowed the mail with the subject verify your account for "
                         "chromium (the user's answer)");
    EXPECT_EQ(fields[1], "PRIORITY=6");
    EXPECT_EQ(fields[3], "HOOKWISE_KIND=mail-subject");
    EXPECT_EQ(fields[6], "HOOKWISE_DECIDED_BY=user");
}

TEST(DecisionJournal, AnEntryIsReadBackWithJournalctl) {
    if (!std::filesystem::exists("/run/systemd/journal/socket"))
        GTEST_SKIP() << "no systemd journal runs on this machine (/run/systemd/journal/socket is "
                        "missing): the fields are checked by the test above, the way into the "
                        "journal is not";
    const std::string item = "journal-test-" + std::to_string(getpid()) + ".example/login";
    DecisionEvent event;
    event.kind = 'U';
    event.item = item;
    event.by = DecidedBy::Remembered;
    event.program = "curl";
    ASSERT_TRUE(JournalDecision(event));
    const std::string command =
        "journalctl --no-pager -o verbose HOOKWISE_ITEM=" + item + " 2>/dev/null";
    std::string found;
    for (int attempt = 0; attempt < 50 && found.empty(); ++attempt) {
        std::FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::array<char, 4096> buffer{};
        std::string text;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            text.append(buffer.data(), n);
        pclose(pipe);
        if (text.find("HOOKWISE_ITEM=" + item) != std::string::npos)
            found = text;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (found.empty())
        GTEST_SKIP() << "the journal runs but this user cannot read the entry back";
    EXPECT_NE(found.find("HOOKWISE_ACTION=block"), std::string::npos) << found;
    EXPECT_NE(found.find("HOOKWISE_KIND=url"), std::string::npos) << found;
    EXPECT_NE(found.find("HOOKWISE_DECIDED_BY=remembered"), std::string::npos) << found;
    EXPECT_NE(found.find("HOOKWISE_PROGRAM=curl"), std::string::npos) << found;
}

} // namespace
