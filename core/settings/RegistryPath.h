// Full registry key names as scripts and tools write them ("HKEY_CURRENT_USER\Software\...").
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>

namespace hookwise::core {

// Splits fullName into its root and the path below it. Roots: HKEY_CURRENT_USER (HKCU),
// HKEY_LOCAL_MACHINE (HKLM), HKEY_CLASSES_ROOT (HKCR), any letter case. Blanks around the name and
// '\' at its ends are dropped. False for an unknown root or an empty name.
bool ParseRegistryPath(std::string_view fullName, HKEY& root, std::string& subKey);

// The long root name of a predefined root ("HKEY_CURRENT_USER"), "" for any other handle.
std::string RootName(HKEY root);

} // namespace hookwise::core
