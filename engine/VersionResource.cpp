// The version block of libbaitlib.so, kept in its own ELF section where VersionInfo finds it.
#include "engine/VersionBlock.h"

namespace {
constexpr VersionBlockBuffer kBuilt = BuildVersionBlock(
    HookwiseVersionContent(2, "Hookwise detection engine", "baitlib", "libbaitlib.so"));
static_assert(!kBuilt.overflow, "the version block does not fit its buffer");
} // namespace

// `used` keeps the otherwise unreferenced block in the library.
[[gnu::used, gnu::section(HOOKWISE_VERSION_SECTION),
  gnu::aligned(4)]] extern const std::array<std::uint8_t, kBuilt.size>
    kBaitlibVersionBlock = TrimVersionBlock<kBuilt.size>(kBuilt);
