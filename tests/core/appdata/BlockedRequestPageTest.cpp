// The page a blocked plain-HTTP request is answered with: built from the current language's
// texts, escaped, bounded, and written whole where the provider reads it.
#include "core/BlockedRequestPage.h"

#include "core/settings/PackFormat.h"
#include "platform/ProductNames.h"
#include "tests/core/appdata/AppDataSandbox.h"

#include <sys/stat.h>

using namespace hookwise::platform;

using namespace hookwise::core;

namespace {

class BlockedRequestPageTest : public AppDataSandbox {
protected:
    // A pack named "Test" holding the page's title and text, made current.
    void UseTexts(const std::string& title, const std::string& text) {
        std::string storedTitle, storedText;
        ASSERT_TRUE(EncodePackValue(title, storedTitle));
        ASSERT_TRUE(EncodePackValue(text, storedText));
        std::string pack = "[";
        pack.append(ReverseText(kMsgSection)).append("]\r\n");
        pack.append(TextKey(kStrBlockedPageTitle)).append("=").append(storedTitle).append("\r\n");
        pack.append(TextKey(kStrBlockedPageText)).append("=").append(storedText).append("\r\n");
        WriteFile(LanguagePackPath("Test"), pack);
        SetCurrentLanguage("Test");
    }
};

TEST_F(BlockedRequestPageTest, BuiltInPageNamesTheProductAndTheReason) {
    const std::string page = BlockedRequestPage();
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("<title>Blocked by Hookwise</title>"), std::string::npos);
    EXPECT_NE(page.find("<h1>Blocked by Hookwise</h1>"), std::string::npos);
    // The text's line break is a <br>.
    EXPECT_NE(page.find("listed as a phishing site.<br>\nYour request was not sent."),
              std::string::npos)
        << page;
}

TEST_F(BlockedRequestPageTest, PackTextsAreEscapedAndKeepTheirBytes) {
    UseTexts("Blockiert <b>&</b>", "Gefährlich: \"a\" & 'b'\nzwei");
    const std::string page = BlockedRequestPage();
    EXPECT_NE(page.find("<title>Blockiert &lt;b&gt;&amp;&lt;/b&gt;</title>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("<p>Gefährlich: &quot;a&quot; &amp; &#39;b&#39;<br>\nzwei</p>"),
              std::string::npos)
        << page;
}

// Pack texts that would make the page larger than the provider reads (each text is at most 1023
// characters, but escaping and the title's two places can grow the page past 8 KiB) give the
// English page.
TEST_F(BlockedRequestPageTest, OversizedPageFallsBackToEnglish) {
    UseTexts(std::string(1000, '&'), "Text");
    const std::string page = BlockedRequestPage();
    EXPECT_LE(page.size(), kBlockedRequestPageMaxBytes);
    EXPECT_NE(page.find("<h1>Blocked by Hookwise</h1>"), std::string::npos);
    UseTexts("Titel", std::string(700, '"'));
    EXPECT_NE(BlockedRequestPage().find("<h1>Titel</h1>"), std::string::npos) << "it fits";
}

TEST_F(BlockedRequestPageTest, WrittenWholeAndReadableByEveryProgramOfTheUser) {
    UseTexts("Titel", "Text");
    ASSERT_TRUE(WriteBlockedRequestPage(folder_));
    const std::string path = folder_ + "/" + kBlockedRequestPageFile;
    EXPECT_EQ(ReadFile(path), BlockedRequestPage());
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    // A changed language replaces the file.
    SetCurrentLanguage(kDefaultLanguage);
    ASSERT_TRUE(WriteBlockedRequestPage(folder_));
    EXPECT_NE(ReadFile(path).find("Blocked by Hookwise"), std::string::npos);
    EXPECT_FALSE(WriteBlockedRequestPage(folder_ + "/missing"));
}

} // namespace
