// Fuzzes GetUrl with arbitrary request texts: the output must stay within its 261 bytes and be
// terminated, and letter case must not change which address a request gives (the provider hands
// over lower-cased requests, other callers may not).
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using namespace hookwise::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string request(reinterpret_cast<const char*>(data), size);
    // Exactly 261 bytes on the heap, so a write past them is caught.
    auto url = std::make_unique<char[]>(261);
    CLSPGlobals::GetUrl(request.c_str(), url.get());
    // An address is the host (below 100 characters) or host and path (below 260 together).
    if (strnlen(url.get(), 261) >= 260)
        __builtin_trap();

    auto lowered = std::make_unique<char[]>(261);
    CLSPGlobals::GetUrl(AsciiLowered(request).c_str(), lowered.get());
    if (AsciiLowered(url.get()) != lowered.get())
        __builtin_trap();
    return 0;
}
