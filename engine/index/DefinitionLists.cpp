// Reading the lists for the index through the same profile parser and the same value rules as the
// engine's walk (GetPrivateProfileString into the value buffer, then the unscrambling).
#include "engine/index/DefinitionLists.h"
#include "platform/FixedField.h"

#include "engine/LSPGlobals.h"
#include "engine/TextScrambler.h"

#include "platform/ProfileParser.h"

#include <cstdio>
#include <exception>
#include <thread>

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
        section_ = profile.FindSection(TrimProfileBlanks(scrambled));
        if (prefix_.size() > kMaxPrefix)
            prefix_.resize(kMaxPrefix); // the engine's own short constants never are
    }

    // The unscrambled value of entry number, cut at its first zero byte; empty when the key is
    // absent, has no value or an empty one.
    std::string Read(unsigned long number) const {
        if (!section_)
            return {};
        char plainKey[kMaxPrefix + 24];
        const int length =
            std::snprintf(plainKey, sizeof plainKey, "%s%lu", prefix_.c_str(), number);
        char key[sizeof plainKey];
        const std::size_t keyLength =
            ScrambleText(std::string_view(plainKey, static_cast<std::size_t>(length)), key);
        const ProfileEntry* entry = section_->Find(TrimProfileBlanks({key, keyLength}));
        if (!entry || !entry->hasValue)
            return {};
        std::string_view value = StripMatchingQuotes(entry->value);
        if (value.size() > valueSize_ - 1)
            value = value.substr(0, valueSize_ - 1);
        char plain[kValueSize + 1];
        return std::string(plain, UnscrambleText(value, plain)); // cut at its first zero byte
    }

private:
    static constexpr std::size_t kMaxPrefix = 32;
    const ProfileSection* section_ = nullptr;
    std::string prefix_;
    unsigned long valueSize_;
};

void LowerAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
}

std::vector<std::string> ReadList(const ListReader& reader) {
    std::vector<std::string> entries;
    for (unsigned long number = 1;; ++number) {
        std::string entry = reader.Read(number);
        if (entry.empty())
            return entries;
        LowerAscii(entry);
        entries.push_back(std::move(entry));
    }
}

} // namespace

DefinitionLists ReadDefinitionLists(std::string_view workingCopy) {
    const ParsedProfile profile{std::string(workingCopy)};
    DefinitionLists result;
    // The web-address lists on a second thread, the mail lists here: they only read the parsed
    // copy.
    std::exception_ptr failure;
    std::thread web([&] {
        try {
            result.lists[Ip] =
                ReadList(ListReader(profile, CLSPGlobals::szHostIPSec, "IP", kHostValueSize));
            result.lists[HostLink] =
                ReadList(ListReader(profile, CLSPGlobals::szHostLinkSec, "HLINK", kValueSize));
            result.lists[Link] =
                ReadList(ListReader(profile, CLSPGlobals::szUrlSec, "CLINK", kValueSize));
            ListReader visible(profile, CLSPGlobals::szUrlSec, "VLINK", kValueSize);
            result.linkVisible.reserve(result.lists[Link].size());
            for (std::size_t i = 0; i < result.lists[Link].size(); ++i)
                result.linkVisible.push_back(visible.Read(static_cast<unsigned long>(i + 1)));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        result.lists[From] =
            ReadList(ListReader(profile, CLSPGlobals::szFromSec, "FROM", kValueSize));
        result.lists[Subject] =
            ReadList(ListReader(profile, CLSPGlobals::szSubjectSec, "SUB", kValueSize));
        result.lists[Text] =
            ReadList(ListReader(profile, CLSPGlobals::szTextSec, "TXT", kValueSize));
    } catch (...) {
        web.join();
        throw;
    }
    web.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}
