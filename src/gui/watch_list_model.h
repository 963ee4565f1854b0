#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/watcher_observer.h"

namespace zelmora {

// The watch list as the list view shows it: a copy of the watcher's rows,
// kept by the watcher's reports, so painting takes no lock.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WatchListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Empty when there is no such row.
    std::string Cell(int row, Column column) const;
    // The row's alerts as last reported.
    RowAlertView Alert(int row) const;

    // A report older than the rows held is stale, and so is a row report
    // for a row that no longer shows its stock.
    void ReplaceRows(const RowsReport& report);
    void UpdateRow(const RowReport& report);
    // While no quote page answers, the prices shown are old: grey.
    void SetStale(bool stale);
    // A cell's own tip (the name's day line, the disclosure column's
    // figures), asked when shown.
    using CellTip = std::function<QString(int row, const std::string& code, Column column)>;
    void SetCellTip(CellTip tip) { m_cellTip = std::move(tip); }

private:
    QVariant AlertData(std::size_t row, Column column, int role) const;

    std::vector<WatchList::Cells> m_rows;
    std::vector<RowAlertView> m_alerts; // one per row
    std::uint64_t m_version = 0;
    bool m_stale = false;
    CellTip m_cellTip;
};

} // namespace zelmora
