// Lookup: database preparation and the calls into the engine for each lookup kind.
#include "tools/hkwdefs/Lookup.h"

#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/DefinitionSet.h"
#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/IniText.h"
#include "core/definitions/ShippedFile.h"
#include "engine/LSPGlobals.h"
#include "platform/CaseFold.h"
#include "platform/FixedField.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace hookwise::tools {

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

constexpr std::size_t kTextSize =
    kFieldSize; // the engine's output fields: 260 characters and a zero

struct KindName {
    std::string_view name;
    LookupKind kind;
};

constexpr KindName kKindNames[] = {
    {"ip", LookupKind::Ip},           {"url", LookupKind::Url},
    {"host", LookupKind::Host},       {"from", LookupKind::From},
    {"subject", LookupKind::Subject}, {"text", LookupKind::Text},
    {"links", LookupKind::Links},     {"visible-links", LookupKind::VisibleLinks},
};

// True when the engine can read at least one entry of one list from the database it points at.
bool HoldsDefinitions() {
    char value[kTextSize];
    for (const DefinitionListInfo& list : kDefinitionLists) {
        const std::string section(list.section);
        const std::string key = std::string(list.prefix) + "1";
        if (CLSPGlobals::GetEncPrivateProfileString(section.c_str(), key.c_str(), "", value,
                                                    kTextSize, CLSPGlobals::szDBPath) != 0)
            return true;
    }
    return false;
}

// True when text has a section with a plain (unscrambled) definitions name.
bool LooksLikePlainSource(std::string_view text) {
    for (const IniLine& line : SplitIniLines(text)) {
        if (line.kind == IniLine::Section && !CanonicalSection(line.name).empty())
            return true;
    }
    return false;
}

} // namespace

bool ParseLookupKind(std::string_view name, LookupKind& kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.name == name) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

bool LookupDatabase::Open(const std::string& path, std::string& error) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes, error))
        return false;
    if (bytes.empty()) {
        error = path + ": the file is empty";
        return false;
    }

    std::error_code code;
    std::string workingPath = std::filesystem::absolute(path, code).string();
    if (code) {
        error = path + ": " + code.message();
        return false;
    }
    const bool shipped = HasShippedHeader(bytes);
    if (shipped) {
        if (bytes.size() == kShippedHeaderBytes) {
            error = path + ": the shipped file holds nothing after its header line";
            return false;
        }
        std::string working;
        if (!DecipherAtStartUp(bytes, working, error) || !CheckShippedContent(working, error)) {
            error = path + ": " + error;
            return false;
        }
        if (!deciphered_.Create(working, error))
            return false;
        workingPath = deciphered_.Path();
    }
    if (workingPath.size() >= sizeof CLSPGlobals::szDBPath) {
        error = workingPath + ": the path is longer than the engine's " +
                std::to_string(sizeof CLSPGlobals::szDBPath - 1) + " characters";
        return false;
    }
    workingPath.copy(CLSPGlobals::szDBPath, workingPath.size());
    CLSPGlobals::szDBPath[workingPath.size()] = '\0';

    if (HoldsDefinitions())
        return true;
    if (shipped)
        error = path + ": no definitions after deciphering; the file is damaged or was not "
                       "enciphered with the program's key";
    else if (LooksLikePlainSource(bytes))
        error = path + ": this is a plain definitions source; compile it with 'hkwdefs compile' "
                       "first";
    else
        error = path + ": no definition list can be read from it; it is neither a shipped "
                       "definition file (date header) nor a working copy";
    return false;
}

std::string RunLookup(LookupKind kind, std::string_view text) {
    std::vector<char> input;
    auto terminated = [&input](const std::string& from) {
        input.assign(from.begin(), from.end());
        input.push_back('\0');
        return input.data();
    };
    char matched[kTextSize] = {};
    char visible[kTextSize] = {};

    switch (kind) {
    case LookupKind::Ip:
        return CLSPGlobals::IsBadIP(terminated(std::string(text))) ? "hit" : "miss";
    case LookupKind::Url:
        return CLSPGlobals::IsBadUrl(terminated(std::string(text))) ? "hit" : "miss";
    case LookupKind::Host:
        return CLSPGlobals::IsBadHostName(terminated(std::string(text))) ? "hit" : "miss";
    case LookupKind::From:
        return CLSPGlobals::IsBadMailFrom(terminated(FoldCase(text))) ? "hit" : "miss";
    case LookupKind::Subject:
        return CLSPGlobals::IsBadMailSubject(terminated(FoldCase(text))) ? "hit" : "miss";
    case LookupKind::Text:
        if (!CLSPGlobals::IsBadMailText(terminated(FoldCase(text)), matched))
            return "miss";
        return std::string("hit ") + matched;
    case LookupKind::Links:
        if (!CLSPGlobals::IsBadMailLinks(terminated(FoldCase(text)), matched))
            return "miss";
        return std::string("hit ") + matched;
    case LookupKind::VisibleLinks:
        if (!CLSPGlobals::IsBadVisibleMailLinks(terminated(FoldCase(text)), visible, matched))
            return "miss";
        return std::string("hit ") + matched + " " + visible;
    }
    return "miss";
}

} // namespace hookwise::tools
