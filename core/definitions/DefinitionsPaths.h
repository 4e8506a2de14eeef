// Where the tray program keeps its definitions: the shipped file in the program folder; the
// user's updated file (written by the update program), the deciphered working copy and their
// compiled indexes in the data folder.
#pragma once

#include "core/definitions/WorkingCopy.h"

#include <string>

namespace hookwise::core {

struct DefinitionsPaths {
    std::string applicationDirectory; // the program folder, without a trailing '/'
    std::string dataDirectory;        // the data folder, without a trailing '/'

    std::string Shipped() const;
    std::string UserDefinitions() const;
    std::string WorkingCopy() const;
    // The compiled index beside the working copy; written and removed with it.
    std::string WorkingCopyIndex() const;
    // The index kept for the next start (and written by the update program) beside the user's
    // definitions.
    std::string IndexCache() const;
    // The options of the working copy for the definitions in use: its index and the index cache.
    DecipherOptions WorkingCopyOptions() const;
};

} // namespace hookwise::core
