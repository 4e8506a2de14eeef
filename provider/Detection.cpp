// AllowConnection and AllowRequest: the cheap socket tests, the engine lookups and the report.
#include "provider/Detection.h"

#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/Module.h"
#include "platform/Window.h"
#include "provider/EngineGate.h"
#include "provider/HostVerdicts.h"
#include "provider/ProviderGuard.h"
#include "provider/RemoteAddress.h"
#include "provider/RequestHead.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace hookwise::provider {

namespace {

constexpr char kHandlerCaption[] = "Baitguard Server Handler";

// Sends one report to the handler window the engine found and returns the tray program's
// decision: true to let the call on. While the engine has found none, the window is looked up
// afresh. No receiver means 0, which blocks.
bool AskTrayProgram(std::uint32_t code, char kind, const RemoteEndpoint& remote, const char* url) {
    DetectionRecord record;
    ClearRecord(record);
    char program[261] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    FillSender(record, program);
    FillEndpoint(record, remote.host, remote.port);
    CopyField(record.web.url, url);
    record.web.kind = kind; // last, as every sender does
    HWND window = std::atomic_ref<HWND>(CLSPGlobals::hMainWnd).load(std::memory_order_relaxed);
    if (!window)
        window = FindWindowA(nullptr, kHandlerCaption);
    return SendCopyData(window, code, &record, sizeof record) != 0;
}

} // namespace

bool AllowConnection(int fd, const sockaddr* addr, socklen_t length) {
    int savedErrno = errno;
    bool allow = true;
    RemoteEndpoint remote;
    // The gate first: while the tray program is not running it is one clock read. The kind of
    // socket is asked of the kernel only for a listed host (a UDP "connection" to one is let on,
    // like any other), and a host already looked up under the current database is not looked up
    // again: the common case, an unlisted host, then costs no system call at all.
    if (EngineReady() && FormatEndpoint(addr, length, remote)) {
        ProviderGuard guard;
        try {
            std::uint64_t generation = LookupGeneration();
            Verdict verdict = FindVerdict(remote.host, generation);
            if (verdict == Verdict::Unknown) {
                bool listed = CLSPGlobals::IsBadIP(remote.host);
                StoreVerdict(remote.host, generation, listed);
                verdict = listed ? Verdict::Listed : Verdict::NotListed;
            }
            if (verdict == Verdict::Listed && IsTcpSocket(fd))
                allow = AskTrayProgram(kReportHost, kKindHost, remote, nullptr);
        } catch (...) {
            allow = true;
        }
    }
    errno = savedErrno;
    return allow;
}

bool AllowRequest(int fd, const iovec* iov, int count, int flags, const sockaddr* dest,
                  socklen_t destLength) {
    int savedErrno = errno;
    bool allow = true;
    RemoteEndpoint remote;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    bool known = false;
    if (EngineReady() && IsTcpSocket(fd)) {
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0)
            known = FormatEndpoint(reinterpret_cast<sockaddr*>(&peer), peerLength, remote);
        else if ((flags & MSG_FASTOPEN) && dest)
            known = FormatEndpoint(dest, destLength, remote);
    }
    if (known) {
        ProviderGuard guard;
        try {
            char head[kRequestHeadBytes + 1];
            CopyRequestHead(iov, count, head);
            char url[261] = "";
            CLSPGlobals::GetUrl(head, url);
            // An empty address would be found inside every listed entry: nothing to ask about.
            if (url[0] != '\0') {
                char probe[261];
                std::memcpy(probe, url, sizeof probe);
                if (CLSPGlobals::IsBadUrl(probe))
                    allow = AskTrayProgram(kReportUrl, kKindUrl, remote, url);
            }
        } catch (...) {
            allow = true;
        }
    }
    errno = savedErrno;
    return allow;
}

} // namespace hookwise::provider
