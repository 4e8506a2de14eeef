// GetUrl: which requests give an address, and which address.
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
    {"NoSlashInPath", Get("*"), ""},
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

const UrlRow kMarkerRows[] = {
    {"UpperCaseMethod", Request("GET /a http/1.1", "abc"), ""},
    {"UpperCaseHostLabel", "get /a http/1.1\r\nHost: abc\r\n\r\n", ""},
    {"UpperCaseVersion", Request("get /a HTTP/1.1", "abc"), ""},
    {"Http10", Request("get /a http/1.0", "abc"), ""},
    {"PostRequest", Request("post /a http/1.1", "abc"), ""},
    {"NoHostLine", "get /a http/1.1\r\naccept: */*\r\n\r\n", ""},
    {"HostWithoutLineFeed", "get /a http/1.1\r\nhost: abc", ""},
    {"HostLabelThenLineFeedAtOnce", "get /a http/1.1\r\nhost: \nx", ""},
    {"FirstHostLineWins", "get /a http/1.1\r\nhost: one\r\nhost: two\r\n\r\n", "one/a"},
    {"FirstGetWins", "get /a http/1.1\r\nhost: abc\r\nx-note: get /b http/1.1\r\n\r\n", "abc/a"},
    {"GetFoundInsideAnotherLine", "post /a http/1.0\r\nhost: abc\r\nx: get /b http/1.1\r\n",
     "abc/b"},
    {"HostBeforeRequestLine", "host: www.abc\r\nget /z http/1.1\r\n\r\n", "abc/z"},
    {"BareLineFeedLosesLastCharacter", "get /p http/1.1\nhost: abcd\n\n", "abc/p"},
    {"WwwOnlyAtStart", Get("/p", "awww.abc"), "awww.abc/p"},
    {"WwwRemovedOnce", Get("/p", "www.www.abc"), "www.abc/p"},
    {"OnlyWww", Get("/", "www."), ""},
    {"EmptyRequest", "", ""},
};
INSTANTIATE_TEST_SUITE_P(Markers, GetUrlTest, testing::ValuesIn(kMarkerRows), RowName);

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
