// One numbered list of the definition database ("IP1", "IP2", ... in section "HostIP"), read entry
// by entry as GetEncPrivateProfileString reads it, with the section name scrambled only once and
// the database file checked only once per walk.
#pragma once

#include "platform/Profile.h"

#include <cstddef>
#include <memory>

class DefinitionList {
public:
    // section and prefix are plain text; valueSize is the size of the buffers Read fills (at most
    // 261, as the work buffer of the scrambled read). The list reads the version of the database
    // named by CLSPGlobals::szDBPath that is current now: a walk sees one version of the file
    // whole, and the next walk sees a replaced file.
    DefinitionList(const char* section, const char* prefix, unsigned long valueSize);

    // Reads entry number index (from 1) into value (valueSize bytes), unscrambled and cut at its
    // first zero byte. Returns the count the profile read gave: 0 when the key is absent or empty
    // or the file is missing, which ends the list.
    unsigned long Read(unsigned long index, char* value) const;

    // The version of the database this list reads (see ProfileSnapshot::Version).
    std::shared_ptr<const void> Version() const { return database_.Version(); }

private:
    static constexpr std::size_t kNameSize = 64;
    char scrambledSection_[kNameSize];
    char prefix_[kNameSize];
    std::size_t prefixLength_ = 0;
    unsigned long valueSize_;
    ProfileSnapshot database_;
};
