#include "core/engine/watch_list_store.h"

#include "core/text/texts.h"

namespace zelmora {

WatchListStore::WatchListStore(WatcherObserver& observer, std::string disclosureDate) : m_observer(observer)
{
    m_scan.date = std::move(disclosureDate);
}

void WatchListStore::Read(const std::function<void(const WatchList&)>& read) const
{
    const std::lock_guard hold(m_lock);
    read(m_rows);
}

std::size_t WatchListStore::RowCount() const
{
    const std::lock_guard hold(m_lock);
    return m_rows.RowCount();
}

std::string WatchListStore::Cell(std::size_t row, Column column) const
{
    const std::lock_guard hold(m_lock);
    return row < m_rows.RowCount() ? m_rows.Cell(row, column) : std::string();
}

std::string WatchListStore::NameOf(const std::string& code) const
{
    const std::lock_guard hold(m_lock);
    return m_rows.NameOf(code);
}

std::optional<WatchList::Cells> WatchListStore::RowCells(std::size_t row) const
{
    const std::lock_guard hold(m_lock);
    if (row >= m_rows.RowCount())
        return std::nullopt;
    return m_rows.RowCells(row);
}

std::vector<std::string> WatchListStore::Codes() const
{
    const std::lock_guard hold(m_lock);
    std::vector<std::string> codes;
    for (std::size_t row = 0; row < m_rows.RowCount(); ++row)
        codes.push_back(m_rows.Cell(row, ColCode));
    return codes;
}

std::size_t WatchListStore::RowOf(const std::string& code) const
{
    const std::lock_guard hold(m_lock);
    std::size_t row = 0;
    while (row < m_rows.RowCount() && m_rows.Cell(row, ColCode) != code)
        ++row;
    return row;
}

std::vector<StoredRow> WatchListStore::StoredRows() const
{
    const std::lock_guard hold(m_lock);
    return m_rows.StoredRows();
}

AlertThresholds WatchListStore::AlertsOf(std::size_t row) const
{
    const std::lock_guard hold(m_lock);
    return row < m_rows.RowCount() ? m_rows.Alert(row).thresholds : AlertThresholds{};
}

DisclosureScan WatchListStore::Scan() const
{
    const std::lock_guard hold(m_lock);
    return m_scan;
}

void WatchListStore::Edit(EditFrom from, const std::function<bool(WatchList&)>& change)
{
    Replace(from, true, change);
}

void WatchListStore::Load(const std::vector<StoredRow>& rows)
{
    Replace(EditFrom::Owner, false, [&](WatchList& list) {
        list.Load(rows);
        return true;
    });
}

void WatchListStore::DeleteRow(std::size_t row)
{
    Edit(EditFrom::Owner, [row](WatchList& list) {
        list.RemoveRow(row);
        return true;
    });
}

void WatchListStore::DeleteAll()
{
    Edit(EditFrom::Owner, [](WatchList& list) {
        list.Clear();
        return true;
    });
}

void WatchListStore::MoveRow(std::size_t from, std::size_t to)
{
    Edit(EditFrom::Owner, [from, to](WatchList& list) {
        list.MoveRow(from, to);
        return true;
    });
}

void WatchListStore::SetMemo(std::size_t row, const std::string& memo)
{
    Edit(EditFrom::Owner, [&](WatchList& list) {
        if (row >= list.RowCount())
            return false;
        list.SetCell(row, ColMemo, memo);
        return true;
    });
}

bool WatchListStore::SetAlerts(std::size_t row, const AlertThresholds& thresholds)
{
    bool found = false;
    Edit(EditFrom::Owner, [&](WatchList& list) {
        found = row < list.RowCount();
        if (!found || list.Alert(row).thresholds == thresholds)
            return false;
        ChangeThresholds(list.Alert(row), thresholds);
        return true;
    });
    return found;
}

void WatchListStore::ClearAlertMark(std::size_t row)
{
    Replace(EditFrom::Owner, false, [row](WatchList& list) {
        if (row >= list.RowCount() || !list.Alert(row).marked)
            return false;
        list.Alert(row).marked = false;
        return true;
    });
}

// Read under the lock: alert.txt files are small, and only Load calls this.
void WatchListStore::RestoreAlerts(const std::string& date,
                                   const std::function<std::vector<std::string>(const std::string&)>& linesOf)
{
    Replace(EditFrom::Owner, false, [&](WatchList& list) {
        bool marked = false;
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            if (list.Alert(row).thresholds.Any()) {
                RestoreAlertState(list.Alert(row), date, linesOf(list.Cell(row, ColCode)));
                marked = marked || list.Alert(row).marked;
            }
        }
        return marked;
    });
}

void WatchListStore::ClearDisclosures()
{
    Replace(EditFrom::Owner, false, [](WatchList& list) {
        list.ClearDisclosures();
        return true;
    });
}

void WatchListStore::ChooseDisclosureDate(const std::string& date, EditFrom from)
{
    Replace(from, false, [&](WatchList& list) {
        list.ClearDisclosures();
        ++m_scan.count;
        m_scan.date = date;
        return true;
    });
}

std::optional<AlertFiring> WatchListStore::StoreRowQuote(std::size_t row, const std::string& code,
                                                         const QuoteValues& values, const std::string& trend,
                                                         const std::optional<std::string>& alertDate)
{
    const std::lock_guard order(m_reportOrder);
    RowReport report;
    std::optional<AlertFiring> firing;
    {
        const std::lock_guard hold(m_lock);
        if (row >= m_rows.RowCount() || m_rows.Cell(row, ColCode) != code)
            return std::nullopt;
        for (std::size_t i = 0; i < values.size(); ++i)
            m_rows.SetCell(row, kQuoteColumns[i], values[i]);
        m_rows.SetCell(row, ColTrend, trend);
        if (alertDate) {
            RowAlert& alert = m_rows.Alert(row);
            const AlertQuote quote{values[QuoteTime], values[QuotePrice], values[QuoteRate]};
            std::vector<AlertCondition> fired = EvaluateAlert(alert, *alertDate, quote);
            if (!fired.empty())
                firing = AlertFiring{row, code, values[QuoteName], m_rows.Cell(row, ColMarket), quote, alert.thresholds,
                                     std::move(fired)};
        }
        report = RowReportLocked(row);
    }
    m_observer.RowChanged(report);
    return firing;
}

bool WatchListStore::RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code,
                                         const std::string& entryText)
{
    const std::lock_guard order(m_reportOrder);
    RowReport report;
    bool added = false;
    {
        const std::lock_guard hold(m_lock);
        if (scan != m_scan.count || row >= m_rows.RowCount() || m_rows.Cell(row, ColCode) != code)
            return false;
        added = m_rows.AddDisclosure(row, entryText);
        m_rows.SetCell(row, ColDisclosure, texts::Sjis(texts::DisclosureMarker));
        report = RowReportLocked(row);
    }
    m_observer.RowChanged(report);
    return added;
}

// The owner's edits are reported at once, on its thread, and need no order:
// any pass's report still on its way is older and is dropped by its reader.
void WatchListStore::Replace(EditFrom from, bool edited, const std::function<bool(WatchList&)>& change)
{
    std::unique_lock order(m_reportOrder, std::defer_lock);
    if (from == EditFrom::Pass)
        order.lock();
    RowsReport report;
    {
        const std::lock_guard hold(m_lock);
        if (!change(m_rows))
            return;
        report = ListReportLocked();
    }
    m_observer.RowsReplaced(report);
    if (edited)
        m_observer.SettingsEdited();
}

RowsReport WatchListStore::ListReportLocked()
{
    RowsReport report{++m_version, {}, {}};
    for (std::size_t row = 0; row < m_rows.RowCount(); ++row) {
        report.rows.push_back(m_rows.RowCells(row));
        report.alerts.push_back({m_rows.Alert(row).thresholds, m_rows.Alert(row).marked});
    }
    return report;
}

RowReport WatchListStore::RowReportLocked(std::size_t row)
{
    return {row, ++m_version, m_rows.RowCells(row), {m_rows.Alert(row).thresholds, m_rows.Alert(row).marked}};
}

} // namespace zelmora
