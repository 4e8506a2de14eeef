// Fetch: one HTTPS download with libcurl: the certificate checked against the system's trust
// store (plus a CA file when given), a conditional request from the last good copy's ETag and
// Last-Modified, a bound on time and size, and retries with back-off on transient failures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hookwise::tools {

struct FetchLimits {
    long connectSeconds = 30;
    long totalSeconds = 600;            // the whole transfer, body included
    long lowSpeedBytes = 1;             // slower than this (bytes per second) ...
    long lowSpeedSeconds = 60;          // ... for this long is a stalled transfer
    std::uint64_t maxBytes = 256 << 20; // the largest body taken
    int attempts = 3;                   // tries on a transient failure (connect, 5xx, 429, cut)
    long firstBackoffMs = 1000;         // the wait before the second try, doubled after each
};

struct FetchRequest {
    std::string url;
    std::string etag;         // sent as If-None-Match when not empty
    std::string lastModified; // sent as If-Modified-Since when not empty
    std::string caFile;       // a CA trusted besides the system's, when not empty
};

struct FetchResult {
    enum Kind { Fetched, NotModified, Failed };
    Kind kind = Failed;
    long status = 0;          // the last HTTP status, 0 when no response came
    std::string body;         // Fetched: the whole body
    std::string etag;         // Fetched: the response's ETag ("" when none)
    std::string lastModified; // Fetched: its Last-Modified ("" when none)
    std::string reason;       // Failed: "HTTP 404 Not Found", "certificate ...", "larger than ..."
    int attempts = 0;
};

// Told the body bytes received so far by the current try.
using FetchProgress = std::function<void(std::uint64_t bytes)>;

// Fetches request.url, following up to 5 redirects to https:// only. A 2xx response is Fetched,
// 304 NotModified; anything else, a transfer cut short (less than Content-Length, a broken
// chunk), a body over limits.maxBytes, a certificate that fails, a timeout or a stall is Failed
// with its reason. Transient failures (no connection, timeouts, cut transfers, 5xx and 429) are
// tried again up to limits.attempts times; 4xx, certificate and size failures are not.
FetchResult FetchUrl(const FetchRequest& request, const FetchLimits& limits,
                     const FetchProgress& progress = {});

// Sets up libcurl for the process; call once before any thread fetches. False when it fails.
bool InitialiseFetching();

} // namespace hookwise::tools
