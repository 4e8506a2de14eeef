// GetUrl on real-looking HTTP requests and MailHeaderParser on a 100 KB page text, each measured
// beside a plain scan of the same bytes (strlen, then memchr for every line feed) as the baseline.
#include "inspector/MailHeaderParser.h"
#include "engine/LSPGlobals.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Request(const std::string& requestLine, const std::string& host) {
    return requestLine +
           "\r\n"
           "host: " +
           host +
           "\r\n"
           "user-agent: mozilla/5.0 (x11; linux x86_64; rv:109.0) gecko/20100101 firefox/115.0\r\n"
           "accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,*/*;q=0.8\r\n"
           "accept-language: en-us,en;q=0.5\r\n"
           "accept-encoding: gzip, deflate, br\r\n"
           "referer: http://portal.example.com/news/today/index.html\r\n"
           "connection: keep-alive\r\n"
           "cookie: sid=3f9a0c1e77b2; theme=light; consent=yes; last=2024-03-01\r\n"
           "upgrade-insecure-requests: 1\r\n"
           "sec-fetch-dest: document\r\n"
           "sec-fetch-mode: navigate\r\n"
           "cache-control: max-age=0\r\n"
           "\r\n";
}

const std::vector<std::string>& Requests() {
    static const std::vector<std::string> requests = {
        Request("get /account/login.php?next=%2fhome&lang=en http/1.1", "www.bank.example.com"),
        Request("get / http/1.1", "www.portal.example.com"),
        Request("get /images/banner/spring-sale.jpeg http/1.1", "static.shop.example.com"),
        Request("get /s/app.bundle.min.js?v=20240301 http/1.1", "cdn.example.net"),
        Request("get /news/2024/03/01/article-12345.html http/1.1", "www.news.example.org"),
        Request("get /search?q=phishing+protection&page=2 http/1.1", "search.example.com"),
        Request("get /css/site.css http/1.1", "www.example.com"),
        Request("get /a.b/c/d/e/f/page http/1.1", "intranet.example.local"),
        Request("post /account/login.php http/1.0", "www.bank.example.com"),
        Request("get http://www.portal.example.com:8080/news/index.html http/1.1",
                "www.portal.example.com:8080"),
    };
    return requests;
}

void BM_GetUrl(benchmark::State& state) {
    const auto& requests = Requests();
    char url[261];
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& request : requests) {
            CLSPGlobals::GetUrl(request.c_str(), url);
            benchmark::DoNotOptimize(url);
            bytes += request.size();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(requests.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_GetUrl);

// The least any request reader must do: find the end and visit every line.
std::size_t ScanLines(const char* text) {
    std::size_t length = std::strlen(text);
    std::size_t lines = 0;
    const char* end = text + length;
    for (const char* p = text; p < end; ++lines) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!lf)
            break;
        p = static_cast<const char*>(lf) + 1;
    }
    return lines;
}

void BM_RequestBaselineScan(benchmark::State& state) {
    const auto& requests = Requests();
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& request : requests) {
            benchmark::DoNotOptimize(ScanLines(request.c_str()));
            bytes += request.size();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(requests.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_RequestBaselineScan);

// A web-mail page's visible text of about 100 KB: folder list and toolbar, the header block, then
// a long body. withHeaders false drops the header block, so every walk runs to the end.
std::string PageText(bool withHeaders) {
    std::string text = "Mail - Inbox (12)\r\nCompose   Reply   Reply all   Forward   Delete\r\n"
                       "Folders\r\nInbox (12)\r\nDrafts\r\nSent Items\r\nJunk (3)\r\n\r\n";
    if (withHeaders)
        text += "From: PayPal Service <service@paypa1-security.example>\r\n"
                "To: John Doe <john.doe@example.com>\r\n"
                "Subject: Your account access has been limited\r\n"
                "Sent: Monday, March 12, 2007 10:22 AM\r\n"
                "Attachment: statement.zip (24 KB)\r\n\r\n";
    const std::string paragraph =
        "Dear customer, we recently noticed one or more attempts to log in to your account "
        "from a foreign IP address and we have reasons to believe that your account was used "
        "by a third party without your authorization.\r\n";
    while (text.size() < 100 * 1024)
        text += paragraph;
    return text;
}

void RunParser(benchmark::State& state, const std::string& text, bool parseAll) {
    MailHeaderParser parser;
    for (auto _ : state) {
        parser.SetText(text.c_str());
        bool isMail = parser.ParseFromTo();
        if (isMail && parseAll)
            parser.ParseAll();
        benchmark::DoNotOptimize(isMail);
        benchmark::DoNotOptimize(parser.GetFlags());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_MailHeaderParserMailPage(benchmark::State& state) {
    static const std::string text = PageText(true);
    RunParser(state, text, true);
}
BENCHMARK(BM_MailHeaderParserMailPage);

void BM_MailHeaderParserNoMailPage(benchmark::State& state) {
    static const std::string text = PageText(false);
    RunParser(state, text, true);
}
BENCHMARK(BM_MailHeaderParserNoMailPage);

void BM_PageBaselineScan(benchmark::State& state) {
    static const std::string text = PageText(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanLines(text.c_str()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_PageBaselineScan);

} // namespace

BENCHMARK_MAIN();
