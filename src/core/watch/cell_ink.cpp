#include "core/watch/cell_ink.h"

#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

CellInk InkOfSignedValue(const std::string& text, CellInk before)
{
    if (ContainsSjis(text, "+"))
        return CellInk::Rise;
    if (ContainsSjis(text, "-"))
        return CellInk::Fall;
    return before;
}

CellInk InkOfTrendMark(const std::string& text, CellInk before)
{
    if (text == texts::Sjis(texts::TrendRising))
        return CellInk::Rise;
    if (text == texts::Sjis(texts::TrendFalling))
        return CellInk::Fall;
    return before;
}

} // namespace

CellInk CellInkAt(const WatchList::Cells& cells, Column column)
{
    CellInk ink = CellInk::ListDefault;
    for (int c = 0; c <= column && c < ColumnCount; ++c) {
        switch (c) {
        case ColChange:
        case ColRate:
            ink = InkOfSignedValue(cells[c], ink);
            break;
        case ColVolume:
            ink = CellInk::WindowText;
            break;
        case ColTrend:
            ink = InkOfTrendMark(cells[c], ink);
            break;
        case ColMemo:
            ink = CellInk::Black;
            break;
        default:
            break;
        }
    }
    return ink;
}

} // namespace zelmora
