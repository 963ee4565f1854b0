#include "gui/day_chart_window.h"

#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

#include "core/dayrecord/day_record.h"
#include "core/disclosure/history_line.h"
#include "gui/art.h"
#include "gui/day_chart.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

// The page shows an index with two decimals and a stock's price with none
// or one; the record keeps what it showed.
QString Number(double value, bool sign)
{
    const int decimals = value == std::floor(value) ? 0 : 2;
    const QString text = QLocale(QLocale::English).toString(value, 'f', decimals);
    return sign && value > 0 ? QLatin1Char('+') + text : text;
}

QString DateText(const std::string& date)
{
    const QString d = QString::fromStdString(date);
    return d.size() == 8 ? QStringLiteral("%1/%2/%3").arg(d.left(4), d.mid(4, 2), d.mid(6, 2)) : d;
}

// Each line of the history begins with the disclosure's time, "HH:MM ".
std::vector<ChartMark> Marks(const StockDisclosures& stock)
{
    std::vector<ChartMark> marks;
    for (const HistoryEntry& entry : ReadStockHistory(stock)) {
        if (const std::optional<int> minute = PageMinute(std::string_view(entry.caption).substr(0, 5)))
            marks.push_back({*minute, ToQString(entry.caption)});
    }
    return marks;
}

} // namespace

DayChartWindow::DayChartWindow(Stock stock, std::string date, QWidget* parent)
    : QWidget(parent, Qt::Window), m_stock(std::move(stock)), m_date(std::move(date))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("dayChartWindow"));
    setFont(DialogFont());
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("チャート - %1 (%2)").arg(m_stock.name, QString::fromStdString(m_stock.code)));
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("chartHeaderLabel"));
    m_chart = new DayChart(this);
    m_chart->setObjectName(QStringLiteral("dayChart"));
    auto* layout = new QVBoxLayout(this);
    const DialogUnits units(font());
    layout->setContentsMargins(units.X(4), units.Y(3), units.X(4), units.Y(4));
    layout->setSpacing(units.Y(2));
    layout->addWidget(m_header);
    layout->addWidget(m_chart, 1);
    Reload();
}

void DayChartWindow::ShowDate(std::string date)
{
    m_date = std::move(date);
    Reload();
}

void DayChartWindow::Reload()
{
    std::vector<DayPoint> points = ReadDayRecord(DayRecordPath(m_stock.programFolder, m_date, m_stock.code));
    QString header = QStringLiteral("%1 (%2)   %3").arg(m_stock.name, QString::fromStdString(m_stock.code), DateText(m_date));
    if (!points.empty()) {
        const DayPoint& last = points.back();
        header += QStringLiteral("   %1:%2  %3").arg(last.minute / 60).arg(last.minute % 60, 2, 10, QLatin1Char('0')).arg(Number(last.price, false));
        if (last.change)
            header += QStringLiteral(" (%1)").arg(Number(*last.change, true));
    }
    m_header->setText(header);
    m_chart->SetDay(std::move(points), Marks({m_stock.programFolder, m_date, m_stock.code, false, {}, m_stock.listBase}));
}

void DayChartWindow::SetThresholds(std::vector<double> prices)
{
    m_chart->SetThresholds(std::move(prices));
}

} // namespace zelmora
