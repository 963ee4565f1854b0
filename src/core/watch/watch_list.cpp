#include "core/watch/watch_list.h"

#include <algorithm>
#include <iterator>

namespace zelmora {

bool WatchList::InsertRow(std::size_t position, const std::string& code)
{
    if (IsFull())
        return false;
    position = std::min(position, m_rows.size());
    const auto at = static_cast<std::ptrdiff_t>(position);
    Cells cells;
    cells[ColCode] = code;
    m_rows.insert(m_rows.begin() + at, std::move(cells));
    m_rowQuotes.insert(m_rowQuotes.begin() + at, std::string());
    // Shift the disclosure stores of the rows below down by one slot.
    std::move_backward(m_rowDisclosures.begin() + at, m_rowDisclosures.begin() + static_cast<std::ptrdiff_t>(m_rows.size()) - 1,
                       m_rowDisclosures.begin() + static_cast<std::ptrdiff_t>(m_rows.size()));
    std::move_backward(m_rowDocPaths.begin() + at, m_rowDocPaths.begin() + static_cast<std::ptrdiff_t>(m_rows.size()) - 1,
                       m_rowDocPaths.begin() + static_cast<std::ptrdiff_t>(m_rows.size()));
    m_rowDisclosures[position].clear();
    m_rowDocPaths[position].clear();
    return true;
}

void WatchList::RemoveRow(std::size_t row)
{
    if (row >= m_rows.size())
        return;
    const auto at = static_cast<std::ptrdiff_t>(row);
    const auto end = static_cast<std::ptrdiff_t>(m_rows.size());
    m_rows.erase(m_rows.begin() + at);
    m_rowQuotes.erase(m_rowQuotes.begin() + at);
    std::move(m_rowDisclosures.begin() + at + 1, m_rowDisclosures.begin() + end, m_rowDisclosures.begin() + at);
    std::move(m_rowDocPaths.begin() + at + 1, m_rowDocPaths.begin() + end, m_rowDocPaths.begin() + at);
    m_rowDisclosures[static_cast<std::size_t>(end - 1)] = {};
    m_rowDocPaths[static_cast<std::size_t>(end - 1)] = {};
}

namespace {

template <typename Sequence>
void Move(Sequence& items, std::size_t from, std::size_t to)
{
    const auto first = items.begin();
    const auto f = static_cast<std::ptrdiff_t>(from);
    const auto t = static_cast<std::ptrdiff_t>(to);
    if (from < to)
        std::rotate(first + f, first + f + 1, first + t + 1);
    else
        std::rotate(first + t, first + f, first + f + 1);
}

} // namespace

void WatchList::MoveRow(std::size_t from, std::size_t to)
{
    if (from >= m_rows.size() || to >= m_rows.size() || from == to)
        return;
    Move(m_rows, from, to);
    Move(m_rowQuotes, from, to);
    Move(m_rowDisclosures, from, to);
    Move(m_rowDocPaths, from, to);
}

void WatchList::Clear()
{
    m_rows.clear();
    m_rowQuotes.clear();
    for (auto& store : m_rowDisclosures)
        store = {};
    for (auto& store : m_rowDocPaths)
        store = {};
}

void WatchList::ClearDisclosures()
{
    for (Cells& cells : m_rows)
        cells[ColDisclosure].clear();
    for (auto& store : m_rowDisclosures)
        store = {};
    for (auto& store : m_rowDocPaths)
        store = {};
}

void WatchList::Load(const std::vector<StoredRow>& rows)
{
    Clear();
    for (const StoredRow& stored : rows) {
        if (!InsertRow(m_rows.size(), stored.code))
            break;
        m_rows.back()[ColMarket] = stored.market;
        m_rows.back()[ColMemo] = stored.memo;
    }
}

std::vector<StoredRow> WatchList::StoredRows() const
{
    std::vector<StoredRow> rows;
    rows.reserve(m_rows.size());
    for (const Cells& cells : m_rows)
        rows.push_back({cells[ColCode], cells[ColMarket], cells[ColMemo]});
    return rows;
}

} // namespace zelmora
