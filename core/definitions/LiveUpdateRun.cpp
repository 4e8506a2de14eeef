// LiveUpdateRun: the update program's path, the outcome of a run and the update at start.
#include "core/definitions/LiveUpdateRun.h"

#include "core/FileNames.h"
#include "platform/MappedFile.h"

using namespace hookwise::platform;

namespace hookwise::core {

std::string LiveUpdateProgramPath(const std::string& applicationDirectory) {
    return applicationDirectory + "/" + EncodeFileName("LiveUpd") + "/Update";
}

std::string LastTextLine(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t start = text.find_last_of("\r\n", end - 1);
        const std::size_t first = start == std::string::npos ? 0 : start + 1;
        std::string line = text.substr(first, end - first);
        if (line.find_first_not_of(" \t") != std::string::npos) {
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
            return line.substr(line.find_first_not_of(" \t"));
        }
        if (start == std::string::npos)
            break;
        end = start;
    }
    return {};
}

LiveUpdateOutcome LiveUpdateOutcomeOf(bool started, const std::string& error, bool crashed,
                                      int exitCode, const std::string& output,
                                      const std::string& errors) {
    LiveUpdateOutcome outcome;
    if (!started) {
        outcome.text = error.empty() ? "the update program could not be started" : error;
        return outcome;
    }
    const std::string summary = LastTextLine(output);
    if (!crashed && exitCode == 0) {
        outcome.succeeded = true;
        outcome.text = summary;
        return outcome;
    }
    // The summary names the reason; without one, what the program said last on standard error,
    // else how it ended.
    if (!summary.empty())
        outcome.text = summary;
    else if (const std::string said = LastTextLine(errors); !said.empty())
        outcome.text = said;
    else if (crashed)
        outcome.text = "the update program was stopped before it ended";
    else
        outcome.text = "the update program ended with status " + std::to_string(exitCode);
    return outcome;
}

bool IsStartUpdateDue(const std::string& userDefinitionsPath, const std::string& lastRunPath,
                      std::int64_t nowSeconds) {
    constexpr std::int64_t kDaySeconds = 24 * 60 * 60;
    for (const std::string* path : {&userDefinitionsPath, &lastRunPath}) {
        FileStamp stamp;
        if (!path->empty() && StampOfFile(path->c_str(), stamp) &&
            nowSeconds - stamp.modifiedSeconds <= kDaySeconds)
            return false;
    }
    return true;
}

} // namespace hookwise::core
