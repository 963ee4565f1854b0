#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace zelmora {

enum Column {
    ColCode,
    ColName,
    ColMarket,
    ColTime,
    ColPrice,
    ColChange,
    ColRate,
    ColVolume,
    ColTrend,
    ColDisclosure,
    ColMemo,
    ColumnCount
};

// The watch list rows with their per-row stores. Row r, m_rowQuotes[r],
// m_rowDisclosures[r] and m_rowDocPaths[r] always describe the same stock:
// every insert and remove changes them together.
class WatchList {
public:
    static constexpr std::size_t kMaxRows = kMaxStoredRows;
    // The per-row disclosure tables have room for more rows than the list
    // may hold; nothing ever addresses a slot past kMaxRows.
    static constexpr std::size_t kRowStoreSlots = 20;

    using Cells = std::array<std::string, ColumnCount>;

    std::size_t RowCount() const { return m_rows.size(); }
    bool IsFull() const { return m_rows.size() >= kMaxRows; }

    const std::string& Cell(std::size_t row, Column column) const { return m_rows.at(row)[column]; }
    const Cells& RowCells(std::size_t row) const { return m_rows.at(row); }
    void SetCell(std::size_t row, Column column, std::string text) { m_rows.at(row)[column] = std::move(text); }

    // Inserts an empty row at position (clamped to the end); false when full.
    bool InsertRow(std::size_t position, const std::string& code);
    void RemoveRow(std::size_t row);
    // Moves row `from` to index `to`; the rows between shift by one towards
    // `from`. Out-of-range rows change nothing.
    void MoveRow(std::size_t from, std::size_t to);
    void Clear();
    // Forgets every row's disclosures (a new date is scanned): the marker
    // cell and both disclosure stores, together.
    void ClearDisclosures();

    void Load(const std::vector<StoredRow>& rows);
    std::vector<StoredRow> StoredRows() const;

    std::vector<std::string> m_rowQuotes;
    std::array<std::vector<std::string>, kRowStoreSlots> m_rowDisclosures;
    std::array<std::vector<std::string>, kRowStoreSlots> m_rowDocPaths;

private:
    std::vector<Cells> m_rows;
};

} // namespace zelmora
