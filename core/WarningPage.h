// The warning page the engine shows for a blocked mail or page, from "App Path" + "/hkwpm.htm".
#pragma once

#include <string>

namespace hookwise::core {

constexpr const char* kWarningPageFile = "hkwpm.htm";

// Copies the shipped page from the program folder into the data folder when the two differ, so
// the engine finds it under "App Path". Replaced whole at each call, so an updated package's page
// is shown. True when there was nothing to copy (the same folder, or no shipped page) or the copy
// is in place; false when it could not be written.
bool CopyWarningPage(const std::string& applicationDirectory, const std::string& dataDirectory);

} // namespace hookwise::core
