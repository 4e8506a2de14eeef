// The benchmark's feed lines.
#include "FeedLinesGenerator.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace benchfeeds {

namespace {

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

template <std::size_t N>
std::string_view Pick(const std::string_view (&words)[N], std::uint64_t h) {
    return words[h % N];
}

constexpr std::string_view kBrands[] = {
    "paypal",     "apple",   "microsoft", "office365", "amazon",   "netflix",   "chase",
    "wellsfargo", "dhl",     "usps",      "instagram", "facebook", "coinbase",  "metamask",
    "binance",    "outlook", "adobe",     "docusign",  "steam",    "santander", "hsbc"};
constexpr std::string_view kWords[] = {"secure",  "login",   "account", "verify",  "update",
                                       "billing", "support", "signin",  "wallet",  "recovery",
                                       "auth",    "confirm", "unlock",  "service", "webmail"};
constexpr std::string_view kTlds[] = {".com", ".net",    ".org",  ".info", ".xyz",
                                      ".top", ".online", ".site", ".co",   ".ru"};
constexpr std::string_view kHosting[] = {".weebly.com",        ".vercel.app",  ".web.app",
                                         ".firebaseapp.com",   ".netlify.app", ".github.io",
                                         ".000webhostapp.com", ".ngrok.io",    ".duckdns.org"};
constexpr std::string_view kFiles[] = {"index.php",   "login.html", "verify.php", "signin",
                                       "update.aspx", "",           "step2.php",  "auth/"};
constexpr std::string_view kNoise[] = {"https://docs.google.com/", "http://www.google.com/",
                                       "https://drive.google.com", "https://www.paypal.com/"};

std::string Hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < digits; ++i)
        text.push_back(kDigits[(value >> (4 * i)) & 15]);
    return text;
}

std::string Host(std::uint64_t h) {
    std::string host;
    if (h % 3 == 0) {
        // A brand in a subdomain of a hosting service: "paypal-verify-3fa9.weebly.com".
        host.append(Pick(kBrands, h >> 4)).append("-").append(Pick(kWords, h >> 9));
        host.append("-").append(Hex(h >> 14, 4)).append(Pick(kHosting, h >> 30));
    } else {
        // A look-alike domain, often below a subdomain: "secure.chase-login-8c1d2e.top".
        if (h % 3 == 1)
            host.append(Pick(kWords, h >> 5)).append(".");
        host.append(Pick(kBrands, h >> 10)).append("-").append(Pick(kWords, h >> 15));
        host.append("-").append(Hex(h >> 20, 6)).append(Pick(kTlds, h >> 44));
    }
    return host;
}

std::string Url(std::uint64_t h) {
    std::string url = (h & 1) ? "https://" : "http://";
    if ((h >> 1) % 5 == 0)
        url += "www.";
    url += Host(h >> 3);
    if ((h >> 6) % 17 == 0)
        url += ":8080";
    url.append("/").append(Pick(kBrands, h >> 12)).append("/");
    url.append(Pick(kWords, h >> 17)).append("/").append(Pick(kFiles, h >> 21));
    if ((h >> 25) % 2 == 0)
        url.append("?session=").append(Hex(h >> 27, 16)).append("&lang=en");
    return url;
}

} // namespace

std::string MakeFeedLines(long count) {
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 64);
    std::vector<std::uint64_t> seen; // seeds of earlier lines, to repeat some
    for (long i = 0; i < count; ++i) {
        std::uint64_t h = Mix(static_cast<std::uint64_t>(i));
        const unsigned kind = static_cast<unsigned>(h % 1000);
        if (kind < 30 && !seen.empty()) {
            h = seen[(h >> 10) % seen.size()]; // 3 % repeats of an earlier line
        } else if (kind < 40) {
            text.append(Pick(kNoise, h >> 10)).append("\n"); // 1 % well-known sites
            continue;
        } else if (kind < 45) {
            text.append("<html>broken line ").append(std::to_string(i)).append("\n"); // 0.5 %
            continue;
        } else if (seen.size() < 65536) {
            seen.push_back(h);
        }
        // Half bare hosts, half URLs.
        text.append((h >> 60) & 1 ? Host(h >> 1) : Url(h >> 1)).append("\n");
    }
    return text;
}

} // namespace benchfeeds
