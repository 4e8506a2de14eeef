// WorkingCopy: the deciphered working copy of the definitions that the engine reads, its compiled
// index, and the outcome of making them with the messages start-up shows for each failure.
#pragma once

#include <functional>
#include <string>

namespace hookwise::core {

// The start-up's messages.
constexpr const char* kMsgInitError1001 = "Error Initializing the Application (Err 1001).";
constexpr const char* kMsgInitError1002 = "Error Initializing the Application (Err 1002).";
constexpr const char* kMsgInitError1003 = "Error Initializing the Application (Err 1003).";
constexpr const char* kMsgEncryptError = "The file could not be encrypted because of this error: ";

struct DecipherOutcome {
    enum Status {
        Written,        // the working copy is complete
        OpenFailed,     // the shipped file cannot be opened: Err 1001, start-up ends
        NoVersion,      // the definitions version is empty: Err 1002, start-up ends
        CreateFailed,   // the working copy cannot be created or put in place: Err 1002, ends
        CipherRefused,  // the shipped file's length is 0 or not a multiple of 8: start-up ends
        FileError,      // reading or writing failed: the message is shown, start-up goes on
        NotDefinitions, // deciphered into noise (only with requireDefinitionsText): nothing written
    };
    Status status = Written;
    std::string message;      // what the message box shows; "" for Written
    bool indexReused = false; // the index was copied from the index cache, not compiled
    bool damaged = false;     // written, but the body deciphered into noise: no definitions
    // Whether start-up must end here.
    bool EndsStartup() const { return status != Written && status != FileError; }
};

// What DecipherDefinitions writes besides the working copy.
struct DecipherOptions {
    // The compiled index of the copy, written there before the copy is renamed into place, so no
    // process finds the new working copy without its index; an index that cannot be made is
    // reported on standard error and removed (the engine then walks the lists).
    std::string indexPath;
    // The index cache: an index kept there for the same definitions bytes (and the same
    // well-known sites) is copied instead of compiled; a compiled index is kept there.
    std::string indexCachePath;
    // Told the share done (0 to 100) from the calling thread.
    std::function<void(int)> progress;
    // Refuse bytes that do not decipher into definitions text (IsDefinitionsText), leaving the
    // working copy and index as they were: for a new file taken while the program runs.
    bool requireDefinitionsText = false;
};

// Deciphers the shipped file into the working copy: the whole file in ECB mode with the
// program's key, bytes 14 and 15 set to CR LF (when the file has them), as many bytes as the
// shipped file holds. The copy is written under a temporary name with mode 0600 and renamed over
// workingPath when complete, so the engine never reads half a database; with an index, the index
// is renamed into place first. version is the definitions version read at construction.
// Throws std::bad_alloc when the shipped file is too large to hold.
DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version, const DecipherOptions& options);
// The same with only an index path and progress.
DecipherOutcome DecipherDefinitions(const std::string& shippedPath, const std::string& workingPath,
                                    const std::string& version,
                                    const std::string& indexPath = std::string(),
                                    const std::function<void(int)>& progress = {});

// The outcome of a file too large to hold in memory at start: no working copy, Err 1002.
DecipherOutcome OutOfMemoryOutcome();
// What the user is told while the definitions at path deciphered into noise (string
// kStrDefinitionsDamaged in the current language, naming the file); "" for an outcome that is
// not damaged.
std::string DefinitionsProblemOf(const DecipherOutcome& outcome, const std::string& path);

// Puts new definitions (the file at path, of version) in place of the working copy while the
// program runs: DecipherDefinitions with options and requireDefinitionsText. Returns "" when the
// new copy and its index are in place, else why they are not (the definitions in use then stay).
std::string ReplaceWorkingCopy(const std::string& path, const std::string& workingPath,
                               const std::string& version, DecipherOptions options);

} // namespace hookwise::core
