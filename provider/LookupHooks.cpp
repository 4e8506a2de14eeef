// The interposed name lookups of libhookswp_lsp.so: getaddrinfo, gethostbyname, gethostbyname2
// and gethostbyname_r. A listed name is reported before any address is returned; on the tray
// program's "block" the lookup finds nothing (EAI_NONAME, HOST_NOT_FOUND). The addresses of a
// listed name the user allowed are remembered for the connections that follow, so the visit is
// not asked about again at their connect or ClientHello.
#include "provider/DecidedNames.h"
#include "provider/Detection.h"
#include "provider/ProviderGuard.h"
#include "provider/RealCalls.h"
#include "provider/SocketStates.h"

#include <cerrno>
#include <cstring>

#include <netdb.h>
#include <netinet/in.h>

#define HOOKWISE_INTERPOSE extern "C" __attribute__((visibility("default")))

using namespace hookwise::provider;

namespace {

LookupVerdict Check(const char* name, const char* service) {
    if (ProviderGuard::Active() || !name)
        return LookupVerdict::NotListed;
    return CheckLookup(name, service);
}

void RememberAddresses(const char* name, const addrinfo* list) {
    std::uint32_t hash = ServerNameHash(name);
    for (const addrinfo* p = list; p; p = p->ai_next)
        RememberDecidedAddress(p->ai_addr, p->ai_addrlen, hash);
}

void RememberAddresses(const char* name, const hostent* host) {
    if (!host || !host->h_addr_list)
        return;
    std::uint32_t hash = ServerNameHash(name);
    for (char** address = host->h_addr_list; *address; ++address) {
        if (host->h_addrtype == AF_INET && host->h_length == 4) {
            sockaddr_in v4{};
            v4.sin_family = AF_INET;
            std::memcpy(&v4.sin_addr, *address, 4);
            RememberDecidedAddress(reinterpret_cast<sockaddr*>(&v4), sizeof v4, hash);
        } else if (host->h_addrtype == AF_INET6 && host->h_length == 16) {
            sockaddr_in6 v6{};
            v6.sin6_family = AF_INET6;
            std::memcpy(&v6.sin6_addr, *address, 16);
            RememberDecidedAddress(reinterpret_cast<sockaddr*>(&v6), sizeof v6, hash);
        }
    }
}

// gethostbyname and gethostbyname2: a listed name the tray program blocks is not found; one it
// allows has its addresses remembered as decided for the connects that follow.
template <typename Lookup>
hostent* CheckedHostLookup(const char* name, bool haveReal, Lookup lookup) {
    if (!haveReal) {
        h_errno = NO_RECOVERY;
        return nullptr;
    }
    LookupVerdict verdict = Check(name, nullptr);
    if (verdict == LookupVerdict::Blocked) {
        h_errno = HOST_NOT_FOUND;
        return nullptr;
    }
    hostent* host = lookup();
    if (verdict == LookupVerdict::Allowed)
        RememberAddresses(name, host);
    return host;
}

} // namespace

HOOKWISE_INTERPOSE int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                                   addrinfo** res) {
    GetAddrInfoFn real = RealGetAddrInfo();
    if (!real) {
        errno = ENOSYS;
        return EAI_SYSTEM;
    }
    // A numeric host is no lookup: its address is checked at the connect.
    LookupVerdict verdict = hints && (hints->ai_flags & AI_NUMERICHOST) ? LookupVerdict::NotListed
                                                                        : Check(node, service);
    if (verdict == LookupVerdict::Blocked) {
        if (res)
            *res = nullptr;
        return EAI_NONAME;
    }
    int rc = real(node, service, hints, res);
    if (rc == 0 && verdict == LookupVerdict::Allowed && res)
        RememberAddresses(node, *res);
    return rc;
}

HOOKWISE_INTERPOSE hostent* gethostbyname(const char* name) {
    GetHostByNameFn real = RealGetHostByName();
    return CheckedHostLookup(name, real != nullptr, [&] { return real(name); });
}

HOOKWISE_INTERPOSE hostent* gethostbyname2(const char* name, int family) {
    GetHostByName2Fn real = RealGetHostByName2();
    return CheckedHostLookup(name, real != nullptr, [&] { return real(name, family); });
}

// As the C library answers a name it does not know: 0, no result, HOST_NOT_FOUND.
HOOKWISE_INTERPOSE int gethostbyname_r(const char* name, hostent* ret, char* buffer,
                                       size_t bufferLength, hostent** result, int* hostErrno) {
    GetHostByNameRFn real = RealGetHostByNameR();
    if (!real)
        return ENOSYS;
    LookupVerdict verdict = Check(name, nullptr);
    if (verdict == LookupVerdict::Blocked) {
        if (result)
            *result = nullptr;
        if (hostErrno)
            *hostErrno = HOST_NOT_FOUND;
        return 0;
    }
    int rc = real(name, ret, buffer, bufferLength, result, hostErrno);
    if (rc == 0 && result && verdict == LookupVerdict::Allowed)
        RememberAddresses(name, *result);
    return rc;
}
