// DefinitionMerge: set arithmetic on DefinitionSet and the import-compile-index chain.
//
// Sections: reading a shipped file; merging sets; leaving out unreadable entries; the build.
#include "tools/update/DefinitionMerge.h"

#include "tools/hkwdefs/Compiler.h"
#include "tools/hkwdefs/Decompiler.h"
#include "tools/hkwdefs/feeds/PlainOutput.h"
#include "core/definitions/ShippedFile.h"
#include "engine/index/DefinitionIndexBuilder.h"

#include <map>
#include <unordered_map>
#include <unordered_set>

namespace hookwise::tools {

using namespace hookwise::core;

// ---- reading a shipped file ----

bool ReadShippedDefinitions(std::string_view shipped, DefinitionSet& set, std::string& error) {
    std::string working;
    if (!HasShippedHeader(shipped)) {
        error = "no definitions file (its first line is no version date)";
        return false;
    }
    if (!DecipherAtStartUp(shipped, working, error) || !CheckShippedContent(working, error))
        return false;
    Messages errors;
    Messages warnings;
    DefinitionSet read;
    if (!DecompileWorkingCopy(working, read, errors, warnings)) {
        error = errors.empty() ? "unreadable definitions" : errors.front();
        return false;
    }
    // Only the definition lists count; anything else the file may hold is not merged.
    DefinitionSet lists;
    for (DefinitionSection& section : read) {
        if (!CanonicalSection(section.name).empty())
            lists.push_back(std::move(section));
    }
    if (CountEntries(lists) == 0) {
        error = "holds no definitions";
        return false;
    }
    set = std::move(lists);
    return true;
}

std::size_t CountEntries(const DefinitionSet& set) {
    std::size_t count = 0;
    for (const DefinitionSection& section : set)
        count += section.entries.size();
    return count;
}

// ---- merging sets ----

namespace {

DefinitionSection& SectionOf(DefinitionSet& set, const std::string& name) {
    for (DefinitionSection& section : set) {
        if (section.name == name)
            return section;
    }
    set.push_back(DefinitionSection{name, {}});
    return set.back();
}

bool IsLinkPair(std::string_view prefix) {
    return prefix == "CLINK" || prefix == "VLINK";
}

} // namespace

std::size_t MergeDefinitionSets(DefinitionSet& into, const DefinitionSet& from) {
    std::size_t added = 0;
    for (const DefinitionSection& source : from) {
        DefinitionSection& target = SectionOf(into, source.name);
        // What target holds: the values of each list and the highest index of the section
        // (CLINK and VLINK share theirs).
        std::map<std::string, std::unordered_set<std::string>, std::less<>> values;
        std::map<std::string, unsigned long, std::less<>> highest;
        std::unordered_map<std::string, std::string> clinkOfIndex;
        for (const DefinitionEntry& entry : target.entries) {
            const DefinitionListInfo* list = nullptr;
            unsigned long index = 0;
            if (!FindListKey(target.name, entry.key, list, index))
                continue;
            const std::string counter =
                IsLinkPair(list->prefix) ? "LINK" : std::string(list->prefix);
            highest[counter] = std::max(highest[counter], index);
            values[std::string(list->prefix)].insert(entry.value);
        }
        // Old index of a kept CLINK -> its new index, for the VLINK beside it.
        std::unordered_map<unsigned long, unsigned long> linkIndex;
        // VLINKs go second, so each finds where its CLINK went wherever it stood.
        for (const bool vlinks : {false, true})
            for (const DefinitionEntry& entry : source.entries) {
                const DefinitionListInfo* list = nullptr;
                unsigned long index = 0;
                if (!FindListKey(source.name, entry.key, list, index))
                    continue;
                const std::string prefix(list->prefix);
                if ((prefix == "VLINK") != vlinks)
                    continue;
                unsigned long next = 0;
                if (prefix == "VLINK") {
                    const auto paired = linkIndex.find(index);
                    if (paired == linkIndex.end())
                        continue;
                    next = paired->second;
                } else {
                    if (!values[prefix].insert(entry.value).second)
                        continue;
                    const std::string counter = IsLinkPair(prefix) ? "LINK" : prefix;
                    next = ++highest[counter];
                    if (prefix == "CLINK")
                        linkIndex[index] = next;
                }
                target.entries.push_back(
                    DefinitionEntry{prefix + std::to_string(next), entry.value, entry.line});
                ++added;
            }
    }
    return added;
}

// ---- leaving out unreadable entries ----

namespace {

bool Readable(const DefinitionListInfo& list, const std::string& value) {
    return !value.empty() && value.size() <= list.maxLength &&
           ScrambleFault(value, ScrambledField::Value).empty();
}

} // namespace

std::size_t DropUnreadableEntries(DefinitionSet& set) {
    std::size_t dropped = 0;
    for (DefinitionSection& section : set) {
        std::vector<DefinitionEntry> kept;
        kept.reserve(section.entries.size());
        std::map<std::string, unsigned long, std::less<>> counters;
        std::unordered_map<unsigned long, unsigned long> linkIndex;
        // VLINKs go second, so each finds where its CLINK went wherever it stood.
        std::vector<std::pair<std::size_t, unsigned long>> vlinks;
        for (std::size_t at = 0; at < section.entries.size(); ++at) {
            DefinitionEntry& entry = section.entries[at];
            const DefinitionListInfo* list = nullptr;
            unsigned long index = 0;
            if (!FindListKey(section.name, entry.key, list, index) ||
                !Readable(*list, entry.value)) {
                ++dropped;
                continue;
            }
            const std::string prefix(list->prefix);
            if (prefix == "VLINK") {
                vlinks.emplace_back(at, index);
                continue;
            }
            const unsigned long next = ++counters[IsLinkPair(prefix) ? "LINK" : prefix];
            if (prefix == "CLINK")
                linkIndex[index] = next;
            entry.key = prefix + std::to_string(next);
            kept.push_back(std::move(entry));
        }
        for (const auto& [at, index] : vlinks) {
            const auto paired = linkIndex.find(index);
            if (paired == linkIndex.end()) {
                ++dropped;
                continue;
            }
            DefinitionEntry& entry = section.entries[at];
            entry.key = "VLINK" + std::to_string(paired->second);
            kept.push_back(std::move(entry));
        }
        section.entries = std::move(kept);
    }
    return dropped;
}

// ---- the build ----

bool BuildDefinitions(const DefinitionSet& base, const std::vector<FeedInput>& feeds,
                      const WellKnownSites& sites, std::string_view version,
                      BuiltDefinitions& built, Messages& errors, const BuildProgress& progress) {
    auto tell = [&progress](std::string_view stage, int percent) {
        if (progress)
            progress(stage, percent);
    };
    ImportOptions options;
    options.wellKnown = &sites;
    options.base = &base;
    options.progress = [&tell](std::uint64_t done, std::uint64_t total) {
        tell("import", total == 0 ? 100 : static_cast<int>(done * 100 / total));
    };
    ImportReport report;
    const bool imported = ImportFeeds(feeds, options, report);
    built.feeds = report.feeds;
    if (!imported) {
        errors.push_back(report.error);
        return false;
    }
    tell("import", 100);

    // The same plain source hkwdefs import writes, read back as hkwdefs compile reads it.
    DefinitionSet set;
    {
        const std::string plain = FormatImportedDefinitions(
            base, report.entries, "Hookwise definitions merged by hookwise-update");
        report = ImportReport();
        if (!ReadPlainDefinitions(plain, set, errors))
            return false;
    }
    // A feed entry the engine could not read back would make the whole compile refuse; such
    // entries are rare, so they are looked for only when the compile refuses, then left out.
    const auto compile = [&](Messages& faults) {
        return CompileDefinitions(set, version, built.shipped, faults,
                                  [&tell](int percent) { tell("compile", percent); });
    };
    Messages refused;
    if (!compile(refused)) {
        built.dropped = DropUnreadableEntries(set);
        if (built.dropped == 0 || !compile(errors)) {
            if (built.dropped == 0)
                errors.insert(errors.end(), refused.begin(), refused.end());
            return false;
        }
    }
    built.entries = CountEntries(set);

    std::string working;
    std::string error;
    if (!DecipherAtStartUp(built.shipped, working, error)) {
        errors.push_back(error);
        return false;
    }
    if (!CompileDefinitionIndex(working, definition_index::SourceIdentity{}, built.index, error,
                                [&tell](int percent) { tell("index", percent); })) {
        errors.push_back("index: " + error);
        return false;
    }
    return true;
}

} // namespace hookwise::tools
