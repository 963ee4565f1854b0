#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/links/link_template.h"
#include "support/sjis_literals.h"

using namespace zelmora;

TEST(LinkTemplate, SplitsLabelAndUrl)
{
    const struct {
        const char* entry;
        bool hasUrl;
        const char* label;
        const char* url;
    } cases[] = {
        {"abc _/?c=銘柄", true, "abc", "/?c=銘柄"},
        {"a_b_c", true, "", "b_c"},                          // the byte before "_" is dropped
        {"Yahoo finance  _http://x/q?s=銘柄.市場", true, "Yahoo finance", "http://x/q?s=銘柄.市場"},
        {"_http://x/", true, "", "http://x/"},
        {"日経_http://x/", true, "日", "http://x/"},         // never half a character
        {"ダウ _x", true, "ダウ", "x"},                       // the second byte of ダ is no separator
        {"no separator here", false, "", ""},
    };
    for (const auto& c : cases) {
        const auto parts = SplitLinkTemplate(S(c.entry));
        ASSERT_EQ(parts.has_value(), c.hasUrl) << c.entry;
        if (!parts)
            continue;
        EXPECT_EQ(parts->label, S(c.label)) << c.entry;
        EXPECT_EQ(parts->url, S(c.url)) << c.entry;
    }
    // A lead byte and a blank read as one character: trimming keeps them together.
    EXPECT_EQ(SplitLinkTemplate("\x81  _x")->label, "\x81 ");
    EXPECT_EQ(SplitLinkTemplate("a\x81  _x")->label, "a\x81 ");
}

TEST(LinkTemplate, ExpandsCodeAndMarket)
{
    const char* board = "/bbs?action=topics&board=100銘柄&sid=100銘柄&type=r";
    const struct {
        const char* url;
        const char* code;
        const char* letter;
        const char* expanded;
    } cases[] = {
        {"/q?s=銘柄.市場&d=1d", "1234", "t", "/q?s=1234.t&d=1d"},
        {board, "1234", "t", "/bbs?action=topics&board=1001234&sid=1001234&type=r"},
        {board, "998407", "t", "/bbs?action=topics&board=100998407&sid=100998407&t"}, // 6 bytes: last 5 cut
        {"/q?s=銘柄.市場", "998407", "t", "/q?s=998407"},
        {"/q?s=銘柄.市場", "1234", "", "/q?s=1234."},
        {"/plain", "1234", "t", "/plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandLinkTemplate(S(c.url), c.code, c.letter), S(c.expanded)) << c.url << " " << c.code;
}

TEST(LinkTemplate, FindsTheMarketLetterByNamePrefix)
{
    const std::array<std::string, kMarketCount> letters = {"t", "q", "j", "o", "n", "f", "s"};
    EXPECT_EQ(MarketLetterFor(S("東証"), letters), "t");
    EXPECT_EQ(MarketLetterFor(S("札幌"), letters), "s");
    EXPECT_EQ(MarketLetterFor(S("ＨＣ"), letters), "j");
    EXPECT_EQ(MarketLetterFor(S("名"), letters), "n"); // a prefix is enough
    EXPECT_EQ(MarketLetterFor(S("NYSE"), letters), "");
    EXPECT_EQ(MarketLetterFor(S("東証一部"), letters), "");
}

TEST(LinkTemplate, ReadsListFilesOrFallsBackToDefaults)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zelmora-links-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    // Missing files: the built-in lists, in order.
    LinkLists lists = LoadLinkLists(folder.string());
    ASSERT_EQ(lists.stockLinks.size(), 7u);
    ASSERT_EQ(lists.indexLinks.size(), 2u);
    EXPECT_EQ(SplitLinkTemplate(lists.stockLinks[0])->label, S("日経株価情報"));
    EXPECT_EQ(SplitLinkTemplate(lists.stockLinks[6])->label, S("Yahoo掲示板"));
    EXPECT_EQ(lists.stockLinks[1].find('_'), 19u); // 17-byte label padded to 19
    const std::string nikkei = SplitLinkTemplate(lists.indexLinks[0])->url;
    EXPECT_EQ(nikkei.substr(nikkei.size() - 11), "/q?s=998407");

    // Two lines with blank lines between, CRLF and LF; a list of blank lines is empty.
    std::ofstream(folder / "銘柄URL.txt", std::ios::binary) << S("one _http://a/銘柄\r\n\r\n\n  \r\nno separator\n");
    std::ofstream(folder / "日経URL.txt", std::ios::binary) << "\r\n\r\n";
    lists = LoadLinkLists(folder.string());
    EXPECT_EQ(lists.stockLinks, (std::vector<std::string>{S("one _http://a/銘柄"), "  ", "no separator"}));
    EXPECT_EQ(lists.indexLinks, DefaultIndexLinks());
    std::filesystem::remove_all(folder);
}
