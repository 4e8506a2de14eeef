// The compiled index against the walk: random databases (any bytes, gaps, repeated keys, quotes,
// values cut at 260 characters or at a byte that unscrambles to 0, upper-case entries, letters of
// other scripts whose fold differs or grows) and random
// lookups of every kind, each answered both ways, which must agree on the answer and on the entry
// that matched. The web-address and server-name answers must also agree with a plain model of
// the matching rule, run over the lists as the walk reads them.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "engine/WebAddress.h"
#include "engine/WellKnownSites.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "platform/CaseFold.h"
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace hookwise::platform;

namespace {

using namespace definition_index;

// Bytes the entries are made of: few letters, so texts and entries meet often; both cases; the
// separators of addresses; and bytes >= 0x80.
constexpr char kAlphabet[] = "abcABC./:-@ >\"=;\x80\xc3\xe9\xff";
// Whole UTF-8 letters mixed into the entries and texts of the mail lists: capitals and small
// letters of Latin, Greek (the final sigma) and Cyrillic, and letters whose fold is longer
// (sharp s, capital sharp s, the "fi" ligature, capital I with dot).
const char* const kLetters[] = {"\xc3\x89",     "\xc3\xa9",     "\xce\xa3", "\xcf\x83",
                                "\xcf\x82",     "\xd0\x94",     "\xd0\xb4", "\xc3\x9f",
                                "\xe1\xba\x9e", "\xef\xac\x81", "\xc4\xb0"};
// Labels and bases of the hosts of web-address entries and queries: few, so that they meet often;
// some bases are well-known sites, one label is internationalised.
const char* const kHostLabels[] = {"a", "b", "www", "evil", "x-y", "b\xc3\xbc"};
const char* const kHostBases[] = {"evil.example",    "a.b",       "x-y.b", "google.com",
                                  "docs.google.com", "weebly.com"};

class RandomDatabase {
public:
    // oddLayout: gaps and repeated keys too; without them every line is the next key of its list,
    // the layout the tools write, which the index builder reads in one pass.
    RandomDatabase(std::uint32_t seed, bool oddLayout)
        : random_(seed), webRandom_(seed ^ 0x5eedu), oddLayout_(oddLayout) {}

    std::string Piece(std::size_t maxLength) {
        std::size_t length = 1 + Below(maxLength);
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            // One draw per character: a byte of the alphabet or, now and then, a whole letter.
            const std::size_t pick = Below(sizeof kAlphabet - 1 + std::size(kLetters));
            if (pick < sizeof kAlphabet - 1)
                text.push_back(kAlphabet[pick]);
            else
                text.append(kLetters[pick - (sizeof kAlphabet - 1)]);
        }
        return text;
    }

    std::size_t Below(std::size_t n) { return n == 0 ? 0 : random_() % n; }
    std::string WebPiece(std::size_t maxLength) {
        std::size_t length = 1 + WebBelow(maxLength);
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(kAlphabet[WebBelow(sizeof kAlphabet - 1)]);
        return text;
    }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }

    // The plain entries of one list, and the scrambled lines that store them, with the odd cases
    // mixed in. The list keeps its plain entries for the queries.
    void AddList(const std::string& section, const std::string& prefix, std::size_t count,
                 std::size_t maxLength) {
        if (section != lastSection_) // VLINK shares the Link section with CLINK
            text_.append("[").append(CLSPGlobals::EncryptString(section)).append("]\r\n");
        lastSection_ = section;
        std::vector<std::string>& plain = plain_[prefix];
        for (std::size_t i = 1; i <= count; ++i) {
            if (Chance(1)) {
                if (!oddLayout_) // an empty value instead of a gap: the keys go on in order
                    text_.append(CLSPGlobals::EncryptString(prefix + std::to_string(i)))
                        .append("=\r\n");
                plain.push_back(""); // a gap: the list ends here for both
                continue;
            }
            std::string entry = Chance(3) ? Piece(300) : Piece(maxLength);
            std::string value = CLSPGlobals::EncryptString(entry);
            if (Chance(2))
                value = "\"" + value + "\""; // matching quotes are stripped
            if (Chance(1)) {                 // a byte that unscrambles to 0 cuts the entry there
                std::size_t at = Below(value.size() + 1);
                value.insert(at, 1, "8305716"[at % 7]);
            }
            std::string key = CLSPGlobals::EncryptString(prefix + std::to_string(i));
            text_.append(key).append("=").append(value).append("\r\n");
            if (oddLayout_ && Chance(2)) // a repeated key: the first one counts
                text_.append(key)
                    .append("=")
                    .append(CLSPGlobals::EncryptString(Piece(8)))
                    .append("\r\n");
            plain.push_back(entry);
        }
        if (Chance(20))
            text_.append(CLSPGlobals::EncryptString(prefix + std::to_string(count + 1)))
                .append("=\r\n"); // an empty value ends a list too
    }

    std::string Text() const { return "\x8f\x12[garbage \xee\r\n" + text_; }

    // A text for the haystack lookups: noise with pieces of entries, mostly folded as the page
    // inspector folds a page, sometimes upper-cased in ASCII instead.
    std::string Haystack(const std::string& prefix, std::size_t pieces) {
        std::string text = Piece(6);
        const std::vector<std::string>& plain = plain_[prefix];
        for (std::size_t i = 0; i < pieces; ++i) {
            if (!plain.empty() && Chance(60)) {
                std::string entry = plain[Below(plain.size())];
                if (entry.empty())
                    continue;
                if (Chance(30))
                    entry = entry.substr(Below(entry.size()));
                text += Chance(85) ? FoldCase(entry) : Lowered(entry, false);
            }
            text += Piece(4);
        }
        return text;
    }

    // A page with the link pattern and the visible text of one number, as a listed link shows.
    std::string LinkPage() {
        const std::vector<std::string>& links = plain_["CLINK"];
        const std::vector<std::string>& visible = plain_["VLINK"];
        std::size_t number = Below(links.size() < visible.size() ? links.size() : visible.size());
        if (links.empty() || visible.empty())
            return Piece(8);
        return Piece(3) + FoldCase(links[number]) + Piece(2) + ">" +
               (Chance(50) ? FoldCase(visible[number]) : Lowered(visible[number], false)) +
               (Chance(50) ? "<" + Piece(3) : "");
    }

    // An address for the web-address lookup: built from an entry (a subdomain or a parent of its
    // host, its path cut, extended or changed, with scheme, port, query, "www." and capitals), or
    // noise.
    std::string WebQuery() {
        const std::vector<std::string>& hostLinks = plain_["HLINK"];
        const std::vector<std::string>& links = plain_["CLINK"];
        if (WebChance(3))
            return "";
        const std::vector<std::string>& from = WebChance(60) ? hostLinks : links;
        if (from.empty() || WebChance(10))
            return WebChance(50) ? WebPiece(8) : RandomHost() + RandomPath();
        WebAddress entry;
        if (!ParseWebAddress(from[WebBelow(from.size())], entry))
            return WebPiece(5);
        std::string host = entry.host;
        if (WebChance(25))
            host = std::string(WebChance(50) ? "www." : "") + kHostLabels[WebBelow(5)] + "." + host;
        else if (WebChance(15) && host.find('.') != std::string::npos)
            host = host.substr(host.find('.') + 1);
        else if (WebChance(10))
            host = "x" + host;
        std::string path = entry.path;
        if (WebChance(30))
            path += RandomPath();
        else if (WebChance(20) && !path.empty())
            path.resize(WebBelow(path.size()));
        else if (WebChance(10))
            path = RandomPath();
        if (WebChance(10))
            path += "/";
        std::string url = WebChance(30) ? "https://" : "";
        if (WebChance(10))
            url += "user@";
        url += host;
        if (WebChance(10))
            url += ":8080";
        url += path;
        if (WebChance(15))
            url += "?q=/a/b";
        if (WebChance(5))
            url += "#/x";
        return WebChance(20) ? Lowered(url, false) : url;
    }

    std::string RandomHost() {
        std::string host;
        for (std::size_t i = WebBelow(3); i > 0; --i)
            host.append(kHostLabels[WebBelow(6)]).append(".");
        return host + kHostBases[WebBelow(sizeof kHostBases / sizeof *kHostBases)];
    }

    std::string RandomPath() {
        static const char* const kSegments[] = {"a", "b", "ab", "x.php", "A", "b\xc3\xa9"};
        std::string path;
        for (std::size_t i = WebBelow(4); i > 0; --i)
            path.append("/").append(kSegments[WebBelow(6)]);
        return path;
    }

    std::string Host() {
        const std::vector<std::string>& plain = plain_["IP"];
        if (plain.empty() || Chance(20))
            return Piece(6);
        std::string host = plain[Below(plain.size())];
        if (host.empty())
            return Piece(3);
        for (char& c : host) {
            if (Chance(20) && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        if (Chance(10))
            host += "a";
        return host;
    }

    // A server name: an entry's host, a subdomain or parent of one, or a random host.
    std::string ServerName() {
        std::string name = RandomHost();
        const std::vector<std::string>& hostLinks = plain_["HLINK"];
        WebAddress entry;
        if (!hostLinks.empty() && WebChance(60) &&
            ParseWebAddress(hostLinks[WebBelow(hostLinks.size())], entry)) {
            name = entry.host;
            if (WebChance(30))
                name = std::string(WebChance(50) ? "www." : "") + kHostLabels[WebBelow(5)] + "." +
                       name;
            else if (WebChance(10) && name.find('.') != std::string::npos)
                name = name.substr(name.find('.') + 1);
        }
        if (WebChance(20))
            name.push_back('.');
        return WebChance(30) ? Lowered(name, false) : name;
    }

    // Web-address entries: hosts over a few bases (some of them well-known sites), with or
    // without a path, scheme, port, "www.", trailing slash or capitals; now and then a fragment
    // that is no web address.
    void AddWebList(const std::string& section, const std::string& prefix, std::size_t count) {
        if (section != lastSection_)
            text_.append("[").append(CLSPGlobals::EncryptString(section)).append("]\r\n");
        lastSection_ = section;
        std::vector<std::string>& plain = plain_[prefix];
        for (std::size_t i = 1; i <= count; ++i) {
            std::string entry;
            if (WebChance(5)) {
                entry = WebPiece(6);
            } else {
                entry = WebChance(30) ? "http://" : (WebChance(10) ? "href=\"https://" : "");
                if (WebChance(15))
                    entry += "www.";
                entry += RandomHost();
                if (WebChance(10))
                    entry += ":443";
                if (WebChance(60))
                    entry += RandomPath();
                if (WebChance(10))
                    entry += "/";
                if (WebChance(10))
                    entry = Lowered(entry, false);
            }
            text_.append(CLSPGlobals::EncryptString(prefix + std::to_string(i)))
                .append("=")
                .append(CLSPGlobals::EncryptString(entry))
                .append("\r\n");
            plain.push_back(entry);
        }
    }

    static std::string Lowered(std::string text, bool lower) {
        for (char& c : text) {
            if (lower && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + ('a' - 'A'));
            if (!lower && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - ('a' - 'A'));
        }
        return text;
    }

    // Draws for the web-address entries and queries, apart from the others, so that the mail
    // lists and texts do not change with them.
    std::size_t WebBelow(std::size_t n) { return n == 0 ? 0 : webRandom_() % n; }
    bool WebChance(int percent) { return static_cast<int>(WebBelow(100)) < percent; }

private:
    std::mt19937 random_;
    std::mt19937 webRandom_;
    bool oddLayout_;
    std::string text_;
    std::string lastSection_;
    std::map<std::string, std::vector<std::string>> plain_;
};

class IndexDifferential : public DatabaseTest {
protected:
    void TearDown() override {
        SetDefinitionIndexEnabled(true);
        DefinitionIndexForget();
        DatabaseTest::TearDown();
    }

    void WriteWithIndex(const std::string& text) {
        std::string temp = dbPath_ + ".new";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        ASSERT_EQ(std::rename(temp.c_str(), dbPath_.c_str()), 0);
        std::string error;
        ASSERT_TRUE(BuildDefinitionIndex(dbPath_, IndexPathFor(dbPath_), error)) << error;
    }

    // Runs lookup with the index and with the walk; both results must be equal.
    template <typename Lookup> auto Both(Lookup lookup) {
        SetDefinitionIndexEnabled(true);
        auto indexed = lookup();
        SetDefinitionIndexEnabled(false);
        auto walked = lookup();
        SetDefinitionIndexEnabled(true);
        return std::make_pair(indexed, walked);
    }

    // The number of the first entry of a mail list in text, as the walk finds it (0: none).
    static std::uint32_t WalkFirst(const char* section, const char* prefix, const char* text,
                                   bool skipNull) {
        auto list = CurrentLoweredList(section, prefix, 261, EntryCase::Unicode);
        for (std::size_t i = 0; list && i < list->entries.size(); ++i) {
            if (skipNull && list->entries[i] == "null")
                continue;
            if (std::strstr(text, list->entries[i].c_str()))
                return static_cast<std::uint32_t>(i + 1);
        }
        return 0;
    }

    static std::uint32_t IndexFirst(Automaton automaton, const char* text) {
        IndexLease lease;
        std::uint32_t number = 0;
        if (!lease.View() ||
            lease.View()->FirstEntryIn(automaton, text, number) == DefinitionIndexView::Damaged)
            return 0xFFFFFFFFu;
        return number;
    }

    // ---- the plain model of the web-address rule ----

    // The web-address entries of HostLink and Link as the walk reads the lists.
    static std::vector<WebAddress> WebEntries() {
        std::vector<WebAddress> entries;
        for (auto [section, prefix] :
             {std::pair{"HostLink", "HLINK"}, std::pair{"Link", "CLINK"}}) {
            auto list = CurrentLoweredList(section, prefix, 261);
            for (std::size_t i = 0; list && i < list->entries.size(); ++i) {
                WebAddress entry;
                if (ParseWebAddress(list->entries[i], entry))
                    entries.push_back(entry);
            }
        }
        return entries;
    }

    static bool SameOrUnder(const std::string& host, const std::string& parent) {
        return host == parent ||
               (host.size() > parent.size() &&
                host.compare(host.size() - parent.size(), parent.size(), parent) == 0 &&
                host[host.size() - parent.size() - 1] == '.');
    }

    static bool ModelListsAddress(std::string text) {
        WebAddress address;
        if (!ParseWebAddress(text, address))
            return false;
        for (const WebAddress& entry : WebEntries()) {
            if (!SameOrUnder(address.host, entry.host))
                continue;
            const std::string& path = address.path;
            if (entry.path.empty() || path == entry.path ||
                (path.size() > entry.path.size() &&
                 path.compare(0, entry.path.size(), entry.path) == 0 &&
                 path[entry.path.size()] == '/'))
                return true;
        }
        return false;
    }

    static bool ModelListsName(std::string name) {
        for (char& c : name)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (!name.empty() && name.back() == '.')
            name.pop_back();
        for (char c : name) {
            if (!IsWebHostCharacter(c) && c != '.')
                return false; // server names are ASCII host names
        }
        WebAddress parsed;
        if (name.empty() || !ParseWebAddress(name, parsed))
            return false;
        const WellKnownSites& sites = WellKnown();
        for (const WebAddress& entry : WebEntries()) {
            if (entry.path.empty() && SameOrUnder(name, entry.host))
                return true;
            if (!entry.path.empty() && parsed.host == entry.host && !sites.IsWellKnown(entry.host))
                return true;
        }
        return false;
    }

    static const WellKnownSites& WellKnown() {
        static const WellKnownSites sites = LoadWellKnownSites();
        return sites;
    }

    std::size_t lookups_ = 0;
};

TEST_F(IndexDifferential, RandomLookupsOfEveryKindAgreeWithTheWalk) {
    constexpr int kDatabases = 6;
    constexpr int kRoundsPerDatabase = 2200; // 8 lookups per round
    std::size_t hits[8] = {};
    for (int d = 0; d < kDatabases; ++d) {
        const std::uint32_t seed = 20261211u + static_cast<std::uint32_t>(d);
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomDatabase db(seed, d < kDatabases / 2);
        db.AddList("HostIP", "IP", 40 + db.Below(60), 6);
        // Web-address entries in most databases; random bytes in the others.
        if (d % 3 != 2)
            db.AddWebList("HostLink", "HLINK", 40 + db.WebBelow(60));
        else
            db.AddList("HostLink", "HLINK", 40 + db.Below(60), 12);
        if (d % 2 == 0)
            db.AddWebList("Link", "CLINK", 40 + db.WebBelow(60));
        else
            db.AddList("Link", "CLINK", 40 + db.Below(60), 10);
        db.AddList("Link", "VLINK", 40, 6);
        db.AddList("From", "FROM", 40 + db.Below(60), 5);
        db.AddList("Subject", "SUB", 40 + db.Below(60), 6);
        db.AddList("Text", "TXT", 40 + db.Below(60), 7);
        WriteWithIndex(db.Text());
        {
            IndexLease lease;
            ASSERT_NE(lease.View(), nullptr) << "the index must belong to the working copy";
        }

        for (int round = 0; round < kRoundsPerDatabase; ++round) {
            const std::string host = db.Host();
            auto ip = Both([&] { return CLSPGlobals::IsBadIP(host.c_str()); });
            ASSERT_EQ(ip.first, ip.second) << "IsBadIP " << host;

            const std::string address = db.WebQuery();
            auto url = Both([&] {
                std::string copy = address;
                bool hit = CLSPGlobals::IsBadUrl(copy.data());
                return std::make_pair(hit, copy);
            });
            ASSERT_EQ(url.first, url.second) << "IsBadUrl " << address;
            ASSERT_EQ(url.first.first, ModelListsAddress(address)) << "IsBadUrl " << address;

            const std::string name = db.ServerName();
            auto hostName = Both([&] { return CLSPGlobals::IsBadHostName(name.c_str()); });
            ASSERT_EQ(hostName.first, hostName.second) << "IsBadHostName " << name;
            ASSERT_EQ(hostName.first, ModelListsName(name)) << "IsBadHostName " << name;

            const std::string from = db.Haystack("FROM", 2);
            auto fromHit = Both([&] { return CLSPGlobals::IsBadMailFrom(from.c_str()); });
            ASSERT_EQ(fromHit.first, fromHit.second) << "IsBadMailFrom " << from;
            ASSERT_EQ(IndexFirst(FromAutomaton, from.c_str()),
                      WalkFirst("From", "FROM", from.c_str(), false))
                << from;

            const std::string subject = db.Haystack("SUB", 2);
            auto subjectHit = Both([&] { return CLSPGlobals::IsBadMailSubject(subject.c_str()); });
            ASSERT_EQ(subjectHit.first, subjectHit.second) << "IsBadMailSubject " << subject;
            ASSERT_EQ(IndexFirst(SubjectAutomaton, subject.c_str()),
                      WalkFirst("Subject", "SUB", subject.c_str(), false))
                << subject;

            const std::string body = db.Haystack("TXT", 6);
            auto text = Both([&] {
                char matched[261] = "untouched";
                bool hit = CLSPGlobals::IsBadMailText(body.c_str(), matched);
                return std::make_pair(hit, std::string(matched));
            });
            ASSERT_EQ(text.first, text.second) << "IsBadMailText " << body;
            ASSERT_EQ(IndexFirst(TextAutomaton, body.c_str()),
                      WalkFirst("Text", "TXT", body.c_str(), false))
                << body;

            const std::string html =
                db.Chance(50) ? db.LinkPage() : db.Haystack("CLINK", 1) + ">" + db.Piece(4);
            auto links = Both([&] {
                char pattern[261] = "untouched";
                bool hit = CLSPGlobals::IsBadMailLinks(html.c_str(), pattern);
                return std::make_pair(hit, std::string(pattern));
            });
            ASSERT_EQ(links.first, links.second) << "IsBadMailLinks " << html;
            ASSERT_EQ(IndexFirst(LinkAutomaton, html.c_str()),
                      WalkFirst("Link", "CLINK", html.c_str(), true))
                << html;

            auto visible = Both([&] {
                char pattern[261] = "p";
                char shown[261] = "v";
                bool hit = CLSPGlobals::IsBadVisibleMailLinks(html.c_str(), shown, pattern);
                return std::make_tuple(hit, std::string(pattern), std::string(shown));
            });
            ASSERT_EQ(visible.first, visible.second) << "IsBadVisibleMailLinks " << html;
            lookups_ += 8;
            hits[0] += ip.first;
            hits[1] += url.first.first;
            hits[2] += hostName.first;
            hits[3] += fromHit.first;
            hits[4] += subjectHit.first;
            hits[5] += text.first.first;
            hits[6] += links.first.first;
            hits[7] += std::get<0>(visible.first);
        }
    }
    EXPECT_GE(lookups_, 100000u);
    // Both answers come up often enough for every kind to prove anything.
    const std::size_t rounds = lookups_ / 8;
    for (int kind = 0; kind < 8; ++kind) {
        EXPECT_GT(hits[kind], rounds / (kind == 7 ? 500 : 20)) << "kind " << kind;
        EXPECT_LT(hits[kind], rounds - rounds / 20) << "kind " << kind;
    }
}

} // namespace
