// The mail source list and the web site list: names and keys, look-ups, item operations, the exact
// stored forms and loading of damaged stores.
#include "core/RegistryValues.h"
#include "core/lists/MailSafeList.h"
#include "core/lists/WebSiteBlockingList.h"
#include "core/logging/AlertLogStore.h"
#include "AppDataSandbox.h"

#include <chrono>
#include <thread>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

constexpr const char* kProduct = "Software\\Corvane\\Hookwise";

DetectionRecord MailRecord(char kind, const char* from, const char* matched = "") {
    DetectionRecord r{};
    CopyField(r.program, "firefox");
    CopyField(r.port, "80");
    CopyField(r.mail.from, from);
    CopyField(r.mail.to, "me@example.org");
    CopyField(r.mail.subject, "Your account");
    CopyField(r.mail.date, "Mon, 7 Dec 2009");
    CopyField(r.mail.attachment, "invoice.pdf");
    CopyField(r.mail.matchedText, matched);
    CopyField(r.mail.linkTarget, "http://bad.example/login");
    CopyField(r.mail.linkText, "https://bank.example");
    r.mail.kind = kind;
    return r;
}

DetectionRecord WebRecord(char kind, const char* target, const char* program, const char* port) {
    DetectionRecord r{};
    CopyField(r.program, program);
    CopyField(r.port, port);
    CopyField(r.hostAddress, kind == kKindHost ? target : "10.0.0.1");
    CopyField(r.web.url, kind == kKindUrl ? target : "");
    r.web.kind = kind;
    return r;
}

class Lists : public AppDataSandbox {
protected:
    HKEY Product() {
        if (!product_)
            RegCreateKeyExA(HKEY_CURRENT_USER, kProduct, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            product_.Put(), nullptr);
        return product_.Get();
    }
    void TearDown() override {
        product_ = RegKey();
        AppDataSandbox::TearDown();
    }
    RegKey product_;
};

TEST(ListNames, TablesOfNames) {
    EXPECT_EQ(ProtocolName(21), "FTP");
    EXPECT_EQ(ProtocolName(25), "SMTP");
    EXPECT_EQ(ProtocolName(80), "HTTP");
    EXPECT_EQ(ProtocolName(8080), "HTTP");
    EXPECT_EQ(ProtocolName(110), "POP3");
    EXPECT_EQ(ProtocolName(143), "IMAP");
    EXPECT_EQ(ProtocolName(0), "Unknown");
    EXPECT_EQ(ProtocolName(-1), "Unknown");
    EXPECT_EQ(ActionName(0), "Allow");
    EXPECT_EQ(ActionName(1), "Block");
    EXPECT_EQ(ActionName(2), "Ask");
    EXPECT_EQ(ActionName(3), "");
    EXPECT_EQ(MailTypeName('F'), "From");
    EXPECT_EQ(MailTypeName('L'), "Link");
    EXPECT_EQ(MailTypeName('S'), "Subject");
    EXPECT_EQ(MailTypeName('T'), "Message");
    EXPECT_EQ(MailTypeName('I'), "");
    EXPECT_EQ(WebTypeName('I'), "IP");
    EXPECT_EQ(WebTypeName('U'), "URL");
    EXPECT_EQ(WebTypeName('F'), "");
}

TEST(ListNames, KeysComeFromTheRecordFields) {
    DetectionRecord link = MailRecord('L', "a@b");
    EXPECT_EQ(MailKeyText(link),
              "Called: 'http://bad.example/login'\nVisible: 'https://bank.example'");
    EXPECT_EQ(MailKeyText(MailRecord('F', "a@b")), "a@b");
    EXPECT_EQ(MailKeyText(MailRecord('S', "a@b")), "Your account");
    EXPECT_EQ(MailKeyText(MailRecord('T', "a@b", "verify now")), "verify now");
    EXPECT_EQ(MailKeyText(MailRecord('X', "a@b")), "");
    // A sender that fills its field without a terminator is read to the field's end.
    DetectionRecord full = MailRecord('F', "");
    std::memset(full.mail.from, 'x', sizeof full.mail.from);
    EXPECT_EQ(MailKeyText(full), std::string(sizeof full.mail.from, 'x'));
    EXPECT_EQ(WebKeyText(WebRecord('I', "192.0.2.7", "p", "80")), "192.0.2.7");
    EXPECT_EQ(WebKeyText(WebRecord('U', "http://x/", "p", "80")), "http://x/");
}

// An IPv6 address cut by the 20-byte host field comes whole in the URL field of a host report:
// two addresses that share their first 19 characters are two items, each shown whole.
TEST(WebSiteBlockingList, LongIPv6AddressesAreKeptWhole) {
    auto record = [](const char* address) {
        DetectionRecord r = WebRecord('I', address, "curl", "443");
        CopyField(r.web.url, address);
        return r;
    };
    const char* first = "2001:db8:85a3:8d3:1319:8a2e:370:7348";
    const char* second = "2001:db8:85a3:8d3:1319:8a2e:370:7349";
    EXPECT_EQ(HostAddressText(record(first)), first);
    EXPECT_EQ(WebKeyText(record(first)), first);
    WebSiteBlockingList list;
    list.Append(WebItemFromRecord(record(first), "now"));
    EXPECT_EQ(list.ItemAt(0).IPAddress, first);
    EXPECT_EQ(list.ItemAt(0).StrictedData, first);
    EXPECT_EQ(list.FindSiteItem(record(first)), 0);
    EXPECT_EQ(list.FindSiteItem(record(second)), -1);
    // A URL field that does not continue the host field is not taken (older senders).
    DetectionRecord other = WebRecord('I', "192.0.2.7", "p", "80");
    CopyField(other.web.url, "10.9.9.9");
    EXPECT_EQ(HostAddressText(other), "192.0.2.7");
}

TEST(MailSafeList, FindsByKeyAndTypeIgnoringCase) {
    MailSafeList list;
    EXPECT_EQ(list.FindMailItem(MailRecord('F', "a@b")), -1);
    EXPECT_EQ(list.Append(MailItemFromRecord(MailRecord('F', "Phish@Bad.Example"))), 0);
    EXPECT_EQ(list.FindMailItem(MailRecord('F', "phish@bad.example")), 0);
    // Same sender text as matched text, but another kind: a second item.
    DetectionRecord text = MailRecord('T', "x", "Phish@Bad.Example");
    EXPECT_EQ(list.FindMailItem(text), -1);
    EXPECT_EQ(list.Append(MailItemFromRecord(text)), 1);
    EXPECT_EQ(list.FindMailItem(text), 1);
    // Program and port take no part.
    DetectionRecord other = MailRecord('F', "PHISH@BAD.EXAMPLE");
    CopyField(other.program, "thunderbird");
    CopyField(other.port, "110");
    EXPECT_EQ(list.FindMailItem(other), 0);
}

// Texts that differ only in letter case, in any script, are one item in each store; texts that
// only look alike, or are not UTF-8, are not folded into each other.
struct FoldRow {
    const char* name;
    const char* stored;
    const char* asked;
    bool same;
};

void PrintTo(const FoldRow& row, std::ostream* os) {
    *os << row.name;
}

const FoldRow kFoldRows[] = {
    {"AccentedCapital", "\xC3\x89VIL@x", "\xC3\xA9vil@x", true},
    {"Cyrillic", "\xD0\x9F\xD0\x90\xD0\x9B", "\xD0\xBF\xD0\xB0\xD0\xBB", true},
    {"GreekFinalSigma", "\xCE\xA3\xCE\x91", "\xCF\x82\xCE\xB1", true},
    {"SharpS",
     "Stra\xC3\x9F"
     "e.example",
     "STRASSE.EXAMPLE", true},
    {"Ascii", "Phish@Bad.Example", "phish@bad.example", true},
    {"OtherLetter", "\xC3\xA9vil@x", "\xC3\xA8vil@x", false},
    {"AccentAgainstPlain", "\xC3\xA9vil@x", "evil@x", false},
    {"NotUtf8KeptExact", "\xC9VIL@x", "\xE9vil@x", false},
    {"NotUtf8EqualsItself", "\xC9Vil@x", "\xC9vIL@x", true},
};

class StoreFold : public ::testing::TestWithParam<FoldRow> {};

TEST_P(StoreFold, MatchesInTheMailListTheSiteListAndTheLog) {
    const FoldRow& row = GetParam();
    const int expected = row.same ? 0 : -1;

    MailSafeList mail;
    mail.Append(MailItemFromRecord(MailRecord('F', row.stored)));
    EXPECT_EQ(mail.FindMailItem(MailRecord('F', row.asked)), expected) << "mail list";

    WebSiteBlockingList web;
    web.Append(WebItemFromRecord(WebRecord('U', row.stored, row.stored, "80"), "now"));
    web.Append(WebItemFromRecord(WebRecord('I', row.stored, "p", "80"), "now"));
    EXPECT_EQ(web.FindSiteItem(WebRecord('U', row.asked, row.asked, "80")), expected)
        << "site list, URL and program";
    EXPECT_EQ(web.FindSiteItem(WebRecord('I', row.asked, "P", "80")), row.same ? 1 : -1)
        << "site list, host";

    AlertLogStore log;
    AlertLogEntry entry;
    entry.StrictedData = row.stored;
    entry.Program = row.stored;
    log.AddEntry(entry);
    entry.StrictedData = row.asked;
    entry.Program = row.asked;
    EXPECT_EQ(log.FindEntry(entry), expected) << "alert log";
}

INSTANTIATE_TEST_SUITE_P(UnicodeCase, StoreFold, ::testing::ValuesIn(kFoldRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MailSafeList, ItemOperationsIgnoreBadIndexes) {
    MailSafeList list;
    for (const char* from : {"a", "b", "c"})
        list.Append(MailItemFromRecord(MailRecord('F', from)));
    list.SetAction(1, kActionBlock);
    list.SetAction(3, kActionBlock);
    list.SetAction(-1, kActionBlock);
    EXPECT_EQ(list.ItemAt(1).Action, kActionBlock);
    EXPECT_EQ(list.ItemAt(0).Action, kActionAsk);
    list.RemoveAt(5);
    list.RemoveAt(0);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.ItemAt(0).From, "b");
    EXPECT_EQ(list.ItemAt(7).StrictedData, ""); // outside: a default item, no crash
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
}

TEST(WebSiteBlockingList, MatchesByPortProgramAndKind) {
    WebSiteBlockingList list;
    list.Append(WebItemFromRecord(WebRecord('U', "http://bad.example/", "Firefox", "80"), "now"));
    EXPECT_EQ(list.FindSiteItem(WebRecord('U', "HTTP://BAD.EXAMPLE/", "firefox", "80")), 0);
    EXPECT_EQ(list.FindSiteItem(WebRecord('U', "http://bad.example/", "firefox", "8080")), -1);
    EXPECT_EQ(list.FindSiteItem(WebRecord('U', "http://bad.example/", "chrome", "80")), -1);
    // A host report with the same text never matches a URL item's ScamSite rule, and back.
    list.Append(WebItemFromRecord(WebRecord('I', "192.0.2.7", "firefox", "443"), "now"));
    EXPECT_EQ(list.FindSiteItem(WebRecord('I', "192.0.2.7", "FIREFOX", "443")), 1);
    EXPECT_EQ(list.FindSiteItem(WebRecord('U', "192.0.2.7", "firefox", "443")), -1);
    // By the host rule only the key counts, whatever the item's Type.
    EXPECT_EQ(list.FindSiteItem(WebRecord('I', "http://bad.example/", "firefox", "80")), 0);
    EXPECT_EQ(list.FindSiteItem(WebRecord('X', "192.0.2.7", "firefox", "443")), -1);
    // For a host report the Type is not compared.
    WebSiteBlockingItem odd = list.ItemAt(1);
    odd.Type = "something";
    odd.Port = 0;
    list.Append(odd);
    EXPECT_EQ(list.FindSiteItem(WebRecord('I', "192.0.2.7", "firefox", "abc")), 2);
}

TEST(MailSafeList, ItemsAreSafeToReadWhileAppending) {
    MailSafeList list;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            int count = list.Count();
            if (count > 0) {
                EXPECT_EQ(list.ItemAt(count - 1).Type, "From");
            }
            (void)list.Items();
        }
    });
    for (int i = 0; i < 2000; ++i)
        list.Append(MailItemFromRecord(MailRecord('F', std::to_string(i).c_str())));
    done = true;
    reader.join();
    EXPECT_EQ(list.Count(), 2000);
}

TEST_F(Lists, MailListStoresEveryByteInItsForm) {
    MailSafeList list;
    list.Permission = 1;
    list.ProtectionState = 0;
    MailSafeItem item = MailItemFromRecord(MailRecord('L', "x@y"));
    item.Action = kActionBlock;
    item.Port = 0x01020304;
    list.Append(item);
    MailSafeItem empty;
    empty.Port = -1;
    list.Append(empty);
    ASSERT_TRUE(list.Save(Product()));

    std::string key = std::string(kProduct) + "\\MailSafe";
    auto values = KeyValues(HKEY_CURRENT_USER, key);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].first, "MailSafeItems No");
    EXPECT_EQ(values[0].second, (StoredValue{REG_BINARY, Bytes({2, 0, 0, 0})}));
    EXPECT_EQ(values[1].first, "MailSafeProtectionState");
    EXPECT_EQ(values[1].second, (StoredValue{REG_BINARY, Bytes({0, 0, 0, 0})}));
    EXPECT_EQ(values[2].first, "MailSafePermession");
    EXPECT_EQ(values[2].second, (StoredValue{REG_BINARY, Bytes({1, 0, 0, 0})}));

    auto first = KeyValues(HKEY_CURRENT_USER, key + "\\MailSafeItem0");
    const char* order[] = {"Action",         "StrictedData", "Type", "Program", "DataTime",
                           "AttachmentFile", "Port",         "From", "To",      "Subject"};
    ASSERT_EQ(first.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(first[i].first, order[i]);
    EXPECT_EQ(first[0].second, (StoredValue{REG_BINARY, Bytes({1, 0, 0, 0})}));
    EXPECT_EQ(first[1].second, (StoredValue{REG_SZ, TextBytes(item.StrictedData)}));
    EXPECT_EQ(first[2].second, (StoredValue{REG_SZ, TextBytes("Link")}));
    EXPECT_EQ(first[4].second, (StoredValue{REG_SZ, TextBytes("Mon, 7 Dec 2009")}));
    EXPECT_EQ(first[6].second, (StoredValue{REG_SZ, Bytes({4, 3, 2, 1})})); // raw, not text
    auto second = KeyValues(HKEY_CURRENT_USER, key + "\\MailSafeItem1");
    EXPECT_EQ(second[1].second, (StoredValue{REG_SZ, {}})); // an empty text is 0 bytes
    EXPECT_EQ(second[6].second, (StoredValue{REG_SZ, Bytes({0xFF, 0xFF, 0xFF, 0xFF})}));

    MailSafeList loaded;
    loaded.Load(Product());
    EXPECT_EQ(loaded.Permission, 1);
    EXPECT_EQ(loaded.ProtectionState, 0);
    ASSERT_EQ(loaded.Count(), 2);
    MailSafeItem back = loaded.ItemAt(0);
    EXPECT_EQ(back.StrictedData, item.StrictedData);
    EXPECT_EQ(back.Port, 0x01020304);
    EXPECT_EQ(back.Action, kActionBlock);
    EXPECT_EQ(back.AttachmentFile, "invoice.pdf");
    EXPECT_EQ(loaded.ItemAt(1).Port, -1);

    // Saving what was loaded reproduces every byte.
    auto before = DumpTree(HKEY_CURRENT_USER, key);
    SHDeleteKeyA(Product(), "MailSafe");
    ASSERT_TRUE(loaded.Save(Product()));
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, key), before);
}

TEST_F(Lists, WebListStoresThePortAsDecimalText) {
    WebSiteBlockingList list;
    WebSiteBlockingItem item =
        WebItemFromRecord(WebRecord('U', "http://bad.example/a", "firefox", "8080"), "Monday");
    list.Append(item);
    list.Append(WebSiteBlockingItem{}); // port -1, empty texts
    list.Permission = 0;
    ASSERT_TRUE(list.Save(Product()));

    std::string key = std::string(kProduct) + "\\WebSiteBlocking";
    auto values = KeyValues(HKEY_CURRENT_USER, key);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].first, "WebSiteBlockingItems No");
    EXPECT_EQ(values[1].first, "WebSiteBlockingProtectionState");
    EXPECT_EQ(values[1].second, (StoredValue{REG_BINARY, Bytes({1, 0, 0, 0})}));
    EXPECT_EQ(values[2].first, "WebSiteBlockingPermession");
    auto first = KeyValues(HKEY_CURRENT_USER, key + "\\WebSiteBlockingItem0");
    const char* order[] = {"Action",    "ScamSite",     "Program", "DataTime",
                           "IPAddress", "StrictedData", "Type",    "Port"};
    ASSERT_EQ(first.size(), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(first[i].first, order[i]);
    EXPECT_EQ(first[0].second, (StoredValue{REG_BINARY, Bytes({2, 0, 0, 0})}));
    EXPECT_EQ(first[1].second, (StoredValue{REG_SZ, TextBytes("http://bad.example/a")}));
    EXPECT_EQ(first[6].second, (StoredValue{REG_SZ, TextBytes("URL")}));
    EXPECT_EQ(first[7].second, (StoredValue{REG_SZ, TextBytes("8080")}));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, key + "\\WebSiteBlockingItem1", "Port"),
              (StoredValue{REG_SZ, TextBytes("-1")}));

    WebSiteBlockingList loaded;
    loaded.Load(Product());
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.ItemAt(0).Port, 8080);
    EXPECT_EQ(loaded.ItemAt(0).ScamSite, "http://bad.example/a");
    EXPECT_EQ(loaded.ItemAt(0).DataTime, "Monday");
    EXPECT_EQ(loaded.ItemAt(1).Port, -1);
    EXPECT_EQ(loaded.Permission, 0);
    auto before = DumpTree(HKEY_CURRENT_USER, key);
    SHDeleteKeyA(Product(), "WebSiteBlocking");
    ASSERT_TRUE(loaded.Save(Product()));
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, key), before);
}

TEST_F(Lists, LoadingTakesFirstBytesAndRenumbersGaps) {
    RegKey mail;
    ASSERT_EQ(RegCreateKeyExA(Product(), "MailSafe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              mail.Put(), nullptr),
              ERROR_SUCCESS);
    WriteRegNumber(mail.Get(), "MailSafeItems No", 4);
    WriteRegNumber(mail.Get(), "MailSafePermession", 0x0101); // first byte only: 1
    for (int i : {0, 2, 3}) {
        RegKey item;
        RegCreateKeyExA(mail.Get(), ("MailSafeItem" + std::to_string(i)).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, item.Put(), nullptr);
        WriteRegText(item.Get(), "StrictedData", "item" + std::to_string(i));
        if (i == 2)
            WriteRegNumber(item.Get(), "Action", 258); // first byte: 2
        if (i == 3)
            WriteRegNumber(item.Get(), "Action", 1);
    }
    MailSafeList list;
    list.Append(MailSafeItem{}); // replaced by the load
    list.Load(Product());
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemAt(0).StrictedData, "item0");
    EXPECT_EQ(list.ItemAt(1).StrictedData, "item2");
    EXPECT_EQ(list.ItemAt(1).Action, 2);
    EXPECT_EQ(list.ItemAt(2).Action, 1);
    EXPECT_EQ(list.ItemAt(0).Port, -1); // no "Port" stored
    EXPECT_EQ(list.Permission, 1);
    EXPECT_EQ(list.ProtectionState, 1); // not stored: unchanged
    ASSERT_TRUE(list.Save(Product()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string(kProduct) + "\\MailSafe\\MailSafeItem2"));
    EXPECT_EQ(ValueAt(HKEY_CURRENT_USER, std::string(kProduct) + "\\MailSafe\\MailSafeItem1",
                      "StrictedData"),
              (StoredValue{REG_SZ, TextBytes("item2")}));
}

TEST_F(Lists, AHugeStoredCountDoesNotStallTheLoad) {
    RegKey web;
    RegCreateKeyExA(Product(), "WebSiteBlocking", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, web.Put(),
                    nullptr);
    WriteRegNumber(web.Get(), "WebSiteBlockingItems No", 0xFFFFFFFFu);
    for (const char* name :
         {"WebSiteBlockingItem0", "WebSiteBlockingItem7", "WebSiteBlockingItem07", "Other"}) {
        RegKey item;
        RegCreateKeyExA(web.Get(), name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, item.Put(),
                        nullptr);
        WriteRegText(item.Get(), "Port", "abc");
        WriteRegText(item.Get(), "StrictedData", "");
        WriteRegText(item.Get(), "Program", name);
    }
    WebSiteBlockingList list;
    list.Load(Product());
    ASSERT_EQ(list.Count(), 2); // items 0 and 7; "07" is not how an index is written
    EXPECT_EQ(list.ItemAt(0).Program, "WebSiteBlockingItem0");
    EXPECT_EQ(list.ItemAt(1).Program, "WebSiteBlockingItem7");
    EXPECT_EQ(list.ItemAt(1).Port, 0);
    EXPECT_EQ(list.ItemAt(1).StrictedData, "");
}

TEST_F(Lists, LongTextsSurviveTheRoundTrip) {
    // A link key can be over 500 bytes; it must come back whole, or the item could never match
    // its mail again.
    DetectionRecord r = MailRecord('L', "x");
    std::memset(r.mail.linkTarget, 'a', 260);
    std::memset(r.mail.linkText, 'b', 260);
    MailSafeList list;
    list.Append(MailItemFromRecord(r));
    ASSERT_TRUE(list.Save(Product()));
    MailSafeList loaded;
    loaded.Load(Product());
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.FindMailItem(r), 0);
}

TEST_F(Lists, AMissingSubkeyLeavesTheListAsItIs) {
    MailSafeList mail;
    mail.Append(MailSafeItem{});
    mail.Permission = 0;
    mail.Load(Product());
    EXPECT_EQ(mail.Count(), 1);
    EXPECT_EQ(mail.Permission, 0);
}

} // namespace
