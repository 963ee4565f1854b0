#include "gui/watch_list_model.h"

#include <QApplication>
#include <QColor>
#include <QPalette>

#include <array>

#include "core/watch/cell_ink.h"

#include "gui/sjis_qstring.h"

namespace zelmora {
namespace {

const std::array<const char*, ColumnCount> kColumnTitles = {
    "ｺｰﾄﾞ", "銘柄", "市場", "更新", "現在値", "前日差", "変化率", "出来高", "", "開示情報", "memoφ(．．)"};

QVariant InkColour(CellInk ink)
{
    switch (ink) {
    case CellInk::Rise:
        return QColor(255, 20, 20);
    case CellInk::Fall:
        return QColor(20, 20, 255);
    case CellInk::Black:
        return QColor(0, 0, 0);
    case CellInk::WindowText:
        return QApplication::palette().color(QPalette::WindowText);
    case CellInk::ListDefault:
        break;
    }
    return {};
}

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
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.RowCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<Column>(index.column());
    if (role == Qt::DisplayRole)
        return ToQString(m_list.Cell(row, column));
    if (role == Qt::ForegroundRole)
        return InkColour(CellInkAt(m_list.RowCells(row), column));
    return {};
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
