// The update's parts on their own: the source list, merging definition sets, signatures and the
// per-source cache.
#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/signing/DefinitionSignature.h"
#include "tools/update/DefinitionMerge.h"
#include "tools/update/SourceCache.h"
#include "tools/update/SourceList.h"
#include "engine/WellKnownSites.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

using namespace hookwise::tools;

namespace {

// ---- the source list ----

struct SourceRow {
    const char* name;
    const char* text;
    bool ok;
    std::size_t sources;    // good lines found
    const char* fault = ""; // a part of the first message
};

void PrintTo(const SourceRow& row, std::ostream* os) {
    *os << row.name;
}

const SourceRow kSourceRows[] = {
    {.name = "FeedsAndComments",
     .text = "# comment\n\nopenphish https://a.example/feed.txt\n  hosts   https://b.example/h  "
             "# trailing\r\nhookwise https://c.example/defs.pbd\n",
     .ok = true,
     .sources = 3},
    {.name = "FragmentInUrlKept", .text = "auto https://a.example/f#x\n", .ok = true, .sources = 1},
    {.name = "PlainHttpRefused",
     .text = "openphish http://a.example/feed.txt\n",
     .ok = false,
     .sources = 0,
     .fault = "line 1: 'http://a.example/feed.txt' is no https://"},
    {.name = "UnknownFormat",
     .text = "openphish https://a.example/a\nrss https://a.example/b\n",
     .ok = false,
     .sources = 1,
     .fault = "line 2: unknown format 'rss'"},
    {.name = "MissingUrl",
     .text = "openphish\n",
     .ok = false,
     .sources = 0,
     .fault = "expected FORMAT URL"},
    {.name = "ThreeWords",
     .text = "openphish https://a.example/a extra\n",
     .ok = false,
     .sources = 0,
     .fault = "found 3 word(s)"},
    {.name = "OnlyComments",
     .text = "# nothing\n",
     .ok = false,
     .sources = 0,
     .fault = "no source listed"},
    {.name = "EmptyHost",
     .text = "auto https://\n",
     .ok = false,
     .sources = 0,
     .fault = "is no https://"},
};

class SourceListParse : public testing::TestWithParam<SourceRow> {};

TEST_P(SourceListParse, Lines) {
    const SourceRow& row = GetParam();
    std::vector<UpdateSource> sources;
    Messages errors;
    EXPECT_EQ(ParseSourceList(row.text, sources, errors), row.ok);
    EXPECT_EQ(sources.size(), row.sources);
    if (!row.ok) {
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors.front().find(row.fault), std::string::npos) << errors.front();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SourceListParse, testing::ValuesIn(kSourceRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SourceListParse, FormatsAndLines) {
    std::vector<UpdateSource> sources;
    Messages errors;
    ASSERT_TRUE(ParseSourceList("# x\nhookwise https://c.example/d.pbd\nhosts https://h.example/\n",
                                sources, errors));
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_TRUE(sources[0].signedDefinitions);
    EXPECT_EQ(sources[0].line, 2u);
    EXPECT_FALSE(sources[1].signedDefinitions);
    EXPECT_EQ(sources[1].format, FeedFormat::Hosts);
    EXPECT_EQ(sources[1].url, "https://h.example/");
}

// ---- merging definition sets ----

DefinitionSet Read(const std::string& text) {
    DefinitionSet set;
    Messages errors;
    EXPECT_TRUE(ReadPlainDefinitions(text, set, errors)) << (errors.empty() ? "" : errors[0]);
    return set;
}

std::string Plain(const DefinitionSet& set) {
    return FormatPlainDefinitions(set, "");
}

TEST(DefinitionMerge, AppendsNewValuesNumberedOnAndSkipsKnownOnes) {
    DefinitionSet into = Read("[HostLink]\nHLINK1=a.example\nHLINK2=b.example\n");
    const DefinitionSet from =
        Read("[HostLink]\nHLINK1=b.example\nHLINK2=c.example\n[Subject]\nSUB1=urgent\n");
    EXPECT_EQ(MergeDefinitionSets(into, from), 2u);
    EXPECT_EQ(Plain(into), Plain(Read("[HostLink]\nHLINK1=a.example\nHLINK2=b.example\n"
                                      "HLINK3=c.example\n[Subject]\nSUB1=urgent\n")));
    Messages errors;
    EXPECT_TRUE(CheckDefinitionLists(into, errors));
}

TEST(DefinitionMerge, LinkPairsStayTogether) {
    DefinitionSet into = Read("[Link]\nCLINK1=x.example\nVLINK1=shown x\n");
    // VLINK before its CLINK, a CLINK already there (left out with its VLINK) and a new pair.
    const DefinitionSet from = Read("[Link]\nVLINK2=shown y\nCLINK1=x.example\nVLINK1=other\n"
                                    "CLINK2=y.example\n");
    EXPECT_EQ(MergeDefinitionSets(into, from), 2u);
    Messages errors;
    EXPECT_TRUE(CheckDefinitionLists(into, errors)) << (errors.empty() ? "" : errors[0]);
    const std::string text = Plain(into);
    EXPECT_NE(text.find("CLINK2=y.example"), std::string::npos) << text;
    EXPECT_NE(text.find("VLINK2=shown y"), std::string::npos) << text;
    EXPECT_EQ(text.find("other"), std::string::npos) << text;
}

TEST(DefinitionMerge, UnreadableEntriesLeftOutAndListsRenumbered) {
    DefinitionSet set;
    set.push_back({"HostLink",
                   {{"HLINK1", "a.example"},
                    {"HLINK2", ""},
                    {"HLINK3", std::string(300, 'x')},
                    {"HLINK4", "line\nbreak.example"},
                    {"HLINK5", "b.example"}}});
    set.push_back({"Link",
                   {{"CLINK1", ""},
                    {"VLINK1", "gone with its CLINK"},
                    {"CLINK2", "c.example"},
                    {"VLINK2", "kept"}}});
    EXPECT_EQ(DropUnreadableEntries(set), 5u);
    ASSERT_EQ(set[0].entries.size(), 2u);
    EXPECT_EQ(set[0].entries[1].key, "HLINK2");
    EXPECT_EQ(set[0].entries[1].value, "b.example");
    ASSERT_EQ(set[1].entries.size(), 2u);
    EXPECT_EQ(set[1].entries[0].key, "CLINK1");
    EXPECT_EQ(set[1].entries[1].key, "VLINK1");
    Messages errors;
    EXPECT_TRUE(CheckDefinitionLists(set, errors)) << (errors.empty() ? "" : errors[0]);
}

TEST(DefinitionMerge, ShippedFileReadBackAndDamageRefused) {
    std::string shipped = testsupport::ReadFile(DEFINITIONS_PATH);
    ASSERT_FALSE(shipped.empty());
    DefinitionSet set;
    std::string error;
    ASSERT_TRUE(ReadShippedDefinitions(shipped, set, error)) << error;
    EXPECT_GT(CountEntries(set), 10u);
    for (const std::string& bad :
         {std::string("not a definitions file at all"), shipped.substr(0, shipped.size() - 3),
          shipped.substr(0, 16) + std::string(shipped.size() - 16, '\x5a')}) {
        DefinitionSet none;
        EXPECT_FALSE(ReadShippedDefinitions(bad, none, error));
        EXPECT_TRUE(none.empty());
    }
}

TEST(DefinitionMerge, BuildLeavesOutWhatCannotBeReadBackAndCompilesTheRest) {
    // A byte whose scrambled form the profile reader would change.
    std::string faulty;
    for (int c = 1; c < 256 && faulty.empty(); ++c) {
        const std::string value = std::string("bad") + static_cast<char>(c) + ".example";
        if (!ScrambleFault(value, ScrambledField::Value).empty() && c != '\r' && c != '\n')
            faulty = value;
    }
    ASSERT_FALSE(faulty.empty());
    DefinitionSet base = Read("[HostLink]\nHLINK1=kept.example\n[Subject]\nSUB1=urgent\n");
    base[0].entries.push_back({"HLINK2", faulty});
    base[0].entries.push_back({"HLINK3", "also-kept.example"});
    const std::string feed = "https://feed.example/x\n";
    WellKnownSites sites;
    sites.Add("google.com");
    BuiltDefinitions built;
    Messages errors;
    ASSERT_TRUE(BuildDefinitions(base, {FeedInput::Memory("feed", feed, FeedFormat::OpenPhish)},
                                 sites, "12/08/2026", built, errors))
        << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(built.dropped, 1u);
    EXPECT_EQ(built.entries, 4u);
    DefinitionSet back;
    std::string error;
    ASSERT_TRUE(ReadShippedDefinitions(built.shipped, back, error)) << error;
    const std::string text = Plain(back);
    EXPECT_NE(text.find("HLINK2=also-kept.example"), std::string::npos) << text;
    EXPECT_NE(text.find("HLINK3=feed.example/x"), std::string::npos) << text;
    EXPECT_FALSE(built.index.empty());
}

// ---- signatures ----

class Signatures : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(GenerateSigningKeys(private_, public_, error)) << error;
        ASSERT_NE(private_.find("PRIVATE KEY"), std::string::npos);
        ASSERT_NE(public_.find("PUBLIC KEY"), std::string::npos);
    }
    std::string private_, public_;
    const std::string bytes_ = std::string("12/08/2026    \r\n") + std::string(4096, 'q');
};

TEST_F(Signatures, SignedFileVerifiesRawAndBase64) {
    std::string signature, error;
    ASSERT_TRUE(SignDefinitions(private_, bytes_, signature, error)) << error;
    EXPECT_EQ(signature.size(), 89u); // 88 base64 characters and LF
    EXPECT_TRUE(VerifyDefinitions(public_, bytes_, signature, error)) << error;
    std::string line;
    ASSERT_TRUE(SignatureLine(signature, line));
    EXPECT_EQ(line + "\n", signature);
}

TEST_F(Signatures, TamperedWrongKeyAndMalformedRefused) {
    std::string signature, error;
    ASSERT_TRUE(SignDefinitions(private_, bytes_, signature, error)) << error;
    std::string tampered = bytes_;
    tampered[100] ^= 1;
    EXPECT_FALSE(VerifyDefinitions(public_, tampered, signature, error));
    EXPECT_NE(error.find("signature"), std::string::npos) << error;

    std::string otherPrivate, otherPublic;
    ASSERT_TRUE(GenerateSigningKeys(otherPrivate, otherPublic, error));
    EXPECT_FALSE(VerifyDefinitions(otherPublic, bytes_, signature, error));
    EXPECT_NE(error.find("signature"), std::string::npos);

    std::string flipped = signature;
    flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(VerifyDefinitions(public_, bytes_, flipped, error));
    for (const std::string& malformed :
         {std::string(), std::string("hello\n"), signature.substr(0, 40), signature + signature}) {
        EXPECT_FALSE(VerifyDefinitions(public_, bytes_, malformed, error));
        EXPECT_NE(error.find("signature"), std::string::npos) << error;
    }
    EXPECT_FALSE(VerifyDefinitions("not a key", bytes_, signature, error));
    EXPECT_NE(error.find("public key"), std::string::npos);
    // A private key is no public key, and the other way round.
    EXPECT_FALSE(VerifyDefinitions(private_, bytes_, signature, error));
    EXPECT_FALSE(SignDefinitions(public_, bytes_, signature, error));
}

// ---- the per-source cache ----

class Cache : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hookwise-cache-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string folder_;
};

TEST_F(Cache, StoredCopyLoadsBackAndDamageIsNoCopy) {
    const SourceCache cache(folder_ + "/sub");
    CachedSource entry{.url = "https://a.example/feed.txt",
                       .etag = "\"abc\"",
                       .lastModified = "Tue, 08 Dec 2026 10:00:00 GMT",
                       .signature = "",
                       .body = std::string("line\n\nblank above\n") + std::string(1, '\0')};
    std::string error;
    ASSERT_TRUE(cache.Store(entry, error)) << error;
    CachedSource loaded;
    ASSERT_TRUE(cache.Load(entry.url, loaded));
    EXPECT_EQ(loaded.body, entry.body);
    EXPECT_EQ(loaded.etag, entry.etag);
    EXPECT_EQ(loaded.lastModified, entry.lastModified);

    CachedSource none;
    EXPECT_FALSE(cache.Load("https://other.example/", none));
    // A cut file is no good copy.
    const std::string path = cache.PathFor(entry.url);
    const std::string whole = testsupport::ReadFile(path);
    testsupport::WriteFile(path, whole.substr(0, whole.size() - 2));
    EXPECT_FALSE(cache.Load(entry.url, none));
    // Nor is a header value with a line break written.
    entry.etag = "\"a\"\nsize 0";
    EXPECT_FALSE(cache.Store(entry, error));
}

} // namespace
