#include "gui/day_chart.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace zelmora {
namespace {

// The list's inks: a rise red, a fall blue.
const QColor kRiseInk(220, 20, 20);
const QColor kFallInk(20, 20, 220);
const QColor kPreviousCloseInk(90, 90, 90);
const QColor kThresholdInk(230, 110, 0);
const QColor kVolumeInk(110, 140, 190);
const QColor kMarkInk(240, 190, 0);
const QColor kLunchInk(128, 128, 128, 40);
const QColor kGridInk(128, 128, 128, 70);

// Labels on the time axis; 12:00 stands in the lunch break.
constexpr int kFirstHourLabel = 9;
constexpr int kLastHourLabel = 15;

// A volume bar covers at most this many minutes before its point.
constexpr int kVolumeBarMinutes = 5;

// About four price lines over the range, at 1, 2, 2.5 or 5 times a power of ten.
double NiceStep(double range)
{
    const double rough = range / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 2.5, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

QString PriceText(double price, int decimals)
{
    return QLocale(QLocale::English).toString(price, 'f', decimals);
}

} // namespace

double SessionFraction(int minute)
{
    return static_cast<double>(minute - kSessionOpen) / (kSessionClose - kSessionOpen);
}

QPen DayLinePen(const std::vector<DayPoint>& points)
{
    const std::optional<double> previousClose = PreviousClose(points);
    const bool fall = previousClose && !points.empty() && points.back().price < *previousClose;
    return QPen(fall ? kFallInk : kRiseInk, 1.5);
}

QPen PreviousClosePen()
{
    return QPen(kPreviousCloseInk, 1, Qt::DashLine);
}

QPen ThresholdPen()
{
    return QPen(kThresholdInk, 1);
}

QColor LunchInk()
{
    return kLunchInk;
}

bool OnSessionAxis(int minute)
{
    return minute >= kSessionOpen && minute <= kSessionClose && (minute <= kLunchStart || minute >= kLunchEnd);
}

bool LineJoins(int fromMinute, int toMinute)
{
    return OnSessionAxis(fromMinute) && OnSessionAxis(toMinute) && (fromMinute >= kLunchEnd || toMinute <= kLunchStart);
}

std::optional<PriceSpan> SpanOf(const std::vector<DayPoint>& points, const std::vector<double>& more)
{
    std::optional<PriceSpan> span;
    const auto take = [&](double price) {
        span = span ? PriceSpan{std::min(span->low, price), std::max(span->high, price)} : PriceSpan{price, price};
    };
    for (const DayPoint& point : points) {
        if (OnSessionAxis(point.minute))
            take(point.price);
    }
    for (double price : more)
        take(price);
    return span;
}

void DrawDayLine(QPainter& painter, const QRectF& rect, const std::vector<DayPoint>& points, PriceSpan span)
{
    const auto at = [&](const DayPoint& point) {
        const double height = span.high > span.low ? (span.high - point.price) / (span.high - span.low) : 0.5;
        return QPointF(rect.left() + SessionFraction(point.minute) * rect.width(), rect.top() + height * rect.height());
    };
    QPainterPath path;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!OnSessionAxis(points[i].minute))
            continue;
        const bool joined = i > 0 && LineJoins(points[i - 1].minute, points[i].minute);
        const bool joinsNext = i + 1 < points.size() && LineJoins(points[i].minute, points[i + 1].minute);
        if (joined)
            path.lineTo(at(points[i]));
        else
            path.moveTo(at(points[i]));
        if (!joined && !joinsNext) // a lone point still shows
            path.addEllipse(at(points[i]), 1.5, 1.5);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

DayChart::DayChart(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetDay({}, {});
}

void DayChart::SetDay(std::vector<DayPoint> points, std::vector<ChartMark> marks)
{
    m_points = std::move(points);
    m_marks = std::move(marks);
    m_previousClose = PreviousClose(m_points);
    FitRange();
}

void DayChart::SetThresholds(std::vector<double> prices)
{
    m_thresholds = std::move(prices);
    FitRange();
}

// The range covers the day, the close before it and the thresholds, with a
// little room, and ends on price lines.
void DayChart::FitRange()
{
    std::vector<double> levels = m_thresholds;
    if (m_previousClose)
        levels.push_back(*m_previousClose);
    PriceSpan span = SpanOf(m_points, levels).value_or(PriceSpan{0, 1});
    const double room = span.high > span.low ? (span.high - span.low) * 0.08 : std::max(1.0, span.high * 0.01);
    span = {span.low - room, span.high + room};
    m_tick = NiceStep(span.high - span.low);
    m_range = {std::floor(span.low / m_tick) * m_tick, std::ceil(span.high / m_tick) * m_tick};
    if (m_range.low < 0 && span.low >= 0)
        m_range.low = 0;
    update();
}

PriceSpan DayChart::PriceRange() const
{
    return m_range;
}

int DayChart::PriceDecimals() const
{
    int decimals = 0;
    for (double step = m_tick; decimals < 4 && std::fabs(step - std::round(step)) > 1e-6; step *= 10)
        ++decimals;
    return decimals;
}

int DayChart::LeftMargin() const
{
    const QFontMetrics metrics = fontMetrics();
    int widest = metrics.horizontalAdvance(QStringLiteral("9:00")) / 2;
    for (double price = m_range.low; price <= m_range.high + m_tick / 2; price += m_tick)
        widest = std::max(widest, metrics.horizontalAdvance(PriceText(price, PriceDecimals())));
    return widest + metrics.height() / 2;
}

QRect DayChart::PriceArea() const
{
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const int left = LeftMargin();
    const int right = std::max(line, metrics.horizontalAdvance(QStringLiteral("15:00")) / 2);
    const int top = line / 2 + 1;
    const int plots = height() - top - line - line / 2; // the time labels below
    const int volume = std::max(2 * line, plots / 4);
    return QRect(left, top, std::max(1, width() - left - right), std::max(1, plots - volume - line / 2));
}

QRect DayChart::VolumeArea() const
{
    const QRect prices = PriceArea();
    const int line = fontMetrics().height();
    const int plots = height() - prices.top() - line - line / 2;
    const int volume = std::max(2 * line, plots / 4);
    return QRect(prices.left(), prices.bottom() + 1 + line / 2, prices.width(), volume);
}

double DayChart::X(int minute) const
{
    const QRect area = PriceArea();
    return area.left() + std::clamp(SessionFraction(minute), 0.0, 1.0) * area.width();
}

double DayChart::Y(double price) const
{
    const QRect area = PriceArea();
    return area.top() + (m_range.high - price) / (m_range.high - m_range.low) * area.height();
}

QSize DayChart::sizeHint() const
{
    const int line = fontMetrics().height();
    return {line * 42, line * 24};
}

QSize DayChart::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    return {line * 20, line * 12};
}

void DayChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    DrawGrid(painter);
    DrawVolume(painter);
    DrawLevels(painter);
    if (m_points.empty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(PriceArea(), Qt::AlignCenter, QStringLiteral("この日の株価の記録はありません"));
    } else {
        painter.setPen(DayLinePen(m_points));
        DrawDayLine(painter, PriceArea(), m_points, m_range);
    }
    DrawMarks(painter);
}

// The lunch break shaded, price lines and hours, the frames, and the labels.
void DayChart::DrawGrid(QPainter& painter) const
{
    const QRect prices = PriceArea();
    const QRect volume = VolumeArea();
    const int line = fontMetrics().height();
    for (const QRect& area : {prices, volume}) {
        const QRectF lunch(X(kLunchStart), area.top(), X(kLunchEnd) - X(kLunchStart), area.height());
        painter.fillRect(lunch, kLunchInk);
    }
    const QColor text = palette().color(QPalette::Text);
    for (double price = m_range.low; price <= m_range.high + m_tick / 2; price += m_tick) {
        const int y = static_cast<int>(std::lround(Y(price)));
        painter.setPen(kGridInk);
        painter.drawLine(prices.left(), y, prices.right(), y);
        painter.setPen(text);
        painter.drawText(QRect(0, y - line / 2, prices.left() - line / 4, line), Qt::AlignRight | Qt::AlignVCenter,
                         PriceText(price, PriceDecimals()));
    }
    for (int hour = kFirstHourLabel; hour <= kLastHourLabel; ++hour) {
        const int x = static_cast<int>(std::lround(X(hour * 60)));
        painter.setPen(kGridInk);
        painter.drawLine(x, prices.top(), x, prices.bottom());
        painter.drawLine(x, volume.top(), x, volume.bottom());
        painter.setPen(text);
        const QString label = QStringLiteral("%1:00").arg(hour);
        const int half = fontMetrics().horizontalAdvance(label) / 2 + 1;
        painter.drawText(QRect(x - half, volume.bottom() + 1 + line / 4, 2 * half, line), Qt::AlignCenter, label);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(prices.adjusted(0, 0, -1, -1));
    painter.drawRect(volume.adjusted(0, 0, -1, -1));
}

// The previous close dashed, each threshold solid, across the whole day.
void DayChart::DrawLevels(QPainter& painter) const
{
    const QRect area = PriceArea();
    const auto level = [&](double price, const QPen& pen) {
        const int y = static_cast<int>(std::lround(Y(price)));
        painter.setPen(pen);
        painter.drawLine(area.left(), y, area.right(), y);
    };
    if (m_previousClose)
        level(*m_previousClose, PreviousClosePen());
    for (double threshold : m_thresholds)
        level(threshold, ThresholdPen());
}

// The page gives the day's volume so far: a bar is what traded since the
// point before; the first point of the day has none.
void DayChart::DrawVolume(QPainter& painter) const
{
    const QRect area = VolumeArea();
    double most = 0;
    for (std::size_t i = 1; i < m_points.size(); ++i) {
        if (m_points[i].volume && m_points[i - 1].volume)
            most = std::max(most, *m_points[i].volume - *m_points[i - 1].volume);
    }
    if (most <= 0)
        return;
    for (std::size_t i = 1; i < m_points.size(); ++i) {
        const DayPoint& point = m_points[i];
        const DayPoint& before = m_points[i - 1];
        if (!point.volume || !before.volume || !OnSessionAxis(point.minute) || *point.volume <= *before.volume)
            continue;
        int from = std::max(before.minute, point.minute - kVolumeBarMinutes);
        if (point.minute >= kLunchEnd)
            from = std::max(from, kLunchEnd);
        // Bars wide enough keep a gap between them.
        const double left = X(from);
        const double width = X(point.minute) - left;
        const double barWidth = width > 2 ? width - 1 : std::max(1.0, width);
        const double barHeight = (*point.volume - *before.volume) / most * (area.height() - 2);
        painter.fillRect(QRectF(left, area.bottom() - barHeight, barWidth, barHeight), kVolumeInk);
    }
}

// A small triangle on the price frame's foot; one outside the session
// stands at the nearer end.
void DayChart::DrawMarks(QPainter& painter) const
{
    const QRect area = PriceArea();
    const double size = fontMetrics().height() / 2.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kMarkInk.darker(160), 1));
    painter.setBrush(kMarkInk);
    for (const ChartMark& mark : m_marks) {
        const double x = X(mark.minute);
        const QPointF corners[] = {{x, area.bottom() - size}, {x - size / 1.6, double(area.bottom())},
                                   {x + size / 1.6, double(area.bottom())}};
        painter.drawPolygon(corners, 3);
    }
    painter.restore();
}

QString DayChart::MarkTitlesAt(QPoint at) const
{
    const QRect area = PriceArea();
    const int reach = fontMetrics().height() / 2 + 2;
    if (std::abs(at.y() - (area.bottom() - reach / 2)) > reach)
        return {};
    // Titles come from the listing pages: shown as text, never as markup.
    QStringList titles;
    for (const ChartMark& mark : m_marks) {
        if (std::abs(X(mark.minute) - at.x()) <= reach)
            titles << QStringLiteral("<nobr>%1</nobr>").arg(mark.title.toHtmlEscaped());
    }
    return titles.join(QStringLiteral("<br>"));
}

bool DayChart::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString titles = MarkTitlesAt(help->pos());
    if (titles.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), titles, this);
    return true;
}

} // namespace zelmora
