// The version block of the HookWs program, kept in its own ELF section where VersionInfo finds it.
// It must be compiled into the program itself (not taken from a static library, whose unreferenced
// members the linker leaves out).
#include "engine/VersionBlock.h"

namespace hookwise::core {

namespace {
constexpr VersionBlockBuffer kBuilt = BuildVersionBlock(
    HookwiseVersionContent(1, "Hookwise phishing protection", "HookWs", "HookWs"));
static_assert(!kBuilt.overflow, "the version block does not fit its buffer");
} // namespace

[[gnu::used, gnu::section(HOOKWISE_VERSION_SECTION),
  gnu::aligned(4)]] extern const std::array<std::uint8_t, kBuilt.size>
    kHookWsVersionBlock = TrimVersionBlock<kBuilt.size>(kBuilt);

} // namespace hookwise::core
