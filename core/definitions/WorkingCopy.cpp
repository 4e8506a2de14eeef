// WorkingCopy: the shipped file deciphered into the working copy, its index copied from the cache
// or compiled, and every failure turned into its start-up message.
#include "core/definitions/WorkingCopy.h"

#include "core/DetectionHandlers.h"
#include "core/definitions/DefinitionsFiles.h"
#include "core/definitions/ShippedFile.h"
#include "core/settings/LanguagePack.h"
#include "core/settings/StringTable.h"
#include "engine/index/DefinitionIndexBuilder.h"
#include "engine/index/IndexReuse.h"
#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/RegularFile.h"
#include "platform/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

using namespace hookwise::platform;

namespace hookwise::core {

namespace {

// The system's text for an error, at most 255 characters, without its closing line break.
std::string SystemErrorText(DWORD code) {
    std::string text = SystemMessageText(code);
    if (text.size() > 255)
        text.resize(255);
    return text;
}

DecipherOutcome Outcome(DecipherOutcome::Status status, std::string message) {
    DecipherOutcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

DecipherOutcome FileErrorOutcome(DWORD code) {
    return Outcome(DecipherOutcome::FileError, kMsgEncryptError + SystemErrorText(code));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Writes the index of the working copy under its temporary name: copied from the cache when that
// holds the index of the same bytes, else compiled (and kept as the cache). False when there is
// none; the reason is on standard error.
bool WriteIndex(std::string_view copy, const std::string& temporaryCopy,
                const DecipherOptions& options, bool& reused,
                const std::function<void(int)>& step) {
    if (!options.indexCachePath.empty()) {
        const IndexReuse reuse =
            ReuseDefinitionIndex(options.indexCachePath, copy, temporaryCopy, options.indexPath,
                                 CurrentWellKnownChecksum());
        if (reuse == IndexReuse::Reused) {
            reused = true;
            return true;
        }
    }
    std::string error;
    if (!WriteDefinitionIndex(copy, temporaryCopy, options.indexPath, error,
                              [&step](int percent) { step(20 + percent * 80 / 100); })) {
        std::fprintf(stderr, "%s: no definition index (%s); lookups read the definitions\n",
                     LoadText(kStrAppTitle).c_str(), error.c_str());
        DeleteFileA(options.indexPath.c_str()); // an index of an older copy is of no use either
        return false;
    }
    if (!options.indexCachePath.empty() &&
        !KeepIndexAsCache(options.indexPath, options.indexCachePath))
        std::fprintf(stderr, "%s: cannot keep the definition index in %s for the next start\n",
                     LoadText(kStrAppTitle).c_str(), options.indexCachePath.c_str());
    return true;
}

} // namespace

DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version, const std::string& indexPath,
                                    const std::function<void(int)>& progress) {
    DecipherOptions options;
    options.indexPath = indexPath;
    options.progress = progress;
    return DecipherDefinitions(shippedPath, workingPath, version, options);
}

DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version, const DecipherOptions& options) {
    auto step = [&options](int percent) {
        if (options.progress)
            options.progress(percent);
    };
    std::unique_ptr<std::FILE, FileCloser> shipped(OpenShippedDefinitions(shippedPath));
    // A FIFO, socket or device there is not definitions: Err 1002, as for a file without a
    // version. A folder is what it always was, a file that cannot be read.
    if (!shipped && errno == EINVAL)
        return Outcome(DecipherOutcome::NoVersion, kMsgInitError1002);
    if (!shipped && errno == EISDIR)
        return FileErrorOutcome(Win32ErrorFromErrno(EISDIR));
    if (!shipped)
        return Outcome(DecipherOutcome::OpenFailed, kMsgInitError1001);
    if (version.empty())
        return Outcome(DecipherOutcome::NoVersion, kMsgInitError1002);

    std::string input;
    if (const int error = ReadWholeDescriptor(fileno(shipped.get()), input); error != 0)
        return FileErrorOutcome(Win32ErrorFromErrno(error));

    step(5);
    std::vector<unsigned char> output(input.size());
    std::string refusal;
    if (!DecipherShippedBytes(reinterpret_cast<const unsigned char*>(input.data()), input.size(),
                              output.data(), refusal))
        return Outcome(DecipherOutcome::CipherRefused,
                       std::string(kMsgInitError1003) + " " + refusal + ".");
    const std::string_view copy(reinterpret_cast<const char*>(output.data()), output.size());
    // A valid header in front of a damaged body deciphers into noise: the engine then finds no
    // definitions at all, which the user must be told.
    const bool damaged = !IsDefinitionsText(copy);
    if (options.requireDefinitionsText && damaged)
        return Outcome(DecipherOutcome::NotDefinitions,
                       shippedPath + " does not decipher into definitions");

    AtomicFileWriter working;
    if (working.Create(workingPath, 0600) != ERROR_SUCCESS)
        return Outcome(DecipherOutcome::CreateFailed, kMsgInitError1002);
    step(15);
    if (const LONG error = working.Write(output.data(), output.size()); error != ERROR_SUCCESS)
        return FileErrorOutcome(static_cast<DWORD>(error));
    step(20);
    // The index names the copy's identity, which the rename keeps.
    bool indexed = false;
    bool reused = false;
    if (!options.indexPath.empty())
        indexed = WriteIndex(copy, working.TemporaryPath(), options, reused, step);
    // A copy that cannot be put in place (a folder or a protected file in the way) leaves the
    // engine without definitions: start-up ends as for a copy that cannot be created.
    if (working.Commit() != ERROR_SUCCESS) {
        if (indexed)
            DeleteFileA(options.indexPath.c_str());
        return Outcome(DecipherOutcome::CreateFailed, kMsgInitError1002);
    }
    step(100);
    DecipherOutcome outcome;
    outcome.indexReused = reused;
    outcome.damaged = damaged;
    return outcome;
}

DecipherOutcome OutOfMemoryOutcome() {
    return Outcome(DecipherOutcome::CreateFailed, kMsgInitError1002);
}

std::string DefinitionsProblemOf(const DecipherOutcome& outcome, const std::string& path) {
    if (!outcome.damaged)
        return {};
    return FormatAlertText(LoadText(kStrDefinitionsDamaged), path);
}

std::string ReplaceWorkingCopy(const std::string& path, const std::string& workingPath,
                               const std::string& version, DecipherOptions options) {
    options.requireDefinitionsText = true;
    try {
        const DecipherOutcome outcome = DecipherDefinitions(path, workingPath, version, options);
        if (outcome.status == DecipherOutcome::Written)
            return {};
        return outcome.status == DecipherOutcome::NotDefinitions ? outcome.message
                                                                 : path + ": " + outcome.message;
    } catch (const std::bad_alloc&) {
        return "not enough memory to read " + path;
    }
}

} // namespace hookwise::core
