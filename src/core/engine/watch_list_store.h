#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/engine/watcher_observer.h"
#include "core/quotes/quote_record.h"
#include "core/watch/watch_list.h"

namespace zelmora {

// The list columns of a quote's values, in the order of a quote record.
constexpr std::array<Column, QuoteValueCount> kQuoteColumns = {ColName,   ColTime, ColPrice,
                                                               ColChange, ColRate, ColVolume};

// The date whose disclosures the rows show, and how often it has changed:
// a disclosure pass carries the count it began with.
struct DisclosureScan {
    std::string date;
    std::uint64_t count = 0;
};

// Which thread an edit comes from: the owner's own reports arrive during
// its call; those of a pass's thread leave in the order of their versions.
enum class EditFrom { Owner, Pass };

// The watch list rows with their disclosures, under their own lock. Every
// change is reported with the list's version: a pass's as the row it
// changed, any other as the whole list.
class WatchListStore {
public:
    WatchListStore(WatcherObserver& observer, std::string disclosureDate);

    void Read(const std::function<void(const WatchList&)>& read) const;
    std::size_t RowCount() const;
    // Empty when there is no such row.
    std::string Cell(std::size_t row, Column column) const;
    std::string NameOf(const std::string& code) const;
    std::optional<WatchList::Cells> RowCells(std::size_t row) const;
    std::vector<std::string> Codes() const;
    // The first row that holds the code; RowCount() when none does.
    std::size_t RowOf(const std::string& code) const;
    std::vector<StoredRow> StoredRows() const;
    DisclosureScan Scan() const;
    // None when there is no such row.
    AlertThresholds AlertsOf(std::size_t row) const;

    // Changes the list under its lock; `change` says whether it changed
    // anything. A change is reported as the whole list and as an edit of
    // what base_data.ini keeps.
    void Edit(EditFrom from, const std::function<bool(WatchList&)>& change);
    void Load(const std::vector<StoredRow>& rows);
    void DeleteRow(std::size_t row);
    void DeleteAll();
    void MoveRow(std::size_t from, std::size_t to);
    void SetMemo(std::size_t row, const std::string& memo);
    // New thresholds for the row; a condition whose threshold changed is
    // evaluated afresh. False when there is no such row.
    bool SetAlerts(std::size_t row, const AlertThresholds& thresholds);
    // The row has been looked at: its fired alert no longer stands out.
    void ClearAlertMark(std::size_t row);
    // The state of date from each row's lines of alert.txt (linesOf a code).
    void RestoreAlerts(const std::string& date,
                       const std::function<std::vector<std::string>(const std::string&)>& linesOf);
    // Only what the rows show goes; the date and the count stay.
    void ClearDisclosures();
    // The rows forget their disclosures, and the date and the count change
    // together, so a pass never carries the new count with the old date.
    void ChooseDisclosureDate(const std::string& date, EditFrom from);

    // What the passes store, on their threads. Rows may have been added,
    // removed or moved while the page was fetched: a result goes only to
    // the row that still shows its stock.
    // With alertDate (yyyymmdd, given while the market is open) the row's
    // alerts are evaluated on the stored quote; returns what fired.
    std::optional<AlertFiring> StoreRowQuote(std::size_t row, const std::string& code, const QuoteValues& values,
                                             const std::string& trend, const std::optional<std::string>& alertDate);
    // True when the row did not hold the entry yet; false as well when the
    // date has changed since scan `scan` began.
    bool RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code, const std::string& entryText);

private:
    void Replace(EditFrom from, bool edited, const std::function<bool(WatchList&)>& change);
    RowsReport ListReportLocked();
    RowReport RowReportLocked(std::size_t row);

    WatcherObserver& m_observer;
    // Held by a pass's thread from the version of its report until the
    // report is sent, so reports leave in the order of their versions.
    std::mutex m_reportOrder;
    mutable std::mutex m_lock;
    WatchList m_rows;
    std::uint64_t m_version = 0;
    DisclosureScan m_scan;
};

} // namespace zelmora
