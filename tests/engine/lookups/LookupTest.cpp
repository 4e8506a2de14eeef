// The five definition lookups: list walks that stop at a gap, and the comparison direction and
// letter-case rule of each lookup.
#include "engine/LSPGlobals.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class Lookup : public DatabaseTest {};

bool BadUrl(std::string url) {
    return CLSPGlobals::IsBadUrl(url.data());
}

TEST_F(Lookup, AbsentDatabaseKnowsNothing) {
    char url[] = "phish.example";
    char matched[261] = "untouched";
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_FALSE(CLSPGlobals::IsBadUrl(url));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("a@b.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailSubject("verify your account"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailText("verify your account", matched));
    EXPECT_STREQ(matched, "untouched");
}

TEST_F(Lookup, EmptyDatabaseKnowsNothing) {
    Write(DefinitionFile());
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_FALSE(BadUrl(""));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom(""));
}

TEST_F(Lookup, UnsetDatabasePathKnowsNothing) {
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.1"}));
    CLSPGlobals::szDBPath[0] = '\0';
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
}

TEST_F(Lookup, NullTextsAreNoHit) {
    Write(DefinitionFile().List("HostIP", "IP", {"x"}).List("From", "FROM", {"x"}));
    EXPECT_FALSE(CLSPGlobals::IsBadIP(nullptr));
    EXPECT_FALSE(CLSPGlobals::IsBadUrl(nullptr));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom(nullptr));
    EXPECT_FALSE(CLSPGlobals::IsBadMailSubject(nullptr));
    EXPECT_FALSE(CLSPGlobals::IsBadMailText(nullptr, nullptr));
}

TEST_F(Lookup, WalkStopsAtTheFirstGap) {
    Write(DefinitionFile()
              .Add("HostIP", "IP1", "10.0.0.1")
              .Add("HostIP", "IP3", "10.0.0.3")
              .Add("From", "FROM2", "late@x.example")
              .Add("Subject", "SUB1", "first")
              .Add("Subject", "SUB2", "")
              .Add("Subject", "SUB3", "third"));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.3"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("late@x.example")) << "a list without entry 1";
    EXPECT_TRUE(CLSPGlobals::IsBadMailSubject("the first one"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailSubject("the third one")) << "an empty value ends it";
}

TEST_F(Lookup, EntryThatUnscramblesToNothingEndsTheList) {
    // The scrambled byte '8' is the key's first byte: it unscrambles to 0, so the entry reads as an
    // empty text, which a damaged database must not turn into a hit on every mail.
    const std::string section = CLSPGlobals::EncryptString("From");
    const std::string key1 = CLSPGlobals::EncryptString("FROM1");
    const std::string key2 = CLSPGlobals::EncryptString("FROM2");
    const std::string later = CLSPGlobals::EncryptString("late@x.example");
    std::FILE* f = std::fopen(dbPath_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "[%s]\r\n%s=8abc\r\n%s=%s\r\n", section.c_str(), key1.c_str(), key2.c_str(),
                 later.c_str());
    std::fclose(f);
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("anyone@bank.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("late@x.example"));
}

TEST_F(Lookup, EntryOrderInFileDoesNotMatterIndexOrderDoes) {
    Write(DefinitionFile()
              .Add("Text", "TXT3", "three")
              .Add("Text", "TXT2", "account")
              .Add("Text", "TXT1", "verify"));
    char matched[261] = "";
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("please verify your account", matched));
    EXPECT_STREQ(matched, "verify");
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("page three", matched));
    EXPECT_STREQ(matched, "three");
}

TEST_F(Lookup, GarbageFirstLineDoesNotDisturbTheWalk) {
    Write(DefinitionFile()
              .GarbageHeader("\x8F\x12[\xFF\r\x01\n\x9A=;\"'\xEE\x01")
              .List("HostIP", "IP", {"10.0.0.1", "10.0.0.2"}));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.2"));
}

TEST_F(Lookup, ReplacedDatabaseSeenAtNextLookup) {
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.1"}));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.1"));
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.2"}));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.2"));
}

TEST_F(Lookup, LookupsWhileTheDatabaseIsReplacedSeeAWholeVersion) {
    // Both versions list 10.0.0.2 and a phrase; a lookup that saw half a file, or an empty list
    // while another thread read the new version, would miss them.
    DefinitionFile first = DefinitionFile()
                               .List("HostIP", "IP", {"10.0.0.1", "10.0.0.2"})
                               .List("Text", "TXT", {"verify your account"});
    DefinitionFile second = DefinitionFile()
                                .List("HostIP", "IP", {"10.0.0.2", "10.0.0.3", "10.0.0.4"})
                                .List("Text", "TXT", {"Verify Your Account", "wire transfer"});
    Write(first);
    std::atomic<bool> done{false};
    std::atomic<int> misses{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!done.load()) {
                char matched[261] = "";
                if (!CLSPGlobals::IsBadIP("10.0.0.2") ||
                    !CLSPGlobals::IsBadMailText("please verify your account now", matched) ||
                    std::strcmp(matched, "verify your account") != 0)
                    misses.fetch_add(1);
            }
        });
    }
    for (int round = 0; round < 200; ++round)
        Write(round % 2 ? second : first);
    done = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(misses.load(), 0);
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.3")); // the last version written is the one read
}

TEST_F(Lookup, AChildForkedDuringLookupsCanLookUp) {
    // Another thread looks up without pause while this one forks: a lock that thread held at the
    // fork must not stay held in the child, whose own lookup would then never return.
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.1", "10.0.0.2"}));
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load())
            CLSPGlobals::IsBadIP("10.0.0.2");
    });
    int hung = 0, wrong = 0;
    for (int round = 0; round < 200; ++round) {
        if (round % 50 == 0)
            Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.1", "10.0.0.2"})); // re-read
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            _exit(CLSPGlobals::IsBadIP("10.0.0.1") ? 0 : 1);
        int status = 0;
        pid_t ended = 0;
        for (int wait = 0; wait < 300 && ended == 0; ++wait) {
            ended = waitpid(child, &status, WNOHANG);
            if (ended == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (ended == 0) {
            ++hung;
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
        } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++wrong;
        }
    }
    done = true;
    reader.join();
    EXPECT_EQ(hung, 0);
    EXPECT_EQ(wrong, 0);
}

// ---- IsBadIP: whole texts, ignoring case ----

TEST_F(Lookup, BadIpComparesWholeTexts) {
    Write(DefinitionFile().List("HostIP", "IP", {"10.0.0.10", "Mail.Phish.Example"}));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.1"));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("10.0.0.10"));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("10.0.0.100"));
    EXPECT_TRUE(CLSPGlobals::IsBadIP("mail.PHISH.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadIP("phish.example"));
}

TEST_F(Lookup, BadIpReadsAtMost99Characters) {
    std::string longHost(120, 'h');
    Write(DefinitionFile().List("HostIP", "IP", {longHost}));
    EXPECT_FALSE(CLSPGlobals::IsBadIP(longHost.c_str()));
    EXPECT_TRUE(CLSPGlobals::IsBadIP(longHost.substr(0, 99).c_str()));
}

// ---- IsBadUrl: the list walks (the matching rule itself: WebAddressLookupTest) ----

TEST_F(Lookup, BadUrlLowerCasesTheAddressInPlace) {
    Write(DefinitionFile().List("HostLink", "HLINK", {"http://Login.Bank-Secure.example/Verify"}));
    char url[] = "LOGIN.bank-secure.EXAMPLE/verify";
    EXPECT_TRUE(CLSPGlobals::IsBadUrl(url));
    EXPECT_STREQ(url, "login.bank-secure.example/verify");
    char miss[] = "MiXeD.Example";
    EXPECT_FALSE(CLSPGlobals::IsBadUrl(miss));
    EXPECT_STREQ(miss, "mixed.example");
}

TEST_F(Lookup, BadUrlEmptyOrHostlessAddressIsNoHit) {
    Write(DefinitionFile().List("HostLink", "HLINK", {"anything.example", "paypa1"}));
    EXPECT_FALSE(BadUrl(""));
    EXPECT_FALSE(BadUrl("paypa1"));
    EXPECT_FALSE(BadUrl("/login"));
}

TEST_F(Lookup, BadUrlWalksTheLinkListTooAndStopsAtGaps) {
    Write(DefinitionFile()
              .List("HostLink", "HLINK", {"first.example"})
              .Add("HostLink", "HLINK3", "beyond-gap.example")
              .List("Link", "CLINK",
                    {"Evil.Example/Pay", "null", "href=\"http://pattern.example/x"}));
    EXPECT_TRUE(BadUrl("evil.example/pay"));
    EXPECT_TRUE(BadUrl("pattern.example/x/y"));
    EXPECT_FALSE(BadUrl("beyond-gap.example"));
    EXPECT_FALSE(BadUrl("null"));
}

TEST_F(Lookup, BadUrlIgnoresVisibleTexts) {
    Write(DefinitionFile().Add("Link", "CLINK1", "a.example").Add("Link", "VLINK1", "b.example"));
    EXPECT_FALSE(BadUrl("b.example"));
}

// ---- IsBadMailFrom / IsBadMailSubject / IsBadMailText: the given text is the haystack ----

TEST_F(Lookup, BadMailFromFindsEntryOfAnyCaseInLowerCaseText) {
    Write(DefinitionFile().List("From", "FROM", {"Security@PayPa1.Example"}));
    EXPECT_TRUE(CLSPGlobals::IsBadMailFrom("\"support\" <security@paypa1.example>"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("paypa1.example"));
}

TEST_F(Lookup, BadMailFromNeedsLowerCaseText) {
    Write(DefinitionFile().List("From", "FROM", {"security@paypa1.example"}));
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("Security@PayPa1.example"));
}

TEST_F(Lookup, BadMailSubjectMissesUpperCaseText) {
    Write(DefinitionFile().List("Subject", "SUB", {"Verify Your Account"}));
    EXPECT_TRUE(CLSPGlobals::IsBadMailSubject("urgent: verify your account now"));
    EXPECT_FALSE(CLSPGlobals::IsBadMailSubject("urgent: Verify Your Account now"));
}

TEST_F(Lookup, BadMailTextCopiesLowerCasedEntryOnHit) {
    Write(DefinitionFile().List("Text", "TXT", {"Confirm Your PASSWORD"}));
    char matched[261];
    std::memset(matched, 'X', sizeof matched);
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("please confirm your password today", matched));
    EXPECT_STREQ(matched, "confirm your password");
}

TEST_F(Lookup, BadMailTextLeavesOutputUntouchedOnMiss) {
    Write(DefinitionFile().List("Text", "TXT", {"confirm your password"}));
    char matched[261];
    std::memset(matched, 'X', sizeof matched);
    EXPECT_FALSE(CLSPGlobals::IsBadMailText("nothing to see", matched));
    for (char c : matched)
        ASSERT_EQ(c, 'X');
}

// Entries copied from real mail in other scripts match the page text as the inspector folds it.
TEST_F(Lookup, MailEntriesMatchUnderTheUnicodeFold) {
    Write(
        DefinitionFile()
            .List("From", "FROM", {"S\xC3\x89\x43URIT\xC3\x89@BANQUE.EXAMPLE"})
            .List("Subject", "SUB", {"VERIFICA\xC3\x87\xC3\x83O DE SEGURAN\xC3\x87\x41"})
            .List("Text", "TXT",
                  {"\xC3\x9C\x42\x45RPR\xC3\x9C\x46UNG IHRES KONTOS",
                   "new \xD0\x92\xD0\x90\xD0\xA8 \xD0\x9F\xD0\x90\xD0\xA0\xD0\x9E\xD0\x9B\xD0\xAC",
                   "\xCE\x9A\xCE\xA9\xCE\x94\xCE\x99\xCE\x9A\xCE\x9F\xCE\xA3",
                   "GRO\xC3\x9F\x45 BANK", "\xC9TAT"}));
    EXPECT_TRUE(CLSPGlobals::IsBadMailFrom("<s\xC3\xA9\x63urit\xC3\xA9@banque.example>"));
    EXPECT_TRUE(
        CLSPGlobals::IsBadMailSubject("urgente: verifica\xC3\xA7\xC3\xA3o de seguran\xC3\xA7\x61"));
    char matched[261] = "";
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("bitte \xC3\xBC\x62\x65rpr\xC3\xBC\x66ung ihres kontos",
                                           matched));
    EXPECT_STREQ(matched, "\xC3\xBC\x62\x65rpr\xC3\xBC\x66ung ihres kontos"); // the folded entry
    // Cyrillic capitals (the scrambled format cannot hold every text: a byte whose sum with the
    // key byte of its position is 0 is lost, so the phrase has a plain start).
    EXPECT_TRUE(CLSPGlobals::IsBadMailText(
        "new \xD0\xB2\xD0\xB0\xD1\x88 \xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C", matched));
    // A capital sigma at the end of a word and the final sigma fold alike.
    EXPECT_TRUE(CLSPGlobals::IsBadMailText(
        "\xCE\xBA\xCF\x89\xCE\xB4\xCE\xB9\xCE\xBA\xCE\xBF\xCF\x83", matched));
    // German sharp s folds to "ss".
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("die grosse bank", matched));
    EXPECT_STREQ(matched, "grosse bank");
    // A byte that is no UTF-8 (ISO-8859-1 \xC9) stays as it is.
    EXPECT_TRUE(CLSPGlobals::IsBadMailText("l'\xC9tat", matched));
    EXPECT_FALSE(CLSPGlobals::IsBadMailText("l'\xE9tat", matched));
    // Capitals left in the given text do not match: the caller folds it.
    EXPECT_FALSE(CLSPGlobals::IsBadMailFrom("S\xC3\x89\x43URIT\xC3\x89@BANQUE.EXAMPLE"));
}

TEST_F(Lookup, BadMailTextCopiesAtMost260Characters) {
    std::string phrase(300, 'w');
    Write(DefinitionFile().List("Text", "TXT", {phrase}));
    char matched[262];
    std::memset(matched, 'X', sizeof matched);
    EXPECT_TRUE(CLSPGlobals::IsBadMailText(phrase.c_str(), matched));
    EXPECT_EQ(std::strlen(matched), 260u);
    EXPECT_EQ(matched[261], 'X');
}

} // namespace
