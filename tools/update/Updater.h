// Updater: one run of the live update: fetch every source (keeping each one's last good copy),
// merge them with the base definitions and the user's own, and put the new definitions and their
// index into the data folder, under one lock per user.
#pragma once

#include "tools/update/Fetch.h"
#include "core/definitions/DefinitionsFiles.h"

#include <string>

namespace hookwise::tools {

// The data folder's files: the definitions in the shipped format and the index of the working
// copy the tray program makes of them. The definitions keep the shipped file's name, which the
// tray program looks for in the data folder.
inline constexpr const char* kUpdatedDefinitionsFile = hookwise::core::kShippedDefinitionsFile;
inline constexpr char kUpdatedIndexFile[] = "hkwdb1.pbi";
// The public key a signed definitions file is checked against, in the program folder.
inline constexpr char kDefinitionsKeyFile[] = "hookwise-definitions.pub";
// The user's own definitions (plain INI, as hkwdefs compile reads), in the configuration folder.
inline constexpr char kOwnDefinitionsFile[] = "my-definitions.ini";

// Exit status of a run.
inline constexpr int kUpdateDone = 0;      // every source fetched (or unchanged), written
inline constexpr int kUpdateFailed = 1;    // a source or the user's file failed, or no source
                                           // succeeded and nothing was written
inline constexpr int kUpdateUsage = 2;     // the command line or the source list is wrong
inline constexpr int kUpdateLockedOut = 3; // another update ran past the wait

struct UpdateSettings {
    std::string programFolder;  // holds hkwdb1.pbd, the key, well-known-sites.txt, sources.conf
    std::string dataFolder;     // where the definitions and index are written
    std::string cacheFolder;    // the sources' last good copies and the last build's state
    std::string sourceList;     // the list file to read
    std::string keyPath;        // the public key of signed definitions
    std::string ownDefinitions; // the user's own definitions file (used when it exists)
    std::string caFile;         // a CA trusted besides the system's, or ""
    std::string today;          // the definitions version written, MM/DD/YYYY
    bool quiet = false;
    long lockWaitMs = 60000;
    FetchLimits limits;
};

// Runs one update; returns its exit status (above). The cache folder's "last-build" file is
// written by every run in which a source succeeded, so its modification time is the time of the
// last successful update (whether or not the definitions changed). Every message names its source;
// nothing in the data folder changes unless at least one source succeeded and the merged
// definitions compiled, and then each file is written under a temporary name and renamed into
// place.
int RunUpdate(const UpdateSettings& settings);

// Tests only: when the environment variable HOOKWISE_UPDATE_STOP_AT names step, the process kills
// itself with SIGKILL there, as a crash or kill -9 at that moment would. The steps, in order:
// "locked", "fetched", "cached", "built", "index-written", "index-renamed",
// "definitions-written", "definitions-renamed".
void StopPointForTesting(const char* step);

} // namespace hookwise::tools
