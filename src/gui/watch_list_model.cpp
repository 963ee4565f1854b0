#include "gui/watch_list_model.h"

#include <QApplication>
#include <QColor>
#include <QStringList>
#include <QPalette>

#include <algorithm>
#include <array>

#include "core/watch/cell_ink.h"

#include "session/sjis_qstring.h"

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

WatchListModel::WatchListModel(QObject* parent) : QAbstractTableModel(parent) {}

int WatchListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

// A fired alert makes the price cell stand out until the row is selected;
// the trend cell's tip names a row's thresholds.
QVariant WatchListModel::AlertData(std::size_t row, Column column, int role) const
{
    const RowAlertView& alert = m_alerts[row];
    if (role == Qt::BackgroundRole && column == ColPrice && alert.fired)
        return QColor(255, 230, 90);
    if (role == Qt::ForegroundRole && column == ColPrice && alert.fired)
        return QColor(0, 0, 0);
    if (role != Qt::ToolTipRole || column != ColTrend || !alert.thresholds.Any())
        return {};
    QStringList parts;
    for (std::size_t i = 0; i < kAlertConditionCount; ++i) {
        const auto c = static_cast<AlertCondition>(i);
        const auto value = alert.thresholds.Of(c);
        if (value)
            parts << ToQString(AlertLabel(c)) + QLatin1Char(' ') + QString::fromStdString(FormatAlertNumber(*value, true))
                         + (c == AlertCondition::Rate ? QStringLiteral("%") : QString());
    }
    return QStringLiteral("アラート: ") + parts.join(QStringLiteral(" / "));
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const
{
    const bool alertRole = role == Qt::BackgroundRole || role == Qt::ToolTipRole;
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ForegroundRole && !alertRole))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<Column>(index.column());
    if (row >= m_rows.size() || column >= ColumnCount)
        return {};
    if (role == Qt::ToolTipRole && column != ColTrend) {
        const std::string& code = m_rows[row][ColCode];
        return m_cellTip && !code.empty() && !m_rows[row][column].empty() ? m_cellTip(static_cast<int>(row), code, column) : QVariant();
    }
    if (alertRole || (role == Qt::ForegroundRole && m_alerts[row].fired && column == ColPrice))
        return AlertData(row, column, role);
    if (role == Qt::ForegroundRole && m_stale)
        return QColor(Qt::gray);
    if (role == Qt::DisplayRole)
        return ToQString(m_rows[row][column]);
    return InkColour(CellInkAt(m_rows[row], column));
}

std::string WatchListModel::Cell(int row, Column column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    return m_rows[static_cast<std::size_t>(row)][column];
}

RowAlertView WatchListModel::Alert(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_alerts.size())
        return {};
    return m_alerts[static_cast<std::size_t>(row)];
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

void WatchListModel::ReplaceRows(const RowsReport& report)
{
    if (report.version <= m_version)
        return;
    m_version = report.version;
    // The same stocks in the same order keep the view's selection.
    const auto sameStock = [](const WatchList::Cells& a, const WatchList::Cells& b) { return a[ColCode] == b[ColCode]; };
    std::vector<RowAlertView> alerts = report.alerts;
    alerts.resize(report.rows.size());
    if (!m_rows.empty() && std::equal(m_rows.begin(), m_rows.end(), report.rows.begin(), report.rows.end(), sameStock)) {
        m_rows = report.rows;
        m_alerts = std::move(alerts);
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = report.rows;
    m_alerts = std::move(alerts);
    endResetModel();
}

void WatchListModel::UpdateRow(const RowReport& report)
{
    if (report.version <= m_version || report.row >= m_rows.size() || m_rows[report.row][ColCode] != report.cells[ColCode])
        return;
    m_version = report.version;
    m_rows[report.row] = report.cells;
    m_alerts[report.row] = report.alert;
    const int row = static_cast<int>(report.row);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void WatchListModel::SetStale(bool stale)
{
    if (stale == m_stale)
        return;
    m_stale = stale;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

} // namespace zelmora
