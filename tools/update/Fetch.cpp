// Fetch: libcurl's easy interface, one handle per try.
#include "tools/update/Fetch.h"

#include "platform/TextTrim.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <thread>

namespace hookwise::tools {

using namespace hookwise::platform;

namespace {

constexpr char kUserAgent[] = "hookwise-update/3.0";
// The system's hashed certificate folder, still trusted when a CA file is added.
constexpr char kSystemCertificates[] = "/etc/ssl/certs";

struct Transfer {
    std::string body;
    std::string etag;
    std::string lastModified;
    std::uint64_t maxBytes = 0;
    bool overLimit = false;
    const FetchProgress* progress = nullptr;
};

struct EasyFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    // Servers need not announce a length, so the bound is kept here as well.
    if (transfer->body.size() + bytes > transfer->maxBytes) {
        transfer->overLimit = true;
        return 0;
    }
    transfer->body.append(data, bytes);
    if (transfer->progress != nullptr && *transfer->progress)
        (*transfer->progress)(transfer->body.size());
    return bytes;
}

// A header's value: blanks before it, blanks and the line's end after it trimmed away.
std::string_view HeaderValue(std::string_view text) {
    return TrimBack(TrimFront(text, kSpaceTab), " \t\r\n");
}

bool HeaderIs(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char a = line[i] >= 'A' && line[i] <= 'Z' ? static_cast<char>(line[i] + 32) : line[i];
        if (a != name[i])
            return false;
    }
    return true;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    // A new status line starts a new response (after a redirect): its headers are the ones kept.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->etag.clear();
        transfer->lastModified.clear();
    } else if (HeaderIs(line, "etag")) {
        transfer->etag = HeaderValue(line.substr(5));
    } else if (HeaderIs(line, "last-modified")) {
        transfer->lastModified = HeaderValue(line.substr(14));
    }
    return size * count;
}

std::string StatusText(long status) {
    switch (status) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return {};
    }
}

std::string StatusReason(long status) {
    std::string text = "HTTP " + std::to_string(status);
    if (const std::string name = StatusText(status); !name.empty())
        text += " " + name;
    return text;
}

bool IsTransient(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return true;
    default:
        return false;
    }
}

// One try. transient tells whether another try may help.
FetchResult FetchOnce(const FetchRequest& request, const FetchLimits& limits,
                      const FetchProgress& progress, bool& transient) {
    transient = false;
    FetchResult result;
    std::unique_ptr<CURL, EasyFree> curl(curl_easy_init());
    if (!curl) {
        result.reason = "libcurl cannot start a transfer";
        return result;
    }
    Transfer transfer;
    transfer.maxBytes = limits.maxBytes;
    transfer.progress = &progress;
    char errorText[CURL_ERROR_SIZE] = {};
    std::unique_ptr<curl_slist, ListFree> headers;
    auto addHeader = [&headers](const std::string& header) {
        headers.reset(curl_slist_append(headers.release(), header.c_str()));
    };
    if (!request.etag.empty())
        addHeader("If-None-Match: " + request.etag);
    if (!request.lastModified.empty())
        addHeader("If-Modified-Since: " + request.lastModified);

    CURL* easy = curl.get();
    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.caFile.empty()) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, request.caFile.c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, kSystemCertificates);
    }
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, limits.totalSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode code = curl_easy_perform(easy);
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
    if (code != CURLE_OK) {
        if (transfer.overLimit || code == CURLE_FILESIZE_EXCEEDED) {
            result.reason =
                "larger than the limit of " + std::to_string(limits.maxBytes) + " bytes";
            return result;
        }
        const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            result.reason = "certificate not trusted (" + detail + ")";
            break;
        case CURLE_PARTIAL_FILE:
            result.reason = "download cut short, truncated (" + detail + ")";
            break;
        case CURLE_OPERATION_TIMEDOUT:
            result.reason = "timed out (" + detail + ")";
            break;
        default:
            result.reason = detail;
            break;
        }
        transient = IsTransient(code);
        return result;
    }
    if (result.status == 304) {
        result.kind = FetchResult::NotModified;
        return result;
    }
    if (result.status < 200 || result.status >= 300) {
        result.reason = StatusReason(result.status);
        transient = result.status >= 500 || result.status == 429;
        return result;
    }
    result.kind = FetchResult::Fetched;
    result.body = std::move(transfer.body);
    result.etag = std::move(transfer.etag);
    result.lastModified = std::move(transfer.lastModified);
    return result;
}

} // namespace

bool InitialiseFetching() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

FetchResult FetchUrl(const FetchRequest& request, const FetchLimits& limits,
                     const FetchProgress& progress) {
    long backoff = limits.firstBackoffMs;
    FetchResult result;
    for (int attempt = 1;; ++attempt) {
        bool transient = false;
        result = FetchOnce(request, limits, progress, transient);
        result.attempts = attempt;
        if (result.kind != FetchResult::Failed || !transient || attempt >= limits.attempts)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(backoff));
        backoff *= 2;
    }
    if (result.kind == FetchResult::Failed && result.attempts > 1)
        result.reason += " (after " + std::to_string(result.attempts) + " tries)";
    return result;
}

} // namespace hookwise::tools
