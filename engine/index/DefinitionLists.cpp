// Reading the lists for the index through the same profile parser and the same value rules as the
// engine's walk (GetPrivateProfileString into the value buffer, then the unscrambling).
#include "engine/index/DefinitionLists.h"

#include "engine/LSPGlobals.h"
#include "engine/LoweredListCache.h"
#include "engine/TextScrambler.h"
#include "platform/AsciiCase.h"
#include "platform/CaseFold.h"
#include "platform/FixedField.h"
#include "platform/ProfileParser.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <thread>

using namespace hookwise::platform;

using namespace definition_index;

namespace {

constexpr unsigned long kHostValueSize = 100;
constexpr unsigned long kValueSize = kFieldSize;

// One list of a parsed working copy, read by number as DefinitionList::Read reads it.
class ListReader {
public:
    ListReader(const ParsedProfile& profile, const char* section, std::string prefix,
               unsigned long valueSize)
        : prefix_(std::move(prefix)), valueSize_(valueSize) {
        std::string scrambled = CLSPGlobals::EncryptString(section);
        section_ = profile.FindSection(Trim(scrambled, kProfileBlanks));
        if (prefix_.size() > kMaxPrefix)
            prefix_.resize(kMaxPrefix); // the engine's own short constants never are
    }

    const ProfileSection* Section() const { return section_; }

    // The scrambled key of entry number, as the lookup trims it, into key (kKeySize bytes).
    // Returns its length; distinct reports whether it is one byte per plain byte with no blank at
    // either end, so that it differs from the key of every other number and of the other lists of
    // the section (their prefixes differ in a byte).
    std::size_t Key(unsigned long number, char* key, bool& distinct) const {
        char plainKey[kKeySize];
        const int length =
            std::snprintf(plainKey, sizeof plainKey, "%s%lu", prefix_.c_str(), number);
        const std::size_t keyLength =
            ScrambleText(std::string_view(plainKey, static_cast<std::size_t>(length)), key);
        const std::string_view trimmed = Trim({key, keyLength}, kProfileBlanks);
        distinct = keyLength == static_cast<std::size_t>(length) && trimmed.size() == keyLength;
        if (trimmed.data() != key)
            std::memmove(key, trimmed.data(), trimmed.size());
        return trimmed.size();
    }

    // The unscrambled value of entry number, cut at its first zero byte; empty when the key is
    // absent, has no value or an empty one. byName: the section's first entry of each name.
    std::string Read(unsigned long number, const ProfileNameIndex& byName) const {
        if (!section_)
            return {};
        char key[kKeySize];
        bool distinct = false;
        const std::size_t keyLength = Key(number, key, distinct);
        const auto found = byName.find({key, keyLength});
        return Value(found == byName.end() ? nullptr : &section_->entries[found->second]);
    }

    // The unscrambled value of entry, as Read gives it.
    std::string Value(const ProfileEntry* entry) const {
        if (!entry || !entry->hasValue)
            return {};
        std::string_view value = StripMatchingQuotes(entry->value);
        if (value.size() > valueSize_ - 1)
            value = value.substr(0, valueSize_ - 1);
        char plain[kValueSize + 1];
        return std::string(plain, UnscrambleText(value, plain)); // cut at its first zero byte
    }

    static constexpr std::size_t kMaxPrefix = 32;
    static constexpr std::size_t kKeySize = kMaxPrefix + 24;

private:
    const ProfileSection* section_ = nullptr;
    std::string prefix_;
    unsigned long valueSize_;
};

// The entries of the lists of one section in one pass over it, for the section as the tools write
// it: every entry is the next key, by number, of one of the lists. Then each key's first entry is
// the one found here and the next number of each list is absent, exactly what the lookups by name
// give. False for any other layout (a repeated or foreign key, keys out of order, a key that could
// stand for another), which the lookups by name read instead.
bool ReadInOrder(const std::vector<const ListReader*>& readers,
                 std::vector<std::vector<const ProfileEntry*>>& found) {
    const ProfileSection* section = readers.front()->Section();
    struct Expected {
        char key[ListReader::kKeySize];
        std::size_t length = 0;
    };
    std::vector<Expected> expected(readers.size());
    found.assign(readers.size(), {});
    auto next = [&](std::size_t r) {
        bool distinct = false;
        expected[r].length = readers[r]->Key(static_cast<unsigned long>(found[r].size() + 1),
                                             expected[r].key, distinct);
        return distinct;
    };
    for (std::size_t r = 0; r < readers.size(); ++r) {
        if (!next(r))
            return false;
    }
    const ProfileNameEqual equal;
    for (const ProfileEntry& entry : section->entries) {
        std::size_t r = 0;
        while (r < readers.size() &&
               !equal(entry.name, std::string_view(expected[r].key, expected[r].length)))
            ++r;
        if (r == readers.size())
            return false;
        found[r].push_back(&entry);
        if (!next(r))
            return false;
    }
    return true;
}

// The first entry of each name in section, as the parser's lookups by name find them.
ProfileNameIndex IndexByName(const ProfileSection* section) {
    ProfileNameIndex byName;
    if (!section)
        return byName;
    byName.reserve(section->entries.size());
    for (std::size_t i = 0; i < section->entries.size(); ++i)
        byName.emplace(section->entries[i].name, static_cast<std::uint32_t>(i)); // first wins
    return byName;
}

// Entry number i (from 1) of a list: from the one-pass reading when there is one, else by name.
class ListSource {
public:
    ListSource(const ListReader& reader, const std::vector<const ProfileEntry*>* inOrder,
               const ProfileNameIndex& byName)
        : reader_(reader), inOrder_(inOrder), byName_(byName) {}

    std::string Read(unsigned long number) const {
        if (!inOrder_)
            return reader_.Read(number, byName_);
        if (number - 1 >= inOrder_->size())
            return {};
        return reader_.Value((*inOrder_)[number - 1]);
    }

private:
    const ListReader& reader_;
    const std::vector<const ProfileEntry*>* inOrder_;
    const ProfileNameIndex& byName_;
};

// The entries of a list, as the walk reads them (LoweredListCache) for the same EntryCase.
std::vector<std::string> ReadList(const ListSource& source, EntryCase entryCase) {
    std::vector<std::string> entries;
    for (unsigned long number = 1;; ++number) {
        std::string entry = source.Read(number);
        if (entry.empty())
            return entries;
        entries.push_back(entryCase == EntryCase::Unicode ? FoldedEntry(entry)
                                                          : AsciiLowered(entry));
    }
}

// The lists of one section (all of readers share it), each in full.
std::vector<std::vector<std::string>> ReadSection(const std::vector<const ListReader*>& readers,
                                                  EntryCase entryCase) {
    std::vector<std::vector<const ProfileEntry*>> found;
    const bool inOrder = readers.front()->Section() && ReadInOrder(readers, found);
    const ProfileNameIndex byName =
        inOrder ? ProfileNameIndex() : IndexByName(readers.front()->Section());
    std::vector<std::vector<std::string>> lists;
    for (std::size_t r = 0; r < readers.size(); ++r)
        lists.push_back(
            ReadList(ListSource(*readers[r], inOrder ? &found[r] : nullptr, byName), entryCase));
    return lists;
}

std::vector<std::string> ReadSingle(const ListReader& reader, EntryCase entryCase) {
    return std::move(ReadSection({&reader}, entryCase).front());
}

} // namespace

DefinitionLists ReadDefinitionLists(std::string_view workingCopy) {
    // Without the parser's index of every key: the sections in the usual layout are read in one
    // pass, and only a section that is not is indexed, by ReadSection.
    const ParsedProfile profile{std::string(workingCopy), false};
    DefinitionLists result;
    // The web-address lists on a second thread, the mail lists here: they only read the parsed
    // copy.
    std::exception_ptr failure;
    std::thread web([&] {
        try {
            result.lists[Ip] =
                ReadSingle(ListReader(profile, CLSPGlobals::szHostIPSec, "IP", kHostValueSize),
                           EntryCase::Ascii);
            result.lists[HostLink] =
                ReadSingle(ListReader(profile, CLSPGlobals::szHostLinkSec, "HLINK", kValueSize),
                           EntryCase::Ascii);
            // The visible texts share the Link list's section, under their own keys.
            const ListReader link(profile, CLSPGlobals::szUrlSec, "CLINK", kValueSize);
            const ListReader visible(profile, CLSPGlobals::szUrlSec, "VLINK", kValueSize);
            std::vector<std::vector<const ProfileEntry*>> found;
            const bool inOrder = link.Section() && ReadInOrder({&link, &visible}, found);
            const ProfileNameIndex byName =
                inOrder ? ProfileNameIndex() : IndexByName(link.Section());
            const ListSource linkSource(link, inOrder ? &found[0] : nullptr, byName);
            result.lists[Link] = ReadList(linkSource, EntryCase::Unicode);
            for (std::size_t i = 0; i < result.lists[Link].size(); ++i) {
                if (!IsAsciiText(result.lists[Link][i]))
                    result.linkWebForms.emplace(
                        i, AsciiLowered(linkSource.Read(static_cast<unsigned long>(i + 1))));
            }
            const ListSource visibleSource(visible, inOrder ? &found[1] : nullptr, byName);
            result.linkVisible.reserve(result.lists[Link].size());
            for (std::size_t i = 0; i < result.lists[Link].size(); ++i)
                result.linkVisible.push_back(visibleSource.Read(static_cast<unsigned long>(i + 1)));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        result.lists[From] = ReadSingle(
            ListReader(profile, CLSPGlobals::szFromSec, "FROM", kValueSize), EntryCase::Unicode);
        result.lists[Subject] = ReadSingle(
            ListReader(profile, CLSPGlobals::szSubjectSec, "SUB", kValueSize), EntryCase::Unicode);
        result.lists[Text] = ReadSingle(
            ListReader(profile, CLSPGlobals::szTextSec, "TXT", kValueSize), EntryCase::Unicode);
    } catch (...) {
        web.join();
        throw;
    }
    web.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}
