#pragma once

#include "core/watch/watch_list.h"

namespace zelmora {

// The text colours of the watch list's cells. A column that sets a colour
// keeps it for the cells after it in the row, as a list painted cell by cell
// keeps its last colours.
enum class CellInk {
    ListDefault, // what the list draws with
    Rise,        // red
    Fall,        // blue
    WindowText,  // the desktop's window text colour
    Black,
};

CellInk CellInkAt(const WatchList::Cells& cells, Column column);

} // namespace zelmora
