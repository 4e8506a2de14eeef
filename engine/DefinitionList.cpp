// Reading numbered definition lists without allocating, one check of the database file per walk:
// the walk every lookup shares.
#include "engine/DefinitionList.h"

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "engine/TextScrambler.h"
#include "platform/Profile.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {
constexpr unsigned long kWorkBufferSize = hookwise::platform::kFieldSize;
}

DefinitionList::DefinitionList(const char* section, const char* prefix, unsigned long valueSize)
    : valueSize_(valueSize < kWorkBufferSize ? valueSize : kWorkBufferSize),
      database_(CLSPGlobals::szDBPath) {
    // Section names and prefixes are the engine's own short constants.
    std::size_t sectionLength = strnlen(section, kNameSize - 1);
    ScrambleText(std::string_view(section, sectionLength), scrambledSection_);
    hookwise::platform::CopyField(prefix_, prefix);
    prefixLength_ = std::strlen(prefix_);
}

unsigned long DefinitionList::Read(unsigned long index, char* value) const {
    if (valueSize_ == 0)
        return 0;
    char plainKey[kNameSize + 24];
    std::memcpy(plainKey, prefix_, prefixLength_);
    int digits =
        std::snprintf(plainKey + prefixLength_, sizeof plainKey - prefixLength_, "%lu", index);
    char scrambledKey[sizeof plainKey];
    ScrambleText(std::string_view(plainKey, prefixLength_ + static_cast<std::size_t>(digits)),
                 scrambledKey);

    char work[kWorkBufferSize];
    DWORD n = database_.GetString(scrambledSection_, scrambledKey, "", work,
                                  static_cast<DWORD>(valueSize_));
    UnscrambleText(std::string_view(work, n), value);
    return n;
}
