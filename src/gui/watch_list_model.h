#pragma once

#include <QAbstractTableModel>

#include "core/engine/watcher.h"

namespace zelmora {

// Shows the watcher's watch list in the list view; the watcher stays the one
// place where rows live.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    WatchListModel(const Watcher& watcher, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Call after rows were loaded, added, moved or removed.
    void Reload();
    // Call after cells of a row changed.
    void RowChanged(int row);
    // While no quote page answers, the prices shown are old: grey.
    void SetStale(bool stale);

private:
    const Watcher& m_watcher;
    bool m_stale = false;
};

} // namespace zelmora
