// AllowConnection and AllowRequest: the cheap socket tests, the engine lookups and the report.
#include "provider/Detection.h"

#include "provider/DecidedNames.h"
#include "provider/EngineGate.h"
#include "provider/HostVerdicts.h"
#include "provider/ProviderGuard.h"
#include "provider/RemoteAddress.h"
#include "provider/RequestHead.h"
#include "provider/SocketStates.h"
#include "engine/DetectionRecord.h"
#include "engine/LSPGlobals.h"
#include "platform/ErrnoKeeper.h"
#include "platform/Module.h"
#include "platform/ProductNames.h"
#include "platform/Window.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>

using namespace hookwise::platform;

namespace hookwise::provider {

namespace {

// Sends one report to the handler window the engine found and returns the tray program's
// decision: true to let the call on. While the engine has found none, the window is looked up
// afresh. No receiver means 0, which blocks.
bool AskTrayProgram(std::uint32_t code, char kind, const RemoteEndpoint& remote, const char* url) {
    DetectionRecord record;
    ClearRecord(record);
    char program[kFieldSize] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    FillSender(record, program);
    FillEndpoint(record, remote.host, remote.port);
    // An IPv6 address may not fit the 20-byte host field: a host report carries it whole in the
    // URL field as well (IPv4 host reports leave that field empty, as they always did).
    bool ipv6 = std::strchr(remote.host, ':') != nullptr;
    CopyField(record.web.url, kind == kKindHost ? (ipv6 ? remote.host : "") : url);
    record.web.kind = kind; // last, as every sender does
    HWND window = std::atomic_ref<HWND>(CLSPGlobals::hMainWnd).load(std::memory_order_relaxed);
    if (!window)
        window = FindWindowA(nullptr, kHandlerCaption);
    return SendCopyData(window, code, &record, sizeof record) != 0;
}

// The remote end of a connected socket, or dest for a Fast Open send on one not connected yet.
bool RemoteOf(int fd, const sockaddr* dest, socklen_t destLength, RemoteEndpoint& remote) {
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0)
        return FormatEndpoint(reinterpret_cast<sockaddr*>(&peer), peerLength, remote);
    return dest && FormatEndpoint(dest, destLength, remote);
}

// A lookup's service as the port text of a record: digits as they are (at most 5), the two web
// service names as their ports, anything else empty. No services file is read.
void ServicePort(const char* service, char (&port)[6]) {
    port[0] = '\0';
    if (!service)
        return;
    if (std::strcmp(service, "https") == 0) {
        std::memcpy(port, "443", 4);
        return;
    }
    if (std::strcmp(service, "http") == 0) {
        std::memcpy(port, "80", 3);
        return;
    }
    std::size_t length = strnlen(service, sizeof port);
    if (length == 0 || length >= sizeof port)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        if (service[i] < '0' || service[i] > '9')
            return;
    }
    std::memcpy(port, service, length + 1);
}

bool IsNumericAddress(const char* name) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, name, bytes) == 1 || inet_pton(AF_INET6, name, bytes) == 1;
}

// Asks the tray program about a listed name once per visit: an answer given for the name within
// the last kDecidedMilliseconds is taken again (a browser retries a refused connection, and its
// other connections to the host come one after another).
bool AskAboutName(const RemoteEndpoint& remote, const char* name) {
    std::uint32_t hash = ServerNameHash(name);
    NameDecision known = FindNameDecision(hash);
    if (known != NameDecision::Unknown)
        return known == NameDecision::Allowed;
    bool allow = AskTrayProgram(kReportUrl, kKindUrl, remote, name);
    RememberNameDecision(hash, allow);
    return allow;
}

// The server-name lookup, its answer remembered per database version.
bool IsListedName(const char* name) {
    std::uint64_t generation = LookupGeneration();
    Verdict verdict = FindVerdict(name, generation, VerdictTable::Names);
    if (verdict != Verdict::Unknown)
        return verdict == Verdict::Listed;
    bool listed = CLSPGlobals::IsBadHostName(name);
    StoreVerdict(name, generation, listed, VerdictTable::Names);
    return listed;
}

} // namespace

bool AllowConnection(int fd, const sockaddr* addr, socklen_t length) {
    ErrnoKeeper keepErrno;
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
    return allow;
}

bool AllowRequest(int fd, const iovec* iov, int count, int flags, const sockaddr* dest,
                  socklen_t destLength) {
    ErrnoKeeper keepErrno;
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
            char url[kFieldSize] = "";
            CLSPGlobals::GetUrl(head, url);
            // An empty address would be found inside every listed entry: nothing to ask about.
            if (url[0] != '\0') {
                char probe[kFieldSize];
                std::memcpy(probe, url, sizeof probe);
                if (CLSPGlobals::IsBadUrl(probe))
                    allow = AskTrayProgram(kReportUrl, kKindUrl, remote, url);
            }
        } catch (...) {
            allow = true;
        }
    }
    return allow;
}

bool AllowServerName(int fd, const char* name, const sockaddr* dest, socklen_t destLength) {
    ErrnoKeeper keepErrno;
    bool allow = true;
    if (EngineReady()) {
        ProviderGuard guard;
        try {
            std::uint32_t decided = DecidedName(fd);
            if (decided == 0 || decided != ServerNameHash(name)) {
                RemoteEndpoint remote;
                if (IsListedName(name) && IsTcpSocket(fd) && RemoteOf(fd, dest, destLength, remote))
                    allow = AskAboutName(remote, name);
            }
        } catch (...) {
            allow = true;
        }
    }
    return allow;
}

LookupVerdict CheckLookup(const char* name, const char* service) {
    ErrnoKeeper keepErrno;
    LookupVerdict verdict = LookupVerdict::NotListed;
    if (name && *name && EngineReady()) {
        ProviderGuard guard;
        try {
            if (!IsNumericAddress(name) && IsListedName(name)) {
                RemoteEndpoint remote{};
                ServicePort(service, remote.port);
                verdict =
                    AskAboutName(remote, name) ? LookupVerdict::Allowed : LookupVerdict::Blocked;
            }
        } catch (...) {
            verdict = LookupVerdict::NotListed;
        }
    }
    return verdict;
}

} // namespace hookwise::provider
