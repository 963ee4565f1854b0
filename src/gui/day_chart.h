#pragma once

#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

#include "core/dayrecord/day_record.h"

class QPainter;
class QPen;

namespace zelmora {

// The time axis of every chart of a day: fixed to the session, 9:00 to
// 15:30, so that the shape compares across stocks; the lunch break is a gap
// that no line crosses.
constexpr int kSessionOpen = 9 * 60;
constexpr int kLunchStart = 11 * 60 + 30;
constexpr int kLunchEnd = 12 * 60 + 30;
constexpr int kSessionClose = 15 * 60 + 30;

// Where a minute of the day stands on the axis: 0 at the open, 1 at the close.
double SessionFraction(int minute);
bool OnSessionAxis(int minute);
// Whether the line runs on from one point to the next.
bool LineJoins(int fromMinute, int toMinute);

struct PriceSpan {
    double low = 0;
    double high = 0;
};
// The lowest and highest of the points' prices and of more; nothing when
// there are none.
std::optional<PriceSpan> SpanOf(const std::vector<DayPoint>& points, const std::vector<double>& more);

// The inks the chart and the sparkline share: the line red when the day
// stands at or above the previous close and blue below, as the list's
// cells; the close before the day dashed; the lunch break shaded.
QPen DayLinePen(const std::vector<DayPoint>& points);
QPen PreviousClosePen();
QPen ThresholdPen();
QColor LunchInk();

// Draws the day's price as a line in rect (no axes, no labels): the
// sparkline of the list's tip and the chart share it.
void DrawDayLine(QPainter& painter, const QRectF& rect, const std::vector<DayPoint>& points, PriceSpan span);

// A disclosure of the day on the chart: its time and the history's line.
struct ChartMark {
    int minute = 0;
    QString title;
};

// One stock's day: the price from 9:00 to 15:30, the previous close dashed
// (price minus change), the alert thresholds as lines, the disclosures as
// marks whose titles show in the tip, the volume of each interval as bars
// below, and the times and prices along the axes.
class DayChart : public QWidget {
    Q_OBJECT
public:
    explicit DayChart(QWidget* parent = nullptr);

    void SetDay(std::vector<DayPoint> points, std::vector<ChartMark> marks);
    // The row's alert thresholds; none draws none.
    void SetThresholds(std::vector<double> prices);

    // Where prices are drawn: the top edge of PriceArea() stands for
    // PriceRange().high, the bottom edge for low, and linearly between.
    QRect PriceArea() const;
    PriceSpan PriceRange() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FitRange();
    double X(int minute) const;
    double Y(double price) const;
    QRect VolumeArea() const;
    int LeftMargin() const;
    int PriceDecimals() const;
    void DrawGrid(QPainter& painter) const;
    void DrawLevels(QPainter& painter) const;
    void DrawVolume(QPainter& painter) const;
    void DrawMarks(QPainter& painter) const;
    QString MarkTitlesAt(QPoint at) const;

    std::vector<DayPoint> m_points;
    std::vector<ChartMark> m_marks;
    std::vector<double> m_thresholds;
    std::optional<double> m_previousClose;
    PriceSpan m_range;
    double m_tick = 1;
};

} // namespace zelmora
