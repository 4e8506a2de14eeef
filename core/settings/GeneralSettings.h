// GeneralSettings: the counters, password, switches and version texts of the tray program, stored
// under the "Overview" subkey of the product key.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace hookwise::core {

class GeneralSettings {
public:
    // Defaults; ProgramVersion and EngineVersion from the version blocks of the running program
    // and of ProgramFolder() + "/libbaitlib.so" ("" when a file has none).
    GeneralSettings();

    std::uint32_t NoOfBlockedInstructions = 0;
    std::uint32_t NoOfBlockedInstructionsHaveHighRating = 0; // also recomputed by CountHighRated
    std::uint32_t NoOfEmailProtection = 0;
    std::uint32_t NoOfWebProtection = 0;
    std::string ProgramVersion;     // not stored
    std::string DefinitionsVersion; // stored as "DefnsVersion" of the product key
    std::string EngineVersion;      // not stored
    std::string Password;           // EncodeFileName form; "" = no password
    BOOL LoadwithWindowsStartup = 1;
    BOOL LoadSplashScreen = 1;
    BOOL IsLogin = 0;
    BOOL CheckVer = 1;

    // Reads "Overview" of productKey; each value that reads replaces its field (counters: up to
    // 4 bytes little-endian; booleans: the low byte; Password: when not empty). A missing subkey
    // changes nothing.
    void Load(HKEY productKey);
    // Creates "Overview" and writes the nine stored fields in their order. True when every write
    // succeeded.
    bool Save(HKEY productKey) const;
};

} // namespace hookwise::core
