#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/tray/tray_texts.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

struct RowCells {
    const char* code;
    const char* name;
    const char* time;
    const char* price;
    const char* change;
    const char* trend;
    int disclosures;
};

WatchList OneRow(const RowCells& cells)
{
    WatchList list;
    EXPECT_TRUE(list.InsertRow(0, S(cells.code)));
    list.SetCell(0, ColName, S(cells.name));
    list.SetCell(0, ColTime, S(cells.time));
    list.SetCell(0, ColPrice, S(cells.price));
    list.SetCell(0, ColChange, S(cells.change));
    list.SetCell(0, ColTrend, S(cells.trend));
    for (int i = 0; i < cells.disclosures; ++i)
        list.AddDisclosure(0, "10:0" + std::to_string(i) + " news ");
    return list;
}

} // namespace

TEST(TrayTexts, PictureFollowsTheIntegerPartOfTheChangeAndTheDisclosures)
{
    struct Case {
        const char* change;
        int disclosures;
        TrayPicture expected;
    };
    const Case cases[] = {
        {"+12", 0, TrayPictureUp},
        {"-3", 0, TrayPictureDown},
        {"0", 0, TrayPictureFlat},
        {"－", 0, TrayPictureFlat},
        {"+0.5", 0, TrayPictureFlat},
        {"", 0, TrayPictureFlat},
        {" +1,200", 0, TrayPictureUp},
        {"+12", 1, TrayPictureUpNews},
        {"-3", 2, TrayPictureDownNews},
        {"+0.5", 1, TrayPictureFlatNews},
    };
    for (const Case& c : cases) {
        const WatchList list = OneRow({"7203", "トヨタ", "15:00", "6,000", c.change, "△ ", c.disclosures});
        EXPECT_EQ(TrayPictureOfRow(list, 0), c.expected) << c.change << " " << c.disclosures;
    }
}

TEST(TrayTexts, TipAndMenuLabelOfARow)
{
    struct Case {
        RowCells row;
        const char* tip;
        const char* label;
    };
    const Case cases[] = {
        {{"7203", "トヨタ自動車", "15:00", "6,000", "+12", "△ ", 0},
         "△  トヨタ自動車\n 15:00 現値 6,000 前日差 +12",
         " 7203　トヨタ自動車　15:00　6,000　+12"},
        {{"9984", "ソフトバンク", "14:59", "980", "-3", "▼ ", 1},
         "▼  ソフトバンク\n 14:59 現値 980 前日差 -3\n適時あり",
         " 9984　ソフトバンク　14:59　980　-3 適時情報"},
        // 62 bytes with the name: kept.
        {{"7203", "トヨタ自動車トヨタ自動車トヨA", "15:00", "6,000", "+12", "△ ", 0},
         "△  トヨタ自動車トヨタ自動車トヨA\n 15:00 現値 6,000 前日差 +12",
         " 7203　トヨタ自動車トヨタ自動車トヨA　15:00　6,000　+12"},
        // 63 bytes with the name: built again with the code.
        {{"7203", "トヨタ自動車トヨタ自動車トヨタ", "15:00", "6,000", "+12", "△ ", 0},
         "△  7203\n 15:00 現値 6,000 前日差 +12",
         " 7203　トヨタ自動車トヨタ自動車トヨタ　15:00　6,000　+12"},
    };
    for (const Case& c : cases) {
        const WatchList list = OneRow(c.row);
        EXPECT_EQ(BuildTrayTip(list, 0), S(c.tip)) << c.tip;
        EXPECT_EQ(BuildTrayRowLabel(list, 0), S(c.label)) << c.label;
    }
}

TEST(TrayTexts, LongTipIsCutTo63BytesNeverThroughACharacter)
{
    // With the code the tip is 64 bytes; byte 63 is the first of "り".
    const WatchList split = OneRow({"7203", "トヨタ自動車トヨタ自動車トヨタ", "15:00", "12,345,678",
                                    "+1,234,567,890.5", "△ ", 1});
    EXPECT_EQ(BuildTrayTip(split, 0), S("△  7203\n 15:00 現値 12,345,678 前日差 +1,234,567,890.5\n適時あ"));

    // 65 bytes: the cut falls between two characters and keeps 63.
    const WatchList whole = OneRow({"7203", "トヨタ自動車トヨタ自動車トヨタ", "15:00", "12,345,678",
                                    "+1,234,567,890.55", "△ ", 1});
    const std::string tip = BuildTrayTip(whole, 0);
    EXPECT_EQ(tip.size(), kTrayTipMaxBytes);
    EXPECT_EQ(tip, S("△  7203\n 15:00 現値 12,345,678 前日差 +1,234,567,890.55\n適時あ"));
}

TEST(TrayTexts, AChangedQuotePageLayoutIsTheTipsFirstLine)
{
    const WatchList row = OneRow({"7203", "トヨタ", "15:00", "2,345", "+15", "△ ", 0});
    const std::string tip = BuildTrayTip(row, 0, true);
    EXPECT_EQ(tip, S("株価ページの形式変更の可能性\n△  トヨタ\n 15:00 現値 2,345 前日差 +15").substr(0, tip.size()));
    EXPECT_LE(tip.size(), kTrayTipMaxBytes);
    EXPECT_EQ(tip.substr(0, tip.find('\n')), S("株価ページの形式変更の可能性"));
}

TEST(TrayTexts, RowPastTheEndReadsAsEmptyCells)
{
    const WatchList empty;
    EXPECT_EQ(BuildTrayTip(empty, 0), S(" \n  現値  前日差 "));
    EXPECT_EQ(TrayPictureOfRow(empty, 3), TrayPictureFlat);
}

TEST(TrayTexts, MenuMarksOfRowsAndOfTheIndex)
{
    struct Case {
        const char* text;
        MenuMark ofTrend;
        MenuMark ofIndexChange;
    };
    const Case cases[] = {
        {"△ ", MenuMark::Up, MenuMark::Flat},
        {"▼ ", MenuMark::Down, MenuMark::Flat},
        {"－ ", MenuMark::Flat, MenuMark::Flat},
        {"△", MenuMark::Flat, MenuMark::Flat},
        {"", MenuMark::Flat, MenuMark::Flat},
        {" +120.50 ", MenuMark::Flat, MenuMark::Up},
        {" -3.2 ", MenuMark::Flat, MenuMark::Down},
        {"+-1", MenuMark::Flat, MenuMark::Up},
        {"0.00", MenuMark::Flat, MenuMark::Flat},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MarkOfTrend(S(c.text)), c.ofTrend) << c.text;
        EXPECT_EQ(MarkOfIndexChange(S(c.text)), c.ofIndexChange) << c.text;
    }
}
