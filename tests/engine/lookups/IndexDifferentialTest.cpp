// The compiled index against the walk: random databases (any bytes, gaps, repeated keys, quotes,
// values cut at 260 characters or at a byte that unscrambles to 0, upper-case entries) and random
// lookups of every kind, each answered both ways, which must agree on the answer and on the entry
// that matched.
#include "engine/CurrentIndex.h"
#include "engine/DefinitionIndex.h"
#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "engine/index/DefinitionIndexBuilder.h"

#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace definition_index;

// Bytes the entries are made of: few letters, so texts and entries meet often; both cases; the
// separators of addresses; and bytes >= 0x80.
constexpr char kAlphabet[] = "abcABC./:-@ >\"=;\x80\xc3\xe9\xff";

class RandomDatabase {
public:
    // oddLayout: gaps and repeated keys too; without them every line is the next key of its list,
    // the layout the tools write, which the index builder reads in one pass.
    RandomDatabase(std::uint32_t seed, bool oddLayout) : random_(seed), oddLayout_(oddLayout) {}

    std::string Piece(std::size_t maxLength) {
        std::size_t length = 1 + Below(maxLength);
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(kAlphabet[Below(sizeof kAlphabet - 1)]);
        return text;
    }

    std::size_t Below(std::size_t n) { return n == 0 ? 0 : random_() % n; }
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

    // A text for the haystack lookups: noise with pieces of entries, sometimes upper-cased.
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
                text += Lowered(entry, Chance(85));
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
        return Piece(3) + Lowered(links[number], true) + Piece(2) + ">" +
               Lowered(visible[number], Chance(50)) + (Chance(50) ? "<" + Piece(3) : "");
    }

    // A needle for the web-address lookup: part of an entry, or noise.
    std::string Needle() {
        const std::vector<std::string>& hostLinks = plain_["HLINK"];
        const std::vector<std::string>& links = plain_["CLINK"];
        if (Chance(3))
            return "";
        const std::vector<std::string>& from = Chance(50) ? hostLinks : links;
        if (from.empty() || Chance(20))
            return Piece(5);
        const std::string& entry = from[Below(from.size())];
        if (entry.empty())
            return Piece(3);
        std::size_t start = Below(entry.size());
        std::string needle = entry.substr(start, 1 + Below(entry.size() - start + 2));
        if (Chance(10))
            needle += Piece(2);
        return needle;
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

    // A server name built from the hosts in the web-address lists.
    std::string ServerName() {
        static const char* const kLabels[] = {"a", "b", "www", "evil", "x-y"};
        std::string name;
        for (std::size_t i = Below(3); i > 0; --i)
            name.append(kLabels[Below(5)]).append(".");
        name.append(kLabels[Below(5)]).append(".").append(kLabels[Below(5)]);
        if (Chance(20))
            name.push_back('.');
        return Chance(30) ? Lowered(name, false) : name;
    }

    void AddHostList(std::size_t count) {
        static const char* const kLabels[] = {"a", "b", "www", "evil", "x-y", "B"};
        text_.append("[").append(CLSPGlobals::EncryptString("HostLink")).append("]\r\n");
        lastSection_ = "HostLink";
        std::vector<std::string>& plain = plain_["HLINK"];
        for (std::size_t i = 1; i <= count; ++i) {
            std::string entry = Chance(50) ? "http://" : "";
            for (std::size_t l = 1 + Below(3); l > 0; --l)
                entry.append(kLabels[Below(6)]).append(".");
            entry.append(kLabels[Below(6)]);
            if (Chance(50))
                entry.append("/").append(Piece(5));
            text_.append(CLSPGlobals::EncryptString("HLINK" + std::to_string(i)))
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

private:
    std::mt19937 random_;
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

    // The number of the first entry of a list in text, as the walk finds it (0: none).
    static std::uint32_t WalkFirst(const char* section, const char* prefix, const char* text,
                                   bool skipNull) {
        auto list = CurrentLoweredList(section, prefix, 261);
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

    std::size_t lookups_ = 0;
};

TEST_F(IndexDifferential, RandomLookupsOfEveryKindAgreeWithTheWalk) {
    constexpr int kDatabases = 6;
    constexpr int kRoundsPerDatabase = 2200; // 8 lookups per round
    std::size_t hits[8] = {};
    for (int d = 0; d < kDatabases; ++d) {
        const std::uint32_t seed = 20240611u + static_cast<std::uint32_t>(d);
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomDatabase db(seed, d < kDatabases / 2);
        db.AddList("HostIP", "IP", 40 + db.Below(60), 6);
        if (d % 2 == 0)
            db.AddHostList(40 + db.Below(40));
        else
            db.AddList("HostLink", "HLINK", 40 + db.Below(60), 12);
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

            const std::string needle = db.Needle();
            auto url = Both([&] {
                std::string copy = needle;
                bool hit = CLSPGlobals::IsBadUrl(copy.data());
                return std::make_pair(hit, copy);
            });
            ASSERT_EQ(url.first, url.second) << "IsBadUrl " << needle;

            const std::string name = db.ServerName();
            auto hostName = Both([&] { return CLSPGlobals::IsBadHostName(name.c_str()); });
            ASSERT_EQ(hostName.first, hostName.second) << "IsBadHostName " << name;

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
