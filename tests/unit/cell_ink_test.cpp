#include <gtest/gtest.h>

#include "core/watch/cell_ink.h"
#include "support/sjis_literals.h"

using namespace zelmora;

// Colours carry from cell to cell: a change without a sign keeps the colour
// before it, the disclosure cell takes the trend mark's.
TEST(CellInk, FollowsSignsAndCarriesAcrossTheRow)
{
    const CellInk D = CellInk::ListDefault, R = CellInk::Rise, B = CellInk::Fall, W = CellInk::WindowText, K = CellInk::Black;
    const struct {
        const char* change;
        const char* rate;
        const char* trend;
        std::array<CellInk, ColumnCount> inks;
    } cases[] = {
        {"+12", "+1.2%", "△ ", {D, D, D, D, D, R, R, W, R, R, K}},
        {"-12", "-1.2%", "▼ ", {D, D, D, D, D, B, B, W, B, B, K}},
        {"0", "0.00%", "－ ", {D, D, D, D, D, D, D, W, W, W, K}},
        {"+12", "0.00%", "－ ", {D, D, D, D, D, R, R, W, W, W, K}},
        {"0", "-0.5%", "▼ ", {D, D, D, D, D, D, B, W, B, B, K}},
        {"nodata", "", "", {D, D, D, D, D, D, D, W, W, W, K}},
        {"＋12", "", "▼", {D, D, D, D, D, D, D, W, W, W, K}}, // full-width sign, mark without its blank
    };
    for (const auto& c : cases) {
        WatchList::Cells cells;
        cells[ColChange] = S(c.change);
        cells[ColRate] = S(c.rate);
        cells[ColTrend] = S(c.trend);
        for (int column = 0; column < ColumnCount; ++column)
            EXPECT_EQ(CellInkAt(cells, static_cast<Column>(column)), c.inks[column]) << c.change << " column " << column;
    }
}
