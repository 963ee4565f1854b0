#include "core/watch/watch_list.h"

#include <algorithm>
#include <iterator>

namespace zelmora {

bool WatchList::AddDisclosure(std::size_t row, const std::string& entryText)
{
    std::vector<std::string>& entries = m_rows.at(row).disclosures;
    if (std::find(entries.begin(), entries.end(), entryText) != entries.end())
        return false;
    entries.push_back(entryText);
    return true;
}

bool WatchList::InsertRow(std::size_t position, const std::string& code)
{
    if (IsFull())
        return false;
    position = std::min(position, m_rows.size());
    Row row;
    row.cells[ColCode] = code;
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(position), std::move(row));
    return true;
}

void WatchList::RemoveRow(std::size_t row)
{
    if (row < m_rows.size())
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
}

void WatchList::MoveRow(std::size_t from, std::size_t to)
{
    if (from >= m_rows.size() || to >= m_rows.size() || from == to)
        return;
    const auto first = m_rows.begin();
    const auto f = static_cast<std::ptrdiff_t>(from);
    const auto t = static_cast<std::ptrdiff_t>(to);
    if (from < to)
        std::rotate(first + f, first + f + 1, first + t + 1);
    else
        std::rotate(first + t, first + f, first + f + 1);
}

void WatchList::Clear()
{
    m_rows.clear();
}

void WatchList::ClearDisclosures()
{
    for (Row& row : m_rows) {
        row.cells[ColDisclosure].clear();
        row.disclosures.clear();
    }
}

void WatchList::Load(const std::vector<StoredRow>& rows)
{
    Clear();
    for (const StoredRow& stored : rows) {
        if (!InsertRow(m_rows.size(), stored.code))
            break;
        m_rows.back().cells[ColMarket] = stored.market;
        m_rows.back().cells[ColMemo] = stored.memo;
        m_rows.back().alert.thresholds = stored.alert;
    }
}

std::vector<StoredRow> WatchList::StoredRows() const
{
    std::vector<StoredRow> rows;
    rows.reserve(m_rows.size());
    for (const Row& row : m_rows)
        rows.push_back({row.cells[ColCode], row.cells[ColMarket], row.cells[ColMemo], row.alert.thresholds});
    return rows;
}

std::string WatchList::NameOf(const std::string& code) const
{
    for (const auto& row : m_rows) {
        if (row.cells[ColCode] == code)
            return row.cells[ColName];
    }
    return {};
}

} // namespace zelmora
