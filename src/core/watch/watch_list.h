#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/alerts/price_alert.h"
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

// The watch list rows, each with the disclosures found for its stock on the
// date scanned: a row and its disclosures move, come and go together.
class WatchList {
public:
    static constexpr std::size_t kMaxRows = kMaxStoredRows;

    using Cells = std::array<std::string, ColumnCount>;

    std::size_t RowCount() const { return m_rows.size(); }
    bool IsFull() const { return m_rows.size() >= kMaxRows; }

    const std::string& Cell(std::size_t row, Column column) const { return m_rows.at(row).cells[column]; }
    // The name of the stock wherever its row stands; empty when no row holds
    // it or before its first quote.
    std::string NameOf(const std::string& code) const;
    const Cells& RowCells(std::size_t row) const { return m_rows.at(row).cells; }
    void SetCell(std::size_t row, Column column, std::string text) { m_rows.at(row).cells[column] = std::move(text); }

    // The entry texts of the row's disclosures, in the order found.
    const std::vector<std::string>& Disclosures(std::size_t row) const { return m_rows.at(row).disclosures; }
    // Adds the entry unless the row holds it already; true when added.
    bool AddDisclosure(std::size_t row, const std::string& entryText);

    // The row's thresholds and where its conditions stand; they move with it.
    const RowAlert& Alert(std::size_t row) const { return m_rows.at(row).alert; }
    RowAlert& Alert(std::size_t row) { return m_rows.at(row).alert; }

    // Inserts an empty row at position (clamped to the end); false when full.
    bool InsertRow(std::size_t position, const std::string& code);
    void RemoveRow(std::size_t row);
    // Moves row `from` to index `to`; the rows between shift by one towards
    // `from`. Out-of-range rows change nothing.
    void MoveRow(std::size_t from, std::size_t to);
    void Clear();
    // Forgets every row's disclosures (a new date is scanned): the marker
    // cell and the entries, together.
    void ClearDisclosures();

    void Load(const std::vector<StoredRow>& rows);
    std::vector<StoredRow> StoredRows() const;

private:
    struct Row {
        Cells cells;
        std::vector<std::string> disclosures;
        RowAlert alert;
    };
    std::vector<Row> m_rows;
};

} // namespace zelmora
