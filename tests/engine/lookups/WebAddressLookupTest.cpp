// Web addresses and server names matched as a user expects: a listed host covers its pages and
// subdomains, a listed page covers the pages below it, and a brand name inside a phishing address
// lists nothing of the brand's own site. Also the address parser those lookups share with the
// index and feed import.
#include "engine/LSPGlobals.h"
#include "engine/WebAddress.h"
#include "engine/WellKnownSites.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

bool BadUrl(std::string url) {
    return CLSPGlobals::IsBadUrl(url.data());
}

// ---- the parser ----

struct ParseRow {
    const char* name;
    const char* text;
    bool address;
    const char* host;
    const char* path;
};

const ParseRow kParseRows[] = {
    {"ShortAddress", "evil.example/login", true, "evil.example", "/login"},
    {"WholeHost", "evil.example", true, "evil.example", ""},
    {"RootPathIsEmpty", "evil.example/", true, "evil.example", ""},
    {"TrailingSlashDropped", "evil.example/a/b/", true, "evil.example", "/a/b"},
    {"FullUrl", "HTTPS://User:Pw@WWW.Evil.Example:8443/A/B?q=1#f", true, "evil.example", "/a/b"},
    {"LinkPattern", "href=\"http://evil.example/x\" target", true, "evil.example", "/x"},
    {"SchemeRelative", "//evil.example/x", true, "evil.example", "/x"},
    {"QueryRightAfterHost", "evil.example?x=1/y", true, "evil.example", ""},
    {"FragmentRightAfterHost", "evil.example#/y", true, "evil.example", ""},
    {"TrailingDot", "evil.example./x", true, "evil.example", "/x"},
    {"WwwKeptWhenItIsTheDomain", "www.example", true, "www.example", ""},
    {"OnlyOneWwwDropped", "www.www.evil.example", true, "www.evil.example", ""},
    {"Backslash", "evil.example\\a\\b", true, "evil.example", "/a/b"},
    {"Ipv4", "192.0.2.7:8080/x", true, "192.0.2.7", "/x"},
    {"Ipv6", "http://[2001:DB8::1]:80/x", true, "[2001:db8::1]", "/x"},
    {"Idn",
     "http://b\xc3\xbc"
     "cher.example/x",
     true, "xn--bcher-kva.example", "/x"},
    {"IdnUpperCase",
     "B\xc3\x9c"
     "CHER.example",
     true, "xn--bcher-kva.example", ""},
    {"Punycode", "xn--bcher-kva.example", true, "xn--bcher-kva.example", ""},
    {"BlanksBefore", "  \tevil.example/x", true, "evil.example", "/x"},
    {"SingleLabel", "paypa1", false, "", ""},
    {"SingleLabelWithPath", "localhost/x", false, "", ""},
    {"PlainText", "verify your account", false, "", ""},
    {"EmptyLabel", "evil..example", false, "", ""},
    {"LeadingDot", ".evil.example", false, "", ""},
    {"BadCharacter", "evil*.example", false, "", ""},
    {"InvalidUtf8", "\xc3(vil.example", false, "", ""},
    {"Empty", "", false, "", ""},
    {"OnlyScheme", "http://", false, "", ""},
    {"OnlyPath", "/a/b", false, "", ""},
    {"HostTooLong", "", false, "", ""}, // filled in below
};

class ParsedAddress : public testing::TestWithParam<ParseRow> {};

TEST_P(ParsedAddress, HasItsHostAndPath) {
    const ParseRow& row = GetParam();
    std::string text = row.text;
    if (std::string(row.name) == "HostTooLong")
        text = std::string(250, 'a') + ".example/x";
    WebAddress address;
    ASSERT_EQ(ParseWebAddress(text, address), row.address);
    if (row.address) {
        EXPECT_EQ(address.host, row.host);
        EXPECT_EQ(address.path, row.path);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ParsedAddress, testing::ValuesIn(kParseRows),
                         [](const testing::TestParamInfo<ParseRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(WebAddressParser, PathsAreBoundedAndNeverOverrun) {
    WebAddressParts parts;
    std::string path(kMaxWebPathLength, 'p');
    path[0] = '/';
    EXPECT_TRUE(ParseWebAddress("evil.example" + path, parts));
    EXPECT_EQ(parts.pathLength, kMaxWebPathLength);
    EXPECT_EQ(parts.path[kMaxWebPathLength], '\0');
    EXPECT_FALSE(ParseWebAddress("evil.example" + path + "p", parts));
}

// ---- IsBadUrl: host suffix and path prefix ----

class WebAddressLookup : public DatabaseTest {};

TEST_F(WebAddressLookup, ABrandInsideAPhishingAddressDoesNotListTheBrand) {
    Write(DefinitionFile().List("HostLink", "HLINK",
                                {"paypal.com.secure-verify.example/signin",
                                 "evil.example/www.google.com/login.php",
                                 "login-check.example/verify?next=amazon.com",
                                 "apple.com-id.example", "micros0ft.example/office365.com"}));
    EXPECT_FALSE(BadUrl("paypal.com"));
    EXPECT_FALSE(BadUrl("paypal.com/signin"));
    EXPECT_FALSE(BadUrl("google.com"));
    EXPECT_FALSE(BadUrl("google.com/login.php"));
    EXPECT_FALSE(BadUrl("amazon.com"));
    EXPECT_FALSE(BadUrl("apple.com"));
    EXPECT_FALSE(BadUrl("office365.com"));
    EXPECT_FALSE(BadUrl("secure-verify.example/signin")) << "a parent is not listed by a child";
    EXPECT_TRUE(BadUrl("paypal.com.secure-verify.example/signin"));
    EXPECT_TRUE(BadUrl("evil.example/www.google.com/login.php"));
    EXPECT_TRUE(BadUrl("login-check.example/verify")) << "the query is not part of an entry";
    EXPECT_TRUE(BadUrl("apple.com-id.example/anything"));
}

TEST_F(WebAddressLookup, AListedHostCoversItsPagesAndSubdomains) {
    Write(DefinitionFile().List("HostLink", "HLINK", {"evil.example"}));
    EXPECT_TRUE(BadUrl("evil.example"));
    EXPECT_TRUE(BadUrl("evil.example/"));
    EXPECT_TRUE(BadUrl("evil.example/login.php"));
    EXPECT_TRUE(BadUrl("www.evil.example/a/b/c"));
    EXPECT_TRUE(BadUrl("cdn.mail.evil.example/x"));
    EXPECT_TRUE(BadUrl("EVIL.EXAMPLE:8080/x?y#z"));
    EXPECT_TRUE(BadUrl("https://user@evil.example./x"));
    EXPECT_FALSE(BadUrl("notevil.example"));
    EXPECT_FALSE(BadUrl("evil.example.net/x"));
    EXPECT_FALSE(BadUrl("example/x"));
}

TEST_F(WebAddressLookup, AListedPageCoversThePagesBelowItOnly) {
    Write(DefinitionFile().List("HostLink", "HLINK", {"shared.example/a/b", "www.other.example/"}));
    EXPECT_TRUE(BadUrl("shared.example/a/b"));
    EXPECT_TRUE(BadUrl("shared.example/a/b/"));
    EXPECT_TRUE(BadUrl("shared.example/a/b/c/d.html"));
    EXPECT_TRUE(BadUrl("shared.example/a/b?x=1"));
    EXPECT_TRUE(BadUrl("user.shared.example/a/b/c"));
    EXPECT_FALSE(BadUrl("shared.example/a/bc"));
    EXPECT_FALSE(BadUrl("shared.example/a"));
    EXPECT_FALSE(BadUrl("shared.example"));
    EXPECT_FALSE(BadUrl("shared.example/x/a/b"));
    EXPECT_FALSE(BadUrl("shared.example/a?b"));
    // A root path is the whole host; "www." is dropped from entries and addresses alike.
    EXPECT_TRUE(BadUrl("other.example/anything"));
}

TEST_F(WebAddressLookup, EntriesWithoutADottedHostAreNoWebAddresses) {
    Write(DefinitionFile().List("HostLink", "HLINK", {"paypa1", "com", "login", "/login.php"}));
    EXPECT_FALSE(BadUrl("paypa1.example"));
    EXPECT_FALSE(BadUrl("x.com"));
    EXPECT_FALSE(BadUrl("evil.example/login.php"));
}

TEST_F(WebAddressLookup, InternationalisedHostsCompareInPunycode) {
    Write(DefinitionFile().List("HostLink", "HLINK",
                                {"b\xc3\xbc"
                                 "cher.example/konto",
                                 "xn--pypal-4ve.example"}));
    EXPECT_TRUE(BadUrl("xn--bcher-kva.example/konto/login"));
    EXPECT_TRUE(BadUrl("http://B\xc3\x9c"
                       "CHER.example/konto"));
    EXPECT_TRUE(BadUrl("p\xd0\xb0ypal.example/x")) << "a Cyrillic a, as a browser would show it";
    EXPECT_FALSE(BadUrl("bucher.example/konto"));
}

TEST_F(WebAddressLookup, TheLinkListCountsAsWebAddressesToo) {
    Write(DefinitionFile().List("Link", "CLINK", {"href=\"https://evil.example/pay"}));
    EXPECT_TRUE(BadUrl("evil.example/pay/now"));
    EXPECT_FALSE(BadUrl("evil.example/other"));
}

// ---- IsBadHostName: whole hosts always, page hosts unless well-known ----

class HostNameLookup : public DatabaseTest {
protected:
    void WriteSample() {
        Write(DefinitionFile()
                  .List("HostLink", "HLINK",
                        {"evil.example", "phish-pages.example/login", "docs.google.com/forms/d/x",
                         "sites.google.com/view/evil", "evil-user.weebly.com",
                         "Mixed.Case.Example/a"})
                  .List("Link", "CLINK",
                        {"null", "href=\"https://user@link.example:8443/x", "paypa1", "com/x"}));
    }
};

TEST_F(HostNameLookup, WholeHostsListTheirNameAndEveryNameBelow) {
    WriteSample();
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("www.evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("a.b.evil.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("WWW.Evil.Example."));
    // Also below a well-known domain: the feed listed that host whole.
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("evil-user.weebly.com"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("weebly.com"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("other-user.weebly.com"));
}

TEST_F(HostNameLookup, PageHostsListOnlyTheirOwnNameWhenNotWellKnown) {
    WriteSample();
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("phish-pages.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("www.phish-pages.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("mixed.case.example"));
    EXPECT_TRUE(CLSPGlobals::IsBadHostName("link.example")) << "a link pattern's host";
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("cdn.phish-pages.example"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("cdn.link.example"));
    // One listed page on a shared host of a large provider does not block the host.
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("docs.google.com"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("sites.google.com"));
    EXPECT_FALSE(CLSPGlobals::IsBadHostName("google.com"));
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

// ---- the well-known sites ----

TEST(WellKnownSitesList, SubdomainsOfAListedDomainAreWellKnown) {
    WellKnownSites sites;
    EXPECT_TRUE(sites.Add("https://www.Google.com/"));
    EXPECT_TRUE(sites.Add("docs.google.com"));
    EXPECT_FALSE(sites.Add("not a host"));
    EXPECT_TRUE(sites.IsWellKnown("google.com"));
    EXPECT_TRUE(sites.IsWellKnown("mail.google.com"));
    EXPECT_FALSE(sites.IsWellKnown("google.com.evil.example"));
    EXPECT_FALSE(sites.IsWellKnown("notgoogle.com"));
    EXPECT_TRUE(sites.Lists("docs.google.com"));
    EXPECT_FALSE(sites.Lists("mail.google.com"));
}

TEST(WellKnownSitesList, TheChecksumDependsOnTheHostsNotTheirOrder) {
    WellKnownSites a, b, c;
    a.Add("one.example");
    a.Add("two.example");
    b.Add("two.example");
    b.Add("one.example");
    b.Add("www.one.example");
    c.Add("one.example");
    EXPECT_EQ(a.Checksum(), b.Checksum());
    EXPECT_NE(a.Checksum(), c.Checksum());
}

TEST(WellKnownSitesList, TheShippedListAndTheUsersAdditionsAreRead) {
    testsupport::Sandbox sandbox("wellknown");
    std::filesystem::create_directories(sandbox.Home() + "/.config/hookwise");
    std::ofstream(UserWellKnownSitesPath()) << "# mine\n\nintranet.corp.example  # the office\n";
    WellKnownSites sites = LoadWellKnownSites();
    EXPECT_TRUE(sites.IsWellKnown("wiki.intranet.corp.example"));
    EXPECT_TRUE(sites.IsWellKnown("www.youtube.com"));
    EXPECT_TRUE(sites.Lists("onedrive.live.com"));
    EXPECT_FALSE(sites.IsWellKnown("evil.example"));
}

} // namespace
