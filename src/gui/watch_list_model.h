#pragma once

#include <QAbstractTableModel>

#include "core/watch/watch_list.h"

namespace zelmora {

// Shows the core watch list in the list view; the list itself stays the one
// place where rows live.
class WatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    WatchListModel(WatchList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Call after rows were loaded, added or removed behind the model's back.
    void Reload();
    // Call after cells of a row changed.
    void RowChanged(int row);

private:
    WatchList& m_list;
};

} // namespace zelmora
