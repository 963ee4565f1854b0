#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/watch/watch_list.h"

using namespace zelmora;

namespace {

// Rows 0..n-1 with codes "c0".. and per-row data that names the row's stock.
WatchList Filled(std::size_t n)
{
    WatchList list;
    for (std::size_t r = 0; r < n; ++r) {
        const std::string code = "c" + std::to_string(r);
        EXPECT_TRUE(list.InsertRow(r, code));
        list.m_rowQuotes[r] = "quote " + code;
        list.m_rowDisclosures[r] = {"news " + code, "more " + code};
        list.m_rowDocPaths[r] = {"doc " + code, "doc2 " + code};
    }
    return list;
}

// Every per-row store still belongs to the stock in column 0.
void ExpectStoresFollowRows(const WatchList& list)
{
    ASSERT_EQ(list.m_rowQuotes.size(), list.RowCount());
    for (std::size_t r = 0; r < list.RowCount(); ++r) {
        const std::string& code = list.Cell(r, ColCode);
        if (!list.m_rowQuotes[r].empty()) {
            EXPECT_EQ(list.m_rowQuotes[r], "quote " + code) << r;
        }
        if (!list.m_rowDisclosures[r].empty()) {
            EXPECT_EQ(list.m_rowDisclosures[r], (std::vector<std::string>{"news " + code, "more " + code})) << r;
            EXPECT_EQ(list.m_rowDocPaths[r], (std::vector<std::string>{"doc " + code, "doc2 " + code})) << r;
        } else {
            EXPECT_TRUE(list.m_rowDocPaths[r].empty()) << r;
        }
    }
    for (std::size_t slot = list.RowCount(); slot < WatchList::kRowStoreSlots; ++slot) {
        EXPECT_TRUE(list.m_rowDisclosures[slot].empty()) << slot;
        EXPECT_TRUE(list.m_rowDocPaths[slot].empty()) << slot;
    }
}

} // namespace

TEST(WatchList, RemovingARowMovesTheStoresOfTheRowsBelow)
{
    WatchList list = Filled(5);
    list.RemoveRow(1);
    ASSERT_EQ(list.RowCount(), 4u);
    EXPECT_EQ(list.Cell(2, ColCode), "c3");
    EXPECT_EQ(list.m_rowDisclosures[2].front(), "news c3");
    ExpectStoresFollowRows(list);

    list.RemoveRow(3); // the last row
    list.RemoveRow(0);
    list.RemoveRow(7); // past the end: nothing happens
    ASSERT_EQ(list.RowCount(), 2u);
    EXPECT_EQ(list.Cell(0, ColCode), "c2");
    ExpectStoresFollowRows(list);
}

TEST(WatchList, InsertingARowGivesItEmptyStoresAndShiftsTheOthers)
{
    WatchList list = Filled(3);
    ASSERT_TRUE(list.InsertRow(1, "new"));
    ASSERT_EQ(list.RowCount(), 4u);
    EXPECT_EQ(list.Cell(1, ColCode), "new");
    EXPECT_EQ(list.m_rowQuotes[1], "");
    EXPECT_TRUE(list.m_rowDisclosures[1].empty());
    EXPECT_EQ(list.Cell(3, ColCode), "c2");
    ExpectStoresFollowRows(list);

    ASSERT_TRUE(list.InsertRow(99, "end")); // clamped to the end
    EXPECT_EQ(list.Cell(4, ColCode), "end");
    ExpectStoresFollowRows(list);
}

TEST(WatchList, ClearEmptiesEveryStore)
{
    WatchList list = Filled(4);
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0u);
    ExpectStoresFollowRows(list);
}

TEST(WatchList, HoldsAtMostFifteenRows)
{
    WatchList list = Filled(15);
    EXPECT_TRUE(list.IsFull());
    EXPECT_FALSE(list.InsertRow(0, "sixteenth"));
    EXPECT_FALSE(list.InsertRow(15, "sixteenth"));
    ASSERT_EQ(list.RowCount(), 15u);
    EXPECT_EQ(list.Cell(0, ColCode), "c0");
    ExpectStoresFollowRows(list);

    list.RemoveRow(14);
    EXPECT_TRUE(list.InsertRow(0, "again"));
    ExpectStoresFollowRows(list);
}

TEST(WatchList, LoadKeepsFifteenOfTwentyRowsAndStoresThemBack)
{
    std::vector<StoredRow> stored;
    for (int i = 0; i < 20; ++i)
        stored.push_back({std::to_string(1000 + i), "m" + std::to_string(i), i % 2 ? "memo" : ""});

    WatchList list = Filled(3);
    list.Load(stored);
    ASSERT_EQ(list.RowCount(), 15u);
    EXPECT_EQ(list.Cell(14, ColCode), "1014");
    EXPECT_EQ(list.Cell(14, ColMarket), "m14");
    EXPECT_EQ(list.m_rowQuotes, std::vector<std::string>(15));
    ExpectStoresFollowRows(list);

    const std::vector<StoredRow> first15(stored.begin(), stored.begin() + 15);
    EXPECT_EQ(list.StoredRows(), first15);

    list.SetCell(0, ColName, "name"); // columns other than code, market and memo are not stored
    list.SetCell(0, ColMemo, "edited");
    EXPECT_EQ(list.StoredRows().front(), (StoredRow{"1000", "m0", "edited"}));
}
