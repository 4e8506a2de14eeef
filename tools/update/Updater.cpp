// Updater: the run, step by step.
//
// Sections: stop points; the last build's state; fetching the sources; the base definitions;
// writing the data folder; the run.
#include "tools/update/Updater.h"

#include "tools/hkwdefs/FileIo.h"
#include "tools/hkwdefs/signing/DefinitionSignature.h"
#include "tools/update/DefinitionMerge.h"
#include "tools/update/SourceCache.h"
#include "tools/update/SourceList.h"
#include "tools/update/UpdateLock.h"
#include "tools/update/UpdateOutput.h"
#include "core/definitions/ShippedFile.h"
#include "engine/WellKnownSites.h"
#include "platform/AtomicFile.h"
#include "platform/UserFolders.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace hookwise::tools {

using namespace hookwise::platform;

using namespace hookwise::core;

// ---- stop points ----

void StopPointForTesting(const char* step) {
    const char* stopAt = std::getenv("HOOKWISE_UPDATE_STOP_AT");
    if (stopAt != nullptr && std::strcmp(stopAt, step) == 0)
        std::raise(SIGKILL);
}

namespace {

// ---- the last build's state ----

// What the last build was made from and what it wrote, kept in the cache folder: an unchanged
// run is told by equal inputs and an unchanged definitions file. ours lists the recent files an
// update wrote, so that in a development tree, where the data folder is the program folder, the
// shipped file an update replaced is not taken for the shipped definitions next time.
struct BuildState {
    std::string inputs;
    std::string output;
    std::vector<std::string> ours;
};

constexpr char kBuildStateFile[] = "last-build";
constexpr char kShippedBaseFile[] = "shipped-base.pbd";
constexpr std::size_t kOursKept = 8;

BuildState LoadBuildState(const std::string& folder) {
    BuildState state;
    std::string text;
    std::string error;
    if (!ReadFileBytes(folder + "/" + kBuildStateFile, text, error))
        return state;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        const std::string name = line.substr(0, space);
        const std::string value = line.substr(space + 1);
        if (name == "inputs")
            state.inputs = value;
        else if (name == "output")
            state.output = value;
        else if (name == "ours")
            state.ours.push_back(value);
    }
    return state;
}

bool StoreBuildState(const std::string& folder, const BuildState& state, std::string& error) {
    std::string text = "inputs " + state.inputs + "\noutput " + state.output + "\n";
    for (const std::string& hash : state.ours)
        text += "ours " + hash + "\n";
    const std::string path = folder + "/" + kBuildStateFile;
    if (WriteFileAtomically(path, text, 0600) != ERROR_SUCCESS) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
}

bool IsOurs(const BuildState& state, const std::string& hash) {
    return std::find(state.ours.begin(), state.ours.end(), hash) != state.ours.end();
}

// ---- fetching the sources ----

struct SourceOutcome {
    enum State { Updated, Unchanged, Failed };
    State state = Failed;
    std::string reason;    // Failed: why
    bool haveCopy = false; // copy holds what is merged: the new body or the last good one
    CachedSource copy;
};

bool ReadKey(const std::string& path, std::string& key, std::string& reason) {
    std::string error;
    if (ReadFileBytes(path, key, error))
        return true;
    reason = "signature cannot be checked: no public key (" + error + ")";
    return false;
}

// The last good copy of a signed source, checked again: a cached file whose signature no longer
// holds (the key changed, the cache was altered) is no good copy.
bool LoadSignedCopy(const SourceCache& cache, const std::string& url, const std::string& key,
                    CachedSource& copy) {
    if (key.empty() || !cache.Load(url, copy))
        return false;
    std::string error;
    return VerifyDefinitions(key, copy.body, copy.signature, error);
}

// A newly fetched signed file: its signature from URL + ".sig", checked before anything reads
// the file, then the file itself read as definitions.
bool AcceptSigned(const UpdateSource& source, const std::string& key,
                  const UpdateSettings& settings, FetchResult& fetched, CachedSource& copy,
                  std::string& reason) {
    FetchRequest request;
    request.url = source.url + ".sig";
    request.caFile = settings.caFile;
    FetchLimits limits = settings.limits;
    limits.maxBytes = 4096;
    const FetchResult signature = FetchUrl(request, limits);
    if (signature.kind != FetchResult::Fetched) {
        reason = "signature " + request.url + " cannot be fetched: " + signature.reason;
        return false;
    }
    std::string error;
    if (!VerifyDefinitions(key, fetched.body, signature.body, error)) {
        reason = "signature refused (" + error + "); the file is not used";
        return false;
    }
    DefinitionSet set;
    if (!ReadShippedDefinitions(fetched.body, set, error)) {
        reason = "signed, but not a definitions file: " + error;
        return false;
    }
    copy.signature.clear();
    SignatureLine(signature.body, copy.signature);
    return true;
}

SourceOutcome FetchSource(const UpdateSource& source, const UpdateSettings& settings,
                          const SourceCache& cache, const std::string& key,
                          const std::string& keyProblem, UpdateOutput& out) {
    SourceOutcome outcome;
    CachedSource cached;
    const bool haveCached = source.signedDefinitions
                                ? LoadSignedCopy(cache, source.url, key, cached)
                                : cache.Load(source.url, cached);
    if (haveCached) {
        outcome.haveCopy = true;
        outcome.copy = cached;
    }
    if (source.signedDefinitions && key.empty()) {
        outcome.reason = keyProblem;
        return outcome;
    }

    FetchRequest request;
    request.url = source.url;
    request.caFile = settings.caFile;
    if (haveCached) {
        request.etag = cached.etag;
        request.lastModified = cached.lastModified;
    }
    out.Progress(source.url + ": connecting", true);
    FetchResult fetched = FetchUrl(request, settings.limits, [&](std::uint64_t bytes) {
        out.Progress(source.url + ": " + ByteCount(bytes));
    });
    if (fetched.kind == FetchResult::NotModified) {
        if (!haveCached) {
            // A conditional answer to a request that was not conditional: nothing to use.
            outcome.reason = "HTTP 304 Not Modified without an earlier copy";
            return outcome;
        }
        outcome.state = SourceOutcome::Unchanged;
        return outcome;
    }
    if (fetched.kind == FetchResult::Failed) {
        outcome.reason = fetched.reason;
        return outcome;
    }

    CachedSource copy;
    copy.url = source.url;
    copy.etag = fetched.etag;
    copy.lastModified = fetched.lastModified;
    if (source.signedDefinitions) {
        if (!AcceptSigned(source, key, settings, fetched, copy, outcome.reason))
            return outcome;
    } else if (source.format == FeedFormat::Auto) {
        FeedFormat format;
        std::string reason;
        if (!DetectFeedFormat(fetched.body, format, reason)) {
            outcome.reason = "the content " + reason;
            return outcome;
        }
    }
    copy.body = std::move(fetched.body);
    StopPointForTesting("fetched");
    std::string error;
    // The copy is still used this run when it cannot be kept; the next run fetches it again.
    if (!cache.Store(copy, error))
        out.Error(source.url + ": the copy cannot be kept in the cache: " + error);
    outcome.state = SourceOutcome::Updated;
    outcome.haveCopy = true;
    outcome.copy = std::move(copy);
    return outcome;
}

std::string DescribeOutcome(const UpdateSource& source, const SourceOutcome& outcome) {
    const std::string name = source.url + " (" + source.formatName + "): ";
    switch (outcome.state) {
    case SourceOutcome::Updated:
        return name + "updated, " + ByteCount(outcome.copy.body.size());
    case SourceOutcome::Unchanged:
        return name + "unchanged (" + ByteCount(outcome.copy.body.size()) + " kept)";
    case SourceOutcome::Failed:
        break;
    }
    return name + outcome.reason +
           (outcome.haveCopy
                ? "; its last good copy (" + ByteCount(outcome.copy.body.size()) + ") is used"
                : "; no earlier copy");
}

// ---- the base definitions ----

// The shipped definitions of the program folder. Where the data folder is the program folder
// (a development tree) an update replaces that file; the original is kept in the cache and used
// in place of a file an update wrote.
bool ShippedBase(const UpdateSettings& settings, const BuildState& state, std::string& bytes,
                 std::string& error) {
    const std::string path = settings.programFolder + "/" + kUpdatedDefinitionsFile;
    const std::string kept = settings.cacheFolder + "/" + kShippedBaseFile;
    std::string shipped;
    if (!ReadFileBytes(path, shipped, error))
        return ReadFileBytes(kept, bytes, error);
    if (IsOurs(state, Sha256Hex(shipped))) {
        if (ReadFileBytes(kept, bytes, error))
            return true;
    } else {
        std::string old;
        std::string ignored;
        if (!ReadFileBytes(kept, old, ignored) || old != shipped)
            WriteFileAtomically(kept, shipped, 0600);
    }
    bytes = std::move(shipped);
    return true;
}

// ---- writing the data folder ----

bool WriteStep(const std::string& path, std::string_view bytes, const char* written,
               const char* renamed, std::string& error) {
    AtomicFileWriter writer;
    LONG code = writer.Create(path, 0600);
    if (code == ERROR_SUCCESS)
        code = writer.Write(bytes.data(), bytes.size());
    if (code == ERROR_SUCCESS) {
        StopPointForTesting(written);
        code = writer.Commit();
    }
    if (code != ERROR_SUCCESS) {
        error = path + ": cannot be written (error " + std::to_string(code) + ")";
        return false;
    }
    StopPointForTesting(renamed);
    return true;
}

// Temporary files of a run that was killed before it renamed them: "hkwdb1.pbd.XXXXXX" and
// "hkwdb1.pbi.XXXXXX" (the AtomicFileWriter's names). Only removed while the lock is held.
void RemoveLeftovers(const std::string& folder) {
    std::error_code code;
    for (const auto& item : std::filesystem::directory_iterator(folder, code)) {
        const std::string name = item.path().filename().string();
        for (const char* file : {kUpdatedDefinitionsFile, kUpdatedIndexFile}) {
            const std::string prefix = std::string(file) + ".";
            if (name.size() == prefix.size() + 6 && name.rfind(prefix, 0) == 0)
                std::filesystem::remove(item.path(), code);
        }
    }
}

// ---- the run ----

// The material of the inputs' checksum: everything that changes what a build would write.
std::string InputsChecksum(const std::vector<UpdateSource>& sources,
                           const std::vector<SourceOutcome>& outcomes, const std::string& base,
                           const std::string& own) {
    std::string material = "hookwise-update inputs 1\n";
    material += "base " + Sha256Hex(base) + "\nown " + Sha256Hex(own) + "\n";
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!outcomes[i].haveCopy)
            continue;
        material += sources[i].formatName + " " + sources[i].url + " " +
                    Sha256Hex(outcomes[i].copy.body) + "\n";
    }
    std::string sites;
    std::string ignored;
    for (const std::string& path : {ShippedWellKnownSitesPath(), UserWellKnownSitesPath()}) {
        std::string bytes;
        if (!path.empty() && ReadFileBytes(path, bytes, ignored))
            sites += Sha256Hex(bytes);
    }
    material += "sites " + sites + "\n";
    return Sha256Hex(material);
}

} // namespace

int RunUpdate(const UpdateSettings& settings) {
    UpdateOutput out(settings.quiet);

    std::string listText;
    std::string error;
    if (!ReadFileBytes(settings.sourceList, listText, error)) {
        out.Error("no source list: " + error);
        return kUpdateUsage;
    }
    std::vector<UpdateSource> sources;
    Messages faults;
    if (!ParseSourceList(listText, sources, faults)) {
        for (const std::string& fault : faults)
            out.Error(settings.sourceList + ": " + fault);
        out.Error("nothing fetched; the definitions stay as they are");
        return kUpdateUsage;
    }
    if (settings.cacheFolder.empty() || settings.dataFolder.empty()) {
        out.Error("no home folder is known: no cache or data folder");
        return kUpdateFailed;
    }

    UpdateLock lock;
    if (!lock.Acquire(
            settings.lockWaitMs,
            [&out] { out.Line("another update is running; waiting for it to finish"); }, error)) {
        out.Error(error);
        return kUpdateLockedOut;
    }
    StopPointForTesting("locked");
    RemoveLeftovers(settings.dataFolder);

    // The public key is read once; only signed sources need it.
    std::string key;
    std::string keyProblem;
    if (std::any_of(sources.begin(), sources.end(),
                    [](const UpdateSource& s) { return s.signedDefinitions; }))
        ReadKey(settings.keyPath, key, keyProblem);

    const SourceCache cache(settings.cacheFolder);
    std::vector<SourceOutcome> outcomes;
    std::size_t succeeded = 0;
    std::size_t updated = 0;
    bool failed = false;
    for (const UpdateSource& source : sources) {
        outcomes.push_back(FetchSource(source, settings, cache, key, keyProblem, out));
        const SourceOutcome& outcome = outcomes.back();
        if (outcome.state == SourceOutcome::Failed) {
            failed = true;
            out.Error(DescribeOutcome(source, outcome));
            continue;
        }
        ++succeeded;
        updated += outcome.state == SourceOutcome::Updated ? 1 : 0;
        out.Line(DescribeOutcome(source, outcome));
    }
    out.ClearProgress();
    StopPointForTesting("cached");
    if (succeeded == 0) {
        // One line with the reasons, the last a caller that shows one line (the tray program's
        // message box) sees.
        std::string reasons;
        for (std::size_t i = 0; i < sources.size() && i < 3; ++i)
            reasons += (i ? "; " : "") + sources[i].url + ": " + outcomes[i].reason;
        if (sources.size() > 3)
            reasons += "; ...";
        out.Error("no source could be fetched (" + reasons + "); the definitions stay as they are");
        return kUpdateFailed;
    }

    // The base: the signed definitions when a signed source has a good copy, else the shipped
    // ones; further signed sources are merged into it.
    const BuildState state = LoadBuildState(settings.cacheFolder);
    std::string baseBytes;
    std::string baseName;
    for (std::size_t i = 0; i < sources.size() && baseName.empty(); ++i) {
        if (sources[i].signedDefinitions && outcomes[i].haveCopy) {
            baseBytes = outcomes[i].copy.body;
            baseName = sources[i].url;
        }
    }
    if (baseName.empty()) {
        baseName = settings.programFolder + "/" + kUpdatedDefinitionsFile;
        if (!ShippedBase(settings, state, baseBytes, error)) {
            out.Error("the shipped definitions cannot be read: " + error +
                      "; the definitions stay as they are");
            return kUpdateFailed;
        }
    }
    DefinitionSet base;
    if (!ReadShippedDefinitions(baseBytes, base, error)) {
        out.Error(baseName + ": " + error + "; the definitions stay as they are");
        return kUpdateFailed;
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!sources[i].signedDefinitions || !outcomes[i].haveCopy || sources[i].url == baseName)
            continue;
        DefinitionSet more;
        if (ReadShippedDefinitions(outcomes[i].copy.body, more, error))
            MergeDefinitionSets(base, more);
    }

    // The user's own definitions: a file that cannot be read whole is left out, with its faults.
    std::string ownText;
    if (std::error_code code; std::filesystem::exists(settings.ownDefinitions, code)) {
        DefinitionSet own;
        Messages ownFaults;
        error.clear();
        if (!ReadFileBytes(settings.ownDefinitions, ownText, error) ||
            (!ReadPlainDefinitions(ownText, own, ownFaults) ||
             !CheckDefinitionLists(own, ownFaults))) {
            failed = true;
            if (!error.empty())
                ownFaults.push_back(error);
            for (const std::string& fault : ownFaults)
                out.Error(settings.ownDefinitions + ": " + fault);
            out.Error(settings.ownDefinitions + ": left out of this update");
            ownText.clear();
        } else {
            const std::size_t added = MergeDefinitionSets(base, own);
            out.Line(settings.ownDefinitions + ": " + std::to_string(added) +
                     " of your own definition(s) merged");
        }
    }

    const std::string dataPbd = settings.dataFolder + "/" + kUpdatedDefinitionsFile;
    const std::string dataPbi = settings.dataFolder + "/" + kUpdatedIndexFile;
    const std::string inputs = InputsChecksum(sources, outcomes, baseBytes, ownText);
    {
        std::string current;
        std::string ignored;
        std::error_code code;
        if (inputs == state.inputs && ReadFileBytes(dataPbd, current, ignored) &&
            Sha256Hex(current) == state.output && std::filesystem::exists(dataPbi, code)) {
            // The state is written again, so its time tells when an update last succeeded.
            StoreBuildState(settings.cacheFolder, state, error);
            out.Line("definitions unchanged (version " + ShippedVersion(current) + ") in " +
                     dataPbd);
            return failed ? kUpdateFailed : kUpdateDone;
        }
    }

    const WellKnownSites sites = LoadWellKnownSites();
    if (sites.Size() == 0) {
        out.Error(ShippedWellKnownSitesPath() +
                  ": no well-known sites; without them feed noise would block sites everyone "
                  "uses. The definitions stay as they are");
        return kUpdateFailed;
    }
    std::vector<FeedInput> feeds;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!sources[i].signedDefinitions && outcomes[i].haveCopy)
            feeds.push_back(
                FeedInput::Memory(sources[i].url, outcomes[i].copy.body, sources[i].format));
    }
    BuiltDefinitions built;
    Messages buildFaults;
    const bool builtOk = BuildDefinitions(base, feeds, sites, settings.today, built, buildFaults,
                                          [&out](std::string_view stage, int percent) {
                                              out.Progress(std::string(stage) + ": " +
                                                           std::to_string(percent) + "%");
                                          });
    out.ClearProgress();
    for (const FeedSummary& summary : built.feeds)
        out.Line(DescribeFeedSummary(summary));
    if (!builtOk) {
        for (const std::string& fault : buildFaults)
            out.Error(fault);
        out.Error("the merged definitions do not compile; the definitions stay as they are");
        return kUpdateFailed;
    }
    if (built.dropped > 0)
        out.Line(std::to_string(built.dropped) +
                 " entr(ies) left out: the engine could not read them back unchanged");
    StopPointForTesting("built");

    // The index first: the tray program watches the definitions file and finds the index of
    // the new working copy ready when the definitions appear.
    BuildState next = state;
    next.inputs = inputs;
    next.output = Sha256Hex(built.shipped);
    if (!IsOurs(next, next.output))
        next.ours.insert(next.ours.begin(), next.output);
    if (next.ours.size() > kOursKept)
        next.ours.resize(kOursKept);
    error.clear();
    if (!MakeFolders(settings.dataFolder, 0700) ||
        !WriteStep(dataPbi, built.index, "index-written", "index-renamed", error) ||
        !StoreBuildState(settings.cacheFolder, next, error) ||
        !WriteStep(dataPbd, built.shipped, "definitions-written", "definitions-renamed", error)) {
        out.Error((error.empty() ? settings.dataFolder + ": " + std::strerror(errno) : error) +
                  "; the definitions stay as they are");
        return kUpdateFailed;
    }
    out.Line(std::to_string(built.entries) + " entries, version " + settings.today + ", in " +
             dataPbd + " (" + std::to_string(updated) + " source(s) updated, " +
             std::to_string(succeeded - updated) + " unchanged, " +
             std::to_string(sources.size() - succeeded) + " failed)");
    return failed ? kUpdateFailed : kUpdateDone;
}

} // namespace hookwise::tools
