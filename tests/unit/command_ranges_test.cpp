#include <gtest/gtest.h>

#include <string>

#include "core/commands/command_ranges.h"
#include "core/commands/disclosure_menu.h"
#include "support/sjis_literals.h"

using namespace zelmora;

TEST(CommandRanges, DecodesByTheRowsAndLinksThereAreNow)
{
    struct Case {
        int command;
        std::size_t rows;
        std::size_t links;
        DecodedCommand expected;
    };
    const Case cases[] = {
        {50000, 5, 7, {CommandKind::TrayRow, 0}},
        {50004, 5, 7, {CommandKind::TrayRow, 4}},
        {50005, 5, 7, {}},  // the row went away after the menu was built
        {50000, 0, 7, {}},
        {49999, 5, 7, {}},
        {40000, 5, 7, {}},  // "リンクを開く" is a fixed command
        {40001, 5, 7, {CommandKind::StockLink, 0}},
        {40003, 5, 7, {CommandKind::StockLink, 2}},
        {40007, 5, 7, {CommandKind::StockLink, 6}},
        {40008, 5, 7, {}},
        {40001, 0, 7, {}},
        {33000, 5, 7, {CommandKind::DisclosureLine, 0}},
        {33002, 0, 7, {CommandKind::DisclosureLine, 2}},
        {33100, 5, 7, {CommandKind::DisclosureLine, 100}},
        {33101, 5, 7, {}},
        {32999, 5, 7, {}},
        {32788, 5, 7, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeCommand(c.command, c.rows, c.links), c.expected) << c.command << " rows " << c.rows;
}

TEST(DisclosureMenu, CaptionAndAddressSplitAtTheFirstUnderscoreOfACharacter)
{
    struct Case {
        const char* line;
        const char* caption;
        const char* url;
    };
    const Case cases[] = {
        {"15:00 決算短信 _https://h/inbs/140120.pdf", "15:00 決算短信 ", "https://h/inbs/140120.pdf"},
        {"15:00 a_b _https://h/x_y.pdf", "15:00 a", "b _https://h/x_y.pdf"},
        {"no separator", "no separator", ""},
        {"_https://h/a.pdf", "", "https://h/a.pdf"},
        // ダ ends in the byte of "_": not a separator.
        {"09:00 ダイナ _https://h/d.pdf", "09:00 ダイナ ", "https://h/d.pdf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisclosureCaption(S(c.line)), S(c.caption)) << c.line;
        EXPECT_EQ(DisclosureUrl(S(c.line)), S(c.url)) << c.line;
    }
}
