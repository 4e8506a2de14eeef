// Provider detection: listing the protocol catalogue and looking for a provider by its name.
#include "engine/LSPGlobals.h"
#include "platform/AsciiCase.h"
#include "platform/Memory.h"
#include "platform/ProviderCatalog.h"

using namespace hookwise::platform;

namespace {} // namespace

WSAPROTOCOL_INFOW* CLSPGlobals::GetProviders(int* count) {
    int ignored = 0;
    if (!count)
        count = &ignored;
    *count = 0;
    DWORD needed = 0;
    int error = 0;
    if (WSCEnumProtocols(nullptr, nullptr, &needed, &error) == SOCKET_ERROR && error != WSAENOBUFS)
        return nullptr;
    auto* entries =
        static_cast<WSAPROTOCOL_INFOW*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, needed));
    if (!entries)
        return nullptr;
    // The catalogue may have grown since the first call; then this one fails with WSAENOBUFS and
    // the count reports SOCKET_ERROR.
    *count = WSCEnumProtocols(nullptr, entries, &needed, &error);
    if (*count == SOCKET_ERROR) {
        GlobalFree(entries);
        return nullptr;
    }
    return entries;
}

bool CLSPGlobals::IsLSPInstalled(const char* protocolName) {
    if (!protocolName)
        return false;
    int count = 0;
    WSAPROTOCOL_INFOW* entries = GetProviders(&count);
    if (!entries)
        return false;
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        // The single-byte name is the low byte of each wide character, at most 255 of them.
        char name[WSAPROTOCOL_LEN + 1];
        int n = 0;
        for (; n < WSAPROTOCOL_LEN && entries[i].szProtocol[n] != 0; ++n)
            name[n] = static_cast<char>(entries[i].szProtocol[n] & 0xFF);
        name[n] = '\0';
        found = CompareIgnoreAsciiCase(protocolName, name) == 0;
    }
    GlobalFree(entries);
    return found;
}
