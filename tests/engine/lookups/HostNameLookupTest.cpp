// Server-name lookups with host semantics over the hosts of the HostLink and Link entries.
#include "engine/HostNameTable.h"
#include "engine/LSPGlobals.h"

#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class HostNameLookup : public DatabaseTest {
protected:
    void WriteSample() {
        Write(DefinitionFile()
                  .List("HostLink", "HLINK", {"evil.example/login", "Mixed.Case.Example"})
                  .List("Link", "CLINK",
                        {"null", "href=\"https://user@link.example:8443/x", "paypa1", "com/x"}));
    }
};

TEST_F(HostNameLookup, NameEqualToOrUnderAnEntryHostIsListed) {
    WriteSample();
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("www.evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("a.b.evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("WWW.Evil.Example."));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("mixed.case.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("link.example")) << "a link pattern's host";
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("cdn.link.example"));
}

TEST_F(HostNameLookup, NeighboursAndParentsAreNotListed) {
    WriteSample();
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("notevil.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("example"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("evil.example.net"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("evil"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("case.example"));
    // Single-label hosts (a plain pattern, a top-level domain) list nothing.
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("paypa1"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("x.paypa1"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("anything.com"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("null"));
}

TEST_F(HostNameLookup, MalformedNamesAreNoHit) {
    WriteSample();
    EXPECT_FALSE(CLSPGlobals::IsBadHostName(nullptr));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName(""));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("."));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("evil.example.."));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("evil.example/"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("\xc3\xa9.evil.example"));
    std::string longName(250, 'a');
    EXPECT_FALSE(CLSPGlobals::IsBadHostName((longName + ".evil.example").c_str()));
}

TEST_F(HostNameLookup, ListsEndAtTheirGapAndTheTableFollowsTheDatabase) {
    Write(DefinitionFile()
              .Add("HostLink", "HLINK1", "first.example/a")
              .Add("HostLink", "HLINK3", "third.example/a"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("first.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("third.example"));
    Write(DefinitionFile().List("Link", "CLINK", {"http://third.example/"}));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("first.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("third.example"));
}

TEST_F(HostNameLookup, AbsentDatabaseKnowsNothing) {
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("evil.example"));
}

struct EntryRow {
    const char* name;
    const char* entry;
    const char* host; // "" when the entry names no host
};

const EntryRow kEntryRows[] = {
    {"ShortAddress", "evil.example/login", "evil.example"},
    {"WholeHost", "evil.example", "evil.example"},
    {"LinkPattern", "href=\"http://evil.example/x", "evil.example"},
    {"UserAndPort", "https://me@evil.example:8443/", "evil.example"},
    {"QueryRightAfterHost", "evil.example?x=1", "evil.example"},
    {"TrailingDot", "evil.example./x", "evil.example"},
    {"UpperCase", "EVIL.Example/X", "evil.example"},
    {"SingleLabel", "localhost/x", ""},
    {"PlainText", "verify your account", ""},
    {"EmptyLabel", "evil..example", ""},
    {"LeadingDot", ".evil.example", ""},
    {"HighBytes", "\xc3\xa9vil.example", ""},
    {"Empty", "", ""},
    {"OnlyScheme", "http://", ""},
};

class EntryHostOf : public testing::TestWithParam<EntryRow> {};

TEST_P(EntryHostOf, IsTheHostPartOrNothing) {
    EXPECT_EQ(EntryHost(GetParam().entry), GetParam().host);
}

INSTANTIATE_TEST_SUITE_P(Entries, EntryHostOf, testing::ValuesIn(kEntryRows),
                         [](const testing::TestParamInfo<EntryRow>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
