// GetUrl: which requests give an address (methods, versions, absolute targets, Host headers,
// bounds), and which address.
#include "engine/LSPGlobals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct UrlRow {
    const char* name;
    std::string request;
    std::string expected;
};

std::string Request(const std::string& requestLine, const std::string& host) {
    return requestLine + "\r\nhost: " + host + "\r\nuser-agent: test\r\naccept: */*\r\n\r\n";
}

std::string Get(const std::string& path, const std::string& host = "www.abc") {
    return Request("get " + path + " http/1.1", host);
}

std::string RunGetUrl(const std::string& request) {
    // The output is larger than needed so that a write past its 261 bytes shows up.
    char url[300];
    std::memset(url, 'x', sizeof url);
    CLSPGlobals::GetUrl(request.c_str(), url);
    for (std::size_t i = 261; i < sizeof url; ++i)
        EXPECT_EQ(url[i], 'x') << "byte " << i << " written past the output";
    EXPECT_NE(std::memchr(url, '\0', 261), nullptr);
    return url;
}

class GetUrlTest : public testing::TestWithParam<UrlRow> {};

TEST_P(GetUrlTest, GivesExpectedAddress) {
    EXPECT_EQ(RunGetUrl(GetParam().request), GetParam().expected);
}

std::string RowName(const testing::TestParamInfo<UrlRow>& info) {
    return info.param.name;
}

const UrlRow kPathRows[] = {
    {"PathAndQuery", Get("/d/e.php?x=1"), "abc/d/e.php"},
    {"RootHasNoTrailingSlash", Get("/"), "abc"},
    {"RootWithQueryKeepsSlash", Get("/?x=1", "abc"), "abc/"},
    {"QueryCutAtFirstQuestionMark", Get("/a?b=1?c=2", "abc"), "abc/a"},
    {"PlainPage", Get("/index.html"), "abc/index.html"},
    {"EmptyPath", Request("get  http/1.1", "abc"), ""},
    {"EmptyHostStillJoins", Get("/x", ""), "/x"},
    {"EmptyHostRoot", Get("/", ""), ""},
};
INSTANTIATE_TEST_SUITE_P(Paths, GetUrlTest, testing::ValuesIn(kPathRows), RowName);

const UrlRow kExtensionRows[] = {
    {"Jpeg", Get("/pic/a.jpeg"), ""},
    {"Jpg", Get("/pic/a.jpg"), ""},
    {"Gif", Get("/a.gif"), ""},
    {"Css", Get("/s/site.css"), ""},
    {"CssWithQuery", Get("/s/site.css?v=2"), ""},
    {"Wav", Get("/a.wav"), ""},
    {"Xml", Get("/feed.xml"), ""},
    {"Js", Get("/s/a.js"), ""},
    {"JsWithQueryIsNotIgnored", Get("/s/a.js?v=1"), "abc/s/a.js"}, // extension field ".js?"
    {"Jsp", Get("/s/a.jsp"), "abc/s/a.jsp"},
    {"UpperCaseExtension", Get("/pic/A.JPG"), ""},
    {"FirstDotOfLastSegment", Get("/pic/a.large.jpg"), "abc/pic/a.large.jpg"},
    {"DotOnlyInEarlierSegment", Get("/a.b/page"), "abc/a.b/page"},
    {"IgnoredOnlyInEarlierSegment", Get("/a.jpg/page"), "abc/a.jpg/page"},
    {"SlashInQueryDecides", Get("/p.php?u=/c.gif"), ""},
    {"FourCharactersCompared", Get("/a.cssx"), ""},
    {"LongExtensionCut", Get("/a.htmlx"), "abc/a.htmlx"},
};
INSTANTIATE_TEST_SUITE_P(Extensions, GetUrlTest, testing::ValuesIn(kExtensionRows), RowName);

const UrlRow kRequestLineRows[] = {
    {"UpperCaseMethod", Request("GET /a http/1.1", "abc"), "abc/a"},
    {"UpperCaseVersion", Request("get /a HTTP/1.1", "abc"), "abc/a"},
    {"Http10", Request("get /a http/1.0", "abc"), "abc/a"},
    {"Post", Request("POST /login.php HTTP/1.1", "abc"), "abc/login.php"},
    {"Head", Request("HEAD /a HTTP/1.0", "abc"), "abc/a"},
    {"Put", Request("PUT /a HTTP/1.1", "abc"), "abc/a"},
    {"OtherTokenMethod", Request("M-SEARCH /a HTTP/1.1", "abc"), "abc/a"},
    {"Http2IsNoRequestLine", Request("GET /a HTTP/2.0", "abc"), ""},
    {"LongerVersion", Request("GET /a HTTP/1.10", "abc"), ""},
    {"BlankAfterVersion", Request("GET /a HTTP/1.1 ", "abc"), ""},
    {"TwoBlanksBeforeTarget", Request("GET  /a HTTP/1.1", "abc"), ""},
    {"NoMethod", Request(" /a HTTP/1.1", "abc"), ""},
    {"MethodNotAToken", Request("GE(T /a HTTP/1.1", "abc"), ""},
    {"NoVersion", Request("GET /a", "abc"), ""},
    {"BlankInTarget", Request("GET /a b HTTP/1.1", "abc"), ""},
    {"AuthorityFormOfConnect", Request("CONNECT abc:443 HTTP/1.1", "abc:443"), ""},
    {"AsteriskForm", Request("OPTIONS * HTTP/1.1", "abc"), ""},
    {"RelativeTarget", Request("GET a/b HTTP/1.1", "abc"), ""},
    {"OnlyTheFirstLineIsTheRequestLine", "host: www.abc\r\nget /z http/1.1\r\n\r\n", ""},
    {"RequestLineInAHeaderIsNotRead",
     "post /a http/1.0\r\nhost: abc\r\nx-note: get /b http/1.1\r\n\r\n", "abc/a"},
    {"RequestLineAloneEndsTheText", "GET http://abc/a HTTP/1.1", "abc/a"},
    {"EmptyRequest", "", ""},
};
INSTANTIATE_TEST_SUITE_P(RequestLine, GetUrlTest, testing::ValuesIn(kRequestLineRows), RowName);

// A proxy is sent the whole URL; its host and path count, and the Host header is not needed.
const UrlRow kAbsoluteRows[] = {
    {"PostToProxy", "POST http://evil.test/login.php HTTP/1.1\r\n\r\n", "evil.test/login.php"},
    {"UrlHostOverHostHeader", Request("GET http://www.evil.test/a?x=1 HTTP/1.1", "other"),
     "evil.test/a"},
    {"PortAndUserInfoDropped", Request("GET http://u:p@evil.test:8080/a HTTP/1.0", "x"),
     "evil.test/a"},
    {"SchemeInAnyCase", Request("GET HTTP://Evil.Test/A HTTP/1.1", "x"), "Evil.Test/A"},
    {"Https", Request("GET https://evil.test/a HTTP/1.1", "x"), "evil.test/a"},
    {"NoPathIsTheRoot", Request("GET http://www.evil.test HTTP/1.1", "x"), "evil.test"},
    {"QueryWithoutPath", Request("GET http://evil.test?x=1 HTTP/1.1", "x"), "evil.test/"},
    {"BracketedIPv6", Request("GET http://[::1]:8080/a HTTP/1.1", "x"), "[::1]/a"},
    {"IgnoredExtension", Request("GET http://evil.test/a.gif HTTP/1.1", "x"), ""},
    {"NoHost", Request("GET http:///a HTTP/1.1", "x"), ""},
    {"OtherScheme", Request("GET ftp://evil.test/a HTTP/1.1", "x"), ""},
    {"Host99", Request("GET http://" + std::string(99, 'h') + "/ HTTP/1.1", "x"),
     std::string(99, 'h')},
    {"Host100", Request("GET http://" + std::string(100, 'h') + "/ HTTP/1.1", "x"), ""},
    {"HostPlusPath261", Request("GET http://h/" + std::string(259, 'p') + " HTTP/1.1", "x"), ""},
};
INSTANTIATE_TEST_SUITE_P(AbsoluteForm, GetUrlTest, testing::ValuesIn(kAbsoluteRows), RowName);

const UrlRow kHostHeaderRows[] = {
    {"UpperCaseName", "get /a http/1.1\r\nHost: abc\r\n\r\n", "abc/a"},
    {"MixedCaseNameNoBlank", "GET /a HTTP/1.1\r\nhOsT:abc\r\n\r\n", "abc/a"},
    {"BlanksAroundValueTrimmed", "GET /a HTTP/1.1\r\nHost: \t abc \t\r\n\r\n", "abc/a"},
    {"PortDropped", Get("/a", "www.abc:8080"), "abc/a"},
    {"IPv6WithPort", Get("/a", "[::1]:8080"), "[::1]/a"},
    {"BlankBeforeColonIsNotHost", "GET /a HTTP/1.1\r\nHost : abc\r\n\r\n", ""},
    {"LongerNameIsNotHost", "GET /a HTTP/1.1\r\nX-Host: abc\r\n\r\n", ""},
    {"HostInTheBodyIsNotRead", "POST /a HTTP/1.1\r\nX: 1\r\n\r\nHost: abc\r\n", ""},
    {"NoHostLine", "get /a http/1.1\r\naccept: */*\r\n\r\n", ""},
    {"HostWithoutLineFeed", "get /a http/1.1\r\nhost: abc", ""},
    {"EmptyValueJoinsThePath", "get /a http/1.1\r\nhost: \nx", "/a"},
    {"FirstHostLineWins", "get /a http/1.1\r\nhost: one\r\nhost: two\r\n\r\n", "one/a"},
    {"BareLineFeedsKeepTheLastCharacter", "get /p http/1.1\nhost: abcd\n\n", "abcd/p"},
    {"WwwOnlyAtStart", Get("/p", "awww.abc"), "awww.abc/p"},
    {"WwwInAnyCase", Get("/p", "WWW.abc"), "abc/p"},
    {"WwwRemovedOnce", Get("/p", "www.www.abc"), "www.abc/p"},
    {"OnlyWww", Get("/", "www."), ""},
};
INSTANTIATE_TEST_SUITE_P(HostHeader, GetUrlTest, testing::ValuesIn(kHostHeaderRows), RowName);

const UrlRow kLengthRows[] = {
    {"Host99", Get("/", std::string(99, 'h')), std::string(99, 'h')},
    {"Host100", Get("/", std::string(100, 'h')), ""},
    {"Host260", Get("/p", std::string(260, 'h')), ""},
    {"Host261", Get("/p", std::string(261, 'h')), ""},
    {"HostHuge", Get("/p", std::string(5000, 'h')), ""},
    {"Path259", Get("/" + std::string(258, 'p'), ""), "/" + std::string(258, 'p')},
    {"Path260", Get("/" + std::string(259, 'p'), ""), ""},
    {"Path261", Get("/" + std::string(260, 'p'), ""), ""},
    {"HostPlusPath259", Get("/" + std::string(160, 'p'), std::string(98, 'h')),
     std::string(98, 'h') + "/" + std::string(160, 'p')},
    {"HostPlusPath260", Get("/" + std::string(161, 'p'), std::string(98, 'h')), ""},
    {"NoVersionAfterLongPath", "get /" + std::string(10000, 'p') + "\r\nhost: abc\r\n", ""},
};
INSTANTIATE_TEST_SUITE_P(Lengths, GetUrlTest, testing::ValuesIn(kLengthRows), RowName);

TEST(GetUrl, ClearsOutputOnEveryMiss) {
    char url[261];
    std::memset(url, 'x', sizeof url);
    CLSPGlobals::GetUrl("nothing here", url);
    for (char c : url)
        EXPECT_EQ(c, '\0');
}

TEST(GetUrl, NullRequestGivesEmptyOutput) {
    char url[261] = "stale";
    CLSPGlobals::GetUrl(nullptr, url);
    EXPECT_STREQ(url, "");
}

TEST(GetUrl, NullOutputIsIgnored) {
    // A full request, so the call would otherwise write an address.
    CLSPGlobals::GetUrl(Get("/index.html").c_str(), nullptr);
    CLSPGlobals::GetUrl(nullptr, nullptr);
}

} // namespace
