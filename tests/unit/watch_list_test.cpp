#include <gtest/gtest.h>

#include <random>
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
        list.SetCell(r, ColName, "name " + code);
        EXPECT_TRUE(list.AddDisclosure(r, "news " + code));
        EXPECT_TRUE(list.AddDisclosure(r, "more " + code));
        EXPECT_FALSE(list.AddDisclosure(r, "news " + code)); // known already
    }
    return list;
}

// Every row's cells and disclosures still belong to the stock in column 0.
void ExpectStoresFollowRows(const WatchList& list)
{
    for (std::size_t r = 0; r < list.RowCount(); ++r) {
        const std::string& code = list.Cell(r, ColCode);
        if (!list.Cell(r, ColName).empty()) {
            EXPECT_EQ(list.Cell(r, ColName), "name " + code) << r;
        }
        if (!list.Disclosures(r).empty()) {
            EXPECT_EQ(list.Disclosures(r), (std::vector<std::string>{"news " + code, "more " + code})) << r;
        }
    }
}

} // namespace

TEST(WatchList, RemovingARowMovesTheStoresOfTheRowsBelow)
{
    WatchList list = Filled(5);
    list.RemoveRow(1);
    ASSERT_EQ(list.RowCount(), 4u);
    EXPECT_EQ(list.Cell(2, ColCode), "c3");
    EXPECT_EQ(list.Disclosures(2).front(), "news c3");
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
    EXPECT_EQ(list.Cell(1, ColName), "");
    EXPECT_TRUE(list.Disclosures(1).empty());
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
    for (std::size_t r = 0; r < list.RowCount(); ++r)
        EXPECT_TRUE(list.Cell(r, ColName).empty() && list.Disclosures(r).empty()) << r;
    ExpectStoresFollowRows(list);

    const std::vector<StoredRow> first15(stored.begin(), stored.begin() + 15);
    EXPECT_EQ(list.StoredRows(), first15);

    list.SetCell(0, ColName, "name"); // columns other than code, market and memo are not stored
    list.SetCell(0, ColMemo, "edited");
    EXPECT_EQ(list.StoredRows().front(), (StoredRow{"1000", "m0", "edited"}));
}

TEST(WatchList, MovingARowTakesItsStoresAlong)
{
    // Rows W X Y Z: W onto Y gives X Y W Z, Z onto X gives W Z X Y.
    const struct {
        std::size_t from, to;
        std::vector<std::string> order;
    } cases[] = {
        {0, 2, {"c1", "c2", "c0", "c3"}},
        {3, 1, {"c0", "c3", "c1", "c2"}},
        {1, 2, {"c0", "c2", "c1", "c3"}},
        {2, 2, {"c0", "c1", "c2", "c3"}},
        {4, 0, {"c0", "c1", "c2", "c3"}},
    };
    for (const auto& c : cases) {
        WatchList list = Filled(4);
        if (c.from < 4)
            list.SetCell(c.from, ColMemo, "memo");
        list.MoveRow(c.from, c.to);
        std::vector<std::string> order;
        for (std::size_t r = 0; r < list.RowCount(); ++r)
            order.push_back(list.Cell(r, ColCode));
        EXPECT_EQ(order, c.order) << c.from << "->" << c.to;
        if (c.from < 4) {
            EXPECT_EQ(list.Cell(c.to, ColMemo), "memo");
        }
        ExpectStoresFollowRows(list);
    }
}

// A long random run of every edit against a plain model of rows that carry
// their own data: after each step the list and its stores match the model.
TEST(WatchList, RandomEditsKeepEveryStoreWithItsRow)
{
    struct ModelRow {
        std::string code, quote;
        std::vector<std::string> news;
    };
    std::vector<ModelRow> model;
    WatchList list;
    std::mt19937 random(20261207);
    int serial = 0;
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };

    for (int step = 0; step < 5000; ++step) {
        const std::size_t n = model.size();
        switch (random() % 7) {
        case 0:
        case 1: { // add before a row or at the end
            const std::size_t at = pick(n + 1);
            const std::string code = "s" + std::to_string(serial++);
            const bool added = list.InsertRow(at, code);
            EXPECT_EQ(added, n < WatchList::kMaxRows);
            if (added)
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), ModelRow{code, "", {}});
            break;
        }
        case 2: // delete a row
            if (n > 0) {
                const std::size_t at = pick(n);
                list.RemoveRow(at);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        case 3: // a pass records a quote and a disclosure for a row
            if (n > 0) {
                const std::size_t at = pick(n);
                model[at].quote = "q" + std::to_string(step);
                model[at].news.push_back("n" + std::to_string(step));
                list.SetCell(at, ColPrice, model[at].quote);
                list.AddDisclosure(at, model[at].news.back());
            }
            break;
        case 4: // drag
            if (n > 0) {
                const std::size_t from = pick(n), to = pick(n);
                list.MoveRow(from, to);
                ModelRow moved = model[from];
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(from));
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(to), moved);
            }
            break;
        case 5: // another date
            list.ClearDisclosures();
            for (ModelRow& row : model)
                row.news.clear();
            break;
        case 6: // delete all, rarely
            if (random() % 20 == 0) {
                list.Clear();
                model.clear();
            }
            break;
        }

        ASSERT_EQ(list.RowCount(), model.size()) << step;
        for (std::size_t r = 0; r < model.size(); ++r) {
            ASSERT_EQ(list.Cell(r, ColCode), model[r].code) << step;
            ASSERT_EQ(list.Cell(r, ColPrice), model[r].quote) << step;
            ASSERT_EQ(list.Disclosures(r), model[r].news) << step;
        }
    }
}
