#include "gui/watch_list_model.h"

#include <array>

#include "gui/sjis_qstring.h"

namespace zelmora {
namespace {

const std::array<const char*, ColumnCount> kColumnTitles = {
    "ｺｰﾄﾞ", "銘柄", "市場", "更新", "現在値", "前日差", "変化率", "出来高", "", "開示情報", "memoφ(．．)"};

} // namespace

WatchListModel::WatchListModel(WatchList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
{
}

int WatchListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.RowCount());
}

int WatchListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.RowCount())
        return {};
    return ToQString(m_list.Cell(static_cast<std::size_t>(index.row()), static_cast<Column>(index.column())));
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kColumnTitles[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void WatchListModel::Reload()
{
    beginResetModel();
    endResetModel();
}

void WatchListModel::RowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DisplayRole});
}

} // namespace zelmora
