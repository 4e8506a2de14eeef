// Reading the public feeds: every format with its malformed lines, telling formats apart, feed
// noise, repeats across feeds, merging into a source, refusals, and hostile JSON.
#include "tools/hkwdefs/feeds/FeedImport.h"

#include "tools/hkwdefs/feeds/JsonRecords.h"
#include "tools/hkwdefs/feeds/PlainOutput.h"
#include "engine/WellKnownSites.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hookwise::tools;

namespace {

const WellKnownSites& ShippedSites() {
    static const WellKnownSites sites = [] {
        WellKnownSites loaded;
        EXPECT_TRUE(loaded.AddFile(HOOKWISE_SOURCE_DIR "/data/sites/well-known-sites.txt"));
        return loaded;
    }();
    return sites;
}

std::vector<std::string> Entries(const EntryList& list, std::size_t first) {
    std::vector<std::string> entries;
    for (std::size_t i = first; i < list.Size(); ++i)
        entries.emplace_back(list.At(i));
    return entries;
}

struct Imported {
    bool ok = false;
    ImportReport report;
    std::vector<std::string> web;
    std::vector<std::string> senders;
    const FeedCounts& Counts(std::size_t feed = 0) const { return report.feeds.at(feed).counts; }
};

Imported Import(const std::vector<FeedInput>& feeds, const DefinitionSet* base = nullptr) {
    Imported result;
    ImportOptions options;
    options.wellKnown = &ShippedSites();
    options.base = base;
    result.ok = ImportFeeds(feeds, options, result.report);
    result.web = Entries(result.report.entries.Web(), result.report.entries.FirstNewWeb());
    result.senders =
        Entries(result.report.entries.Senders(), result.report.entries.FirstNewSender());
    return result;
}

// ---- every format, each with malformed lines ----

struct FormatRow {
    const char* name;
    FeedFormat format; // given; every row but the senders list is also told from its content
    std::string feed;
    std::vector<std::string> web = {};
    std::vector<std::string> senders = {};
    FeedCounts counts = {}; // kept is the size of web plus senders
    std::vector<std::size_t> malformedLines = {};
};

const FormatRow kFormatRows[] = {
    {.name = "PhishTankCsv",
     .format = FeedFormat::PhishTankCsv,
     .feed =
         "phish_id,url,phish_detail_url,submission_time,verified,verification_time,online,"
         "target\r\n"
         "8512345,https://secure-paypal.example-login.com/signin?session=1,"
         "http://www.phishtank.com/phish_detail.php?phish_id=8512345,"
         "2026-12-01T10:00:00+00:00,yes,2026-12-01T10:05:00+00:00,yes,PayPal\r\n"
         "8512346,\"http://bank.example-verify.net/a,b/\",http://x,t,yes,t,yes,\"Bank, Inc\"\r\n"
         "8512347,\"http://unclosed.example/,x,t,yes,t,yes,Other\r\n"
         "8512348\r\n"
         "8512349,not a url,http://x,t,yes,t,yes,Other\r\n"
         "8512350,http://www.google.com/,http://x,t,yes,t,yes,Other\r\n",
     .web = {"secure-paypal.example-login.com/signin", "bank.example-verify.net/a,b"},
     .counts = {.read = 6, .noise = 1, .malformed = 3},
     .malformedLines = {4, 5, 6}},
    {.name = "PhishTankJson",
     .format = FeedFormat::PhishTankJson,
     .feed = "[{\"phish_id\":\"1\",\"url\":\"https:\\/\\/login.evil.example\\/Verify\\/\","
             "\"details\":[{\"ip_address\":\"192.0.2.1\",\"url\":\"http:\\/\\/not.this\"}],"
             "\"target\":\"Other\"},\n"
             "{\"url\":\"http://xn--pypal-4ve.example/\"},\n"
             "{\"url\":\"http://b\\u00fccher.example/x\"},\n"
             "{\"phish_id\":\"4\"},\n"
             "42,\n"
             "{\"url\":null},\n"
             "{\"url\":\"javascript:void(0)\"}]",
     .web = {"login.evil.example/verify", "xn--pypal-4ve.example", "xn--bcher-kva.example/x"},
     .counts = {.read = 7, .malformed = 4},
     .malformedLines = {4, 5, 6, 7}},
    {.name = "OpenPhish",
     .format = FeedFormat::OpenPhish,
     .feed = "https://evil-login.example.com/paypal/verify?x=1\r\n\r\n"
             "http://user:pw@EVIL-login.example.com:8080/PayPal/verify/#top\n"
             "https://amaz0n.example/\n"
             "no address here\n"
             "http://\n",
     .web = {"evil-login.example.com/paypal/verify", "amaz0n.example"},
     .counts = {.read = 5, .duplicates = 1, .malformed = 2},
     .malformedLines = {5, 6}},
    {.name = "UrlhausCsv",
     .format = FeedFormat::UrlhausCsv,
     .feed =
         "################################################################\n"
         "# abuse.ch URLhaus Database Dump (CSV - recent URLs)            #\n"
         "################################################################\n"
         "#\n"
         "# id,dateadded,url,url_status,last_online,threat,tags,urlhaus_link,reporter\n"
         "\"3301\",\"2026-12-01 10:00:00\",\"http://198.51.100.7:8080/bins/x.sh\",\"online\","
         "\"2026-12-01 10:00:00\",\"malware_download\",\"elf\","
         "\"https://urlhaus.abuse.ch/url/3301/\",\"someone\"\n"
         "\"3302\",\"2026-12-01 10:01:00\",\"https://dl.evil.example/Invoice.zip\",\"offline\","
         "\"\",\"malware_download\",\"zip,Emotet\",\"https://urlhaus.abuse.ch/url/3302/\",\"x\"\n"
         "\"3303\",\"2026-12-01\"\n"
         "\"3304\",\"2026-12-01\",\"http://half\"open.example/\",\"online\"\n",
     .web = {"198.51.100.7/bins/x.sh", "dl.evil.example/invoice.zip"},
     .counts = {.read = 4, .malformed = 2},
     .malformedLines = {8, 9}},
    {.name = "Hosts",
     .format = FeedFormat::Hosts,
     .feed = "# blocklist\n"
             "127.0.0.1 localhost\n"
             "127.0.0.1 localhost.localdomain\n"
             "::1 localhost ip6-localhost ip6-loopback\n"
             "0.0.0.0 ads.evil.example tracker.evil.example # two names\n"
             "0.0.0.0\twww.phish.example\n"
             "192.168.1.2 nas.lan.example\n"
             "0.0.0.0 docs.google.com\n"
             "0.0.0.0\n"
             "evil.example 0.0.0.0\n"
             "0.0.0.0 bad..example\n",
     .web = {"ads.evil.example", "tracker.evil.example", "phish.example"},
     .counts = {.read = 13, .noise = 1, .malformed = 3, .skipped = 6},
     .malformedLines = {9, 10, 11}},
    {.name = "Domains",
     .format = FeedFormat::Domains,
     .feed = "# phishing domains\n"
             "evil.example\n"
             "*.wild.example\n"
             ".dot.example\n"
             "Spaced.Example   # trailing comment\n"
             "evil-user.weebly.com\n"
             "weebly.com\n"
             "x.vercel.app\n"
             "localhost\n"
             "bad_host!.example\n",
     .web = {"evil.example", "wild.example", "dot.example", "spaced.example",
             "evil-user.weebly.com", "x.vercel.app"},
     .counts = {.read = 9, .noise = 1, .malformed = 2},
     .malformedLines = {9, 10}},
    {.name = "Adblock",
     .format = FeedFormat::Adblock,
     .feed = "[Adblock Plus 2.0]\n"
             "! Title: phishing rules\n"
             "||phish.example^\n"
             "||phish2.example/login^$third-party\n"
             "||phish3.example/a/b|\n"
             "@@||good.example^\n"
             "example.com##.banner\n"
             "||*.wild.example^\n"
             "/regex[0-9]/\n"
             "||undo.example^$badfilter\n"
             "||^\n"
             "||bad host^\n",
     .web = {"phish.example", "phish2.example/login", "phish3.example/a/b"},
     .counts = {.read = 10, .malformed = 2, .skipped = 5},
     .malformedLines = {11, 12}},
    {.name = "Senders",
     .format = FeedFormat::Senders,
     .feed = "# senders\n"
             "Billing@Shop-Secure.example\n"
             "\"PayPal Service\" <service@paypa1.example>\n"
             "mailto:help@verify.example\n"
             "@evil-mail.example\n"
             "evil-domain.example\n"
             "gmail.com\n"
             "someone@gmail.com\n"
             "billing@shop-secure.example\n"
             "no-domain\n"
             "two words@x.example\n"
             "broken <bracket@x.example\n",
     .senders = {"billing@shop-secure.example", "service@paypa1.example", "help@verify.example",
                 "@evil-mail.example", "evil-domain.example", "someone@gmail.com"},
     .counts = {.read = 11, .duplicates = 1, .noise = 1, .malformed = 3},
     .malformedLines = {10, 11, 12}},
    // Senders of other scripts fold as the lookups fold them, so one sender in two letter cases
    // is one entry; one the scrambled file cannot hold is left out rather than fail the compile.
    {.name = "SendersInOtherScripts",
     .format = FeedFormat::Senders,
     .feed = "S\xC3\x89\x43URIT\xC3\x89@BANQUE.EXAMPLE\n"
             "s\xC3\xA9\x63urit\xC3\xA9@banque.example\n"
             "M\xC3\xBCLLER@Bank.example\n"
             "\xD0\xB1\xD0\xB0\xD0\xBD\xD0\xBA-"
             "\xD0\xBF\xD0\xBE\xD0\xB4\xD0\xB4\xD0\xB5\xD1\x80\xD0\xB6\xD0\xBA\xD0\xB0.example\n",
     .senders = {"s\xC3\xA9\x63urit\xC3\xA9@banque.example", "m\xC3\xBCller@bank.example"},
     .counts = {.read = 4, .duplicates = 1, .unstorable = 1}},
};

class FeedFormats : public testing::TestWithParam<FormatRow> {};

void ExpectImported(const Imported& imported, const FormatRow& row) {
    ASSERT_TRUE(imported.ok) << imported.report.error;
    EXPECT_EQ(imported.web, row.web);
    EXPECT_EQ(imported.senders, row.senders);
    FeedCounts expected = row.counts;
    expected.kept = row.web.size() + row.senders.size();
    const FeedCounts& got = imported.Counts();
    EXPECT_EQ(got.read, expected.read);
    EXPECT_EQ(got.kept, expected.kept);
    EXPECT_EQ(got.duplicates, expected.duplicates);
    EXPECT_EQ(got.noise, expected.noise);
    EXPECT_EQ(got.malformed, expected.malformed);
    EXPECT_EQ(got.tooLong, expected.tooLong);
    EXPECT_EQ(got.skipped, expected.skipped);
    EXPECT_EQ(got.unstorable, expected.unstorable);
    EXPECT_EQ(imported.report.feeds[0].malformedLines, row.malformedLines);
    EXPECT_EQ(imported.report.feeds[0].format, row.format);
}

TEST_P(FeedFormats, ReadWhenNamed) {
    const FormatRow& row = GetParam();
    ExpectImported(Import({FeedInput::Memory("feed", row.feed, row.format)}), row);
}

TEST_P(FeedFormats, ReadWhenToldFromTheContent) {
    const FormatRow& row = GetParam();
    if (row.format == FeedFormat::Senders)
        GTEST_SKIP() << "a senders list is read only when named";
    ExpectImported(Import({FeedInput::Memory("feed", row.feed)}), row);
}

INSTANTIATE_TEST_SUITE_P(Formats, FeedFormats, testing::ValuesIn(kFormatRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- telling formats apart ----

struct DetectRow {
    const char* name;
    std::string feed;
    FeedFormat format;   // when told
    const char* refusal; // part of the reason when refused, else null
};

const DetectRow kDetectRows[] = {
    {"JsonArray", "  [{\"url\":\"http://a.example\"}]", FeedFormat::PhishTankJson, nullptr},
    {"JsonObject", "{\"url\":\"http://a.example\"}", FeedFormat::PhishTankJson, nullptr},
    {"AdblockHeader", "[Adblock Plus 2.0]\n||a.example^\n", FeedFormat::Adblock, nullptr},
    {"AdblockRulesOnly", "||a.example^\n||b.example^\n", FeedFormat::Adblock, nullptr},
    {"AdblockCommentThenRules", "! list\n||a.example^\n", FeedFormat::Adblock, nullptr},
    {"PhishTankHeader", "phish_id,url,phish_detail_url\n1,http://a.example,x\n",
     FeedFormat::PhishTankCsv, nullptr},
    {"UrlhausComment", "# abuse.ch URLhaus Database Dump\n", FeedFormat::UrlhausCsv, nullptr},
    {"UrlhausRowsOnly", "\"1\",\"2026-12-01 00:00:00\",\"http://a.example/\",\"online\"\n",
     FeedFormat::UrlhausCsv, nullptr},
    {"HostsAfterPreamble",
     "# hosts\n127.0.0.1 localhost\n::1 localhost\n0.0.0.0 a.example\n0.0.0.0 b.example\n",
     FeedFormat::Hosts, nullptr},
    {"OpenPhishUrls", "http://a.example/x\nhttps://b.example/\n", FeedFormat::OpenPhish, nullptr},
    {"DomainList", "\xEF\xBB\xBF# list\na.example\nb.example # note\n", FeedFormat::Domains,
     nullptr},
    {"MostlyDomainsSomeUrls", "a.example\nb.example\nhttp://c.example/\n", FeedFormat::Domains,
     nullptr},
    {"OnlyComments", "# nothing today\n\n", FeedFormat::Auto, nullptr},
    {"Empty", "", FeedFormat::Auto, nullptr},
    {"Prose", "Dear user,\nplease read this letter.\nThanks, a.example\n", FeedFormat::Auto,
     "is no feed format"},
    {"OtherCsv", "name,email\nbob,bob@example.com\n", FeedFormat::Auto, "is no feed format"},
    {"Gzip", std::string("\x1f\x8b\x08\x00", 4) + "rest", FeedFormat::Auto, "compressed (gzip)"},
    {"Zip", std::string("PK\x03\x04", 4), FeedFormat::Auto, "zip archive"},
    {"Binary", std::string("a.example\n\0\x01\x02", 13), FeedFormat::Auto, "binary"},
};

class Detection : public testing::TestWithParam<DetectRow> {};

TEST_P(Detection, TellsTheFormatOrRefusesNamingTheFeed) {
    const DetectRow& row = GetParam();
    const Imported imported = Import({FeedInput::Memory("feeds/today.txt", row.feed)});
    if (row.refusal) {
        EXPECT_FALSE(imported.ok);
        EXPECT_EQ(imported.report.error.rfind("feeds/today.txt: ", 0), 0u) << imported.report.error;
        EXPECT_NE(imported.report.error.find(row.refusal), std::string::npos)
            << imported.report.error;
        return;
    }
    ASSERT_TRUE(imported.ok) << imported.report.error;
    EXPECT_EQ(imported.report.feeds.at(0).format, row.format);
}

INSTANTIATE_TEST_SUITE_P(Feeds, Detection, testing::ValuesIn(kDetectRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- noise, repeats, lengths ----

TEST(FeedNoise, WellKnownHostsListedWholeAreDroppedTheirSubdomainsAndPagesKept) {
    const std::string feed = "http://www.google.com/\n"
                             "https://docs.google.com\n"      // hand-added service host
                             "https://www.docs.google.com/\n" // and its "www."
                             "https://docs.google.com/forms/d/e/1FAIpQL/viewform\n"
                             "http://evil-user.weebly.com/\n" // a user's site on a host
                             "https://x.vercel.app/login\n"
                             "https://google.com/url\n";
    const Imported imported = Import({FeedInput::Memory("openphish", feed)});
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(imported.web, (std::vector<std::string>{"docs.google.com/forms/d/e/1faipql/viewform",
                                                      "evil-user.weebly.com", "x.vercel.app/login",
                                                      "google.com/url"}));
    EXPECT_EQ(imported.Counts().noise, 3u);
}

TEST(FeedNoise, NothingDroppedWithoutAList) {
    ImportOptions options;
    ImportReport report;
    ASSERT_TRUE(ImportFeeds({FeedInput::Memory("d", "google.com\n")}, options, report));
    EXPECT_EQ(report.entries.Web().Size(), 1u);
}

TEST(FeedRepeats, SameEntryInAnotherSpellingOrFeedIsKeptOnceInFeedOrder) {
    const Imported imported = Import({
        FeedInput::Memory("first", "http://b.example/Login/\nhttp://a.example/\n"),
        FeedInput::Memory("second", "0.0.0.0 a.example\n0.0.0.0 c.example\n"),
        FeedInput::Memory("third", "||b.example/login^\n||www.www.c.example^\n"),
    });
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(imported.web,
              (std::vector<std::string>{"b.example/login", "a.example", "c.example"}));
    EXPECT_EQ(imported.Counts(1).duplicates, 1u);
    EXPECT_EQ(imported.Counts(1).kept, 1u);
    EXPECT_EQ(imported.Counts(2).duplicates, 2u);
}

TEST(FeedLengths, EntriesLongerThanTheEngineReadsAreSkipped) {
    const std::string longPath = "http://long.example/" + std::string(247, 'p');
    const std::string tooLongPath = "http://long.example/" + std::string(300, 'p');
    const std::string longHost = std::string(63, 'h') + "." + std::string(63, 'h') + "." +
                                 std::string(63, 'h') + "." + std::string(50, 'h') + ".example";
    const Imported imported = Import({FeedInput::Memory(
        "feed", longPath + "\n" + tooLongPath + "\n" + "http://" + longHost + "/path/to/page\n")});
    ASSERT_TRUE(imported.ok);
    ASSERT_EQ(imported.web.size(), 1u);
    EXPECT_EQ(imported.web[0].size(), kMaxImportedEntryLength);
    EXPECT_EQ(imported.Counts().tooLong, 2u);
    EXPECT_EQ(imported.Counts().malformed, 0u);
}

TEST(FeedRefusal, AFileOfNoKnownFormatStopsTheImportNamingIt) {
    const Imported imported = Import({FeedInput::Memory("good", "a.example\n"),
                                      FeedInput::Memory("notes.txt", "just some words here\n")});
    EXPECT_FALSE(imported.ok);
    EXPECT_EQ(imported.report.error.rfind("notes.txt: is no feed format", 0), 0u)
        << imported.report.error;
    EXPECT_EQ(imported.report.feeds.size(), 1u);
}

TEST(FeedRefusal, AMissingFileIsNamed) {
    const Imported imported = Import({FeedInput::File("/nonexistent/feed.csv")});
    EXPECT_FALSE(imported.ok);
    EXPECT_NE(imported.report.error.find("/nonexistent/feed.csv"), std::string::npos);
}

TEST(FeedSummaryText, NamesEveryCountAndTheFirstMalformedLines) {
    FeedSummary summary;
    summary.name = "feed.txt";
    summary.format = FeedFormat::Hosts;
    summary.counts = {.read = 20,
                      .kept = 9,
                      .duplicates = 1,
                      .noise = 2,
                      .malformed = 6,
                      .tooLong = 1,
                      .skipped = 1};
    summary.malformedLines = {3, 4, 5, 8, 9};
    EXPECT_EQ(DescribeFeedSummary(summary),
              "feed.txt (hosts): 20 read, 9 kept, 1 duplicate, 2 dropped as noise, 6 malformed "
              "(lines 3, 4, 5, 8, 9, ...), 1 too long, 1 skipped (no definition kind)");
}

// ---- merging into a source ----

TEST(FeedMerge, BaseEntriesStayAsTheyAreAndNewOnesFollowTheirSection) {
    DefinitionSet base = {
        {"HostIP", {{"IP1", "192.0.2.1"}}},
        {"HostLink", {{"HLINK1", "Evil.example/Login"}, {"HLINK2", "not an address"}}},
        {"Text", {{"TXT1", " padded "}}},
    };
    const Imported imported =
        Import({FeedInput::Memory("openphish", "http://evil.example/login/\nhttp://new.example/\n"),
                FeedInput::Memory("senders", "a@b.example\n", FeedFormat::Senders)},
               &base);
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(imported.Counts(0).duplicates, 1u);
    EXPECT_EQ(FormatImportedDefinitions(base, imported.report.entries, "written by a test"),
              "; written by a test\n"
              "\n[HostIP]\nIP1=192.0.2.1\n"
              "\n[HostLink]\nHLINK1=Evil.example/Login\nHLINK2=not an address\nHLINK3=new.example\n"
              "\n[Text]\nTXT1=\" padded \"\n"
              "\n[From]\nFROM1=a@b.example\n");
}

TEST(FeedMerge, NumberingGoesOnFromTheHighestIndex) {
    DefinitionSet base = {{"From", {{"FROM1", "x@y.example"}, {"FROM7", "Z@Y.example"}}}};
    const Imported imported =
        Import({FeedInput::Memory("s", "z@y.example\nw@y.example\n", FeedFormat::Senders)}, &base);
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(FormatImportedDefinitions(base, imported.report.entries, ""),
              "[From]\nFROM1=x@y.example\nFROM7=Z@Y.example\nFROM8=w@y.example\n");
}

// ---- hostile JSON ----

struct HostileJsonRow {
    const char* name;
    std::string text;
    std::size_t records; // with a URL, before the error
    bool error;
};

const HostileJsonRow kHostileJsonRows[] = {
    {"DeepNesting", "[{\"a\":" + std::string(100000, '[') + "}]", 0, true},
    {"DeepNestingAfterARecord", "[{\"url\":\"http://a.example\"}," + std::string(5000, '{') + "]",
     1, true},
    {"UnclosedString", "[{\"url\":\"http://a.example", 0, true},
    {"UnclosedArray", "[{\"url\":\"http://a.example\"}", 1, true},
    {"BadEscape", "[{\"url\":\"http:\\x\"}]", 0, true},
    {"ShortUnicodeEscape", "[{\"url\":\"\\u12\"}]", 0, true},
    {"LoneSurrogates", "[{\"url\":\"http://a.example/\\ud800\\udc00\\udfff\\ud800\"}]", 1, false},
    {"MissingComma", "[{\"url\":\"http://a.example\"} {\"url\":\"http://b.example\"}]", 1, true},
    {"MemberWithoutName", "[{1:2}]", 0, true},
    {"TrailingComma", "[{\"url\":\"http://a.example\",}]", 0, true},
    {"EmptyArray", " [ ] ", 0, false},
    {"NestedValuesSkipped",
     "[{\"x\":[1,-2.5e3,true,null,{\"y\":[]},\"s\\\"]\"],\"url\":\"http://a.example\"}]", 1, false},
    {"NotJsonAtAll", "\x01\x02", 0, true},
};

class HostileJson : public testing::TestWithParam<HostileJsonRow> {};

TEST_P(HostileJson, EndsWithoutCrashOrHang) {
    const HostileJsonRow& row = GetParam();
    JsonRecords records(row.text);
    std::string url;
    bool hasUrl = false;
    std::size_t found = 0;
    JsonRecords::Result result;
    std::size_t steps = 0;
    while ((result = records.Next(url, hasUrl)) != JsonRecords::Result::End &&
           result != JsonRecords::Result::Error) {
        found += hasUrl;
        ASSERT_LT(++steps, 100u) << "no progress";
    }
    EXPECT_EQ(found, row.records);
    EXPECT_EQ(result == JsonRecords::Result::Error, row.error) << records.ErrorReason();
    EXPECT_EQ(records.Next(url, hasUrl), result) << "the reader stays at its end";
}

INSTANTIATE_TEST_SUITE_P(Inputs, HostileJson, testing::ValuesIn(kHostileJsonRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FeedJson, ASyntaxErrorKeepsTheRecordsBeforeItAndSaysWhere) {
    const Imported imported = Import(
        {FeedInput::Memory("feed.json", "[\n{\"url\":\"http://a.example/x\"},\n{\"url\":}\n]")});
    ASSERT_TRUE(imported.ok);
    EXPECT_EQ(imported.web, std::vector<std::string>{"a.example/x"});
    EXPECT_EQ(imported.Counts().malformed, 1u);
    EXPECT_EQ(imported.report.feeds[0].note,
              "JSON syntax error on line 3 (an unexpected character); nothing after it was read");
}

} // namespace
