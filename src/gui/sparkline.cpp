#include "gui/sparkline.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cmath>

#include "gui/day_chart.h"

namespace zelmora {

QString SparklineTip(const QString& name, const std::vector<DayPoint>& points, const QFontMetrics& metrics,
                     qreal pixelRatio)
{
    const std::optional<double> previousClose = PreviousClose(points);
    std::optional<PriceSpan> span =
        SpanOf(points, previousClose ? std::vector<double>{*previousClose} : std::vector<double>());
    if (!span)
        return {};
    const double room = span->high > span->low ? (span->high - span->low) * 0.1 : 1;
    span = PriceSpan{span->low - room, span->high + room};

    const QSize size(metrics.height() * 9, metrics.height() * 5 / 2);
    QImage picture(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QRectF area(0.5, 0.5, size.width() - 1, size.height() - 1);
    const double lunch = area.left() + SessionFraction(kLunchStart) * area.width();
    painter.fillRect(QRectF(lunch, area.top(), (SessionFraction(kLunchEnd) - SessionFraction(kLunchStart)) * area.width(),
                            area.height()),
                     LunchInk());
    if (previousClose) {
        const double y = area.top() + (span->high - *previousClose) / (span->high - span->low) * area.height();
        painter.setPen(PreviousClosePen());
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(DayLinePen(points));
    DrawDayLine(painter, area, points, *span);
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return QStringLiteral("<nobr>%1</nobr><br><img src=\"data:image/png;base64,%2\" width=\"%3\" height=\"%4\">")
        .arg(name.toHtmlEscaped(), QString::fromLatin1(png.toBase64()))
        .arg(size.width())
        .arg(size.height());
}

} // namespace zelmora
