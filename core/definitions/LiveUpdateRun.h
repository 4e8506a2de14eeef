// LiveUpdateRun: where the update program lives, how one of its runs went, and when the update
// at start is due. The update program's contract: exit status 0 on success; the last line of its
// standard output summarises the run ("Updated: N entries, version MM/DD/YYYY" or
// "Failed: <reason>"); "--quiet" leaves out the progress.
#pragma once

#include <cstdint>
#include <string>

namespace hookwise::core {

// The update program of the program folder applicationDirectory: applicationDirectory + "/" +
// EncodeFileName("LiveUpd") + "/Update".
std::string LiveUpdateProgramPath(const std::string& applicationDirectory);

// The last line of text that holds more than blanks, without its line end; "" when none. Both
// "\n" and "\r" end a line (a progress bar rewrites its line with "\r").
std::string LastTextLine(const std::string& text);

struct LiveUpdateOutcome {
    bool succeeded = false;
    std::string text; // the summary on success, else the reason
};

// How a run went: started (false: the program could not be started, error tells why), crashed
// (ended by a signal), its exit code and what it wrote to standard output and error.
LiveUpdateOutcome LiveUpdateOutcomeOf(bool started, const std::string& error, bool crashed,
                                      int exitCode, const std::string& output,
                                      const std::string& errors);

// Whether an update is due at start: neither the user's definitions file (which an update that
// changed something rewrites) nor the update program's record of its last run (which every
// successful run rewrites, changes or not) is younger than a day at nowSeconds.
bool IsStartUpdateDue(const std::string& userDefinitionsPath, const std::string& lastRunPath,
                      std::int64_t nowSeconds);

} // namespace hookwise::core
