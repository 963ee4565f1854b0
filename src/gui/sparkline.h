#pragma once

#include <QString>

#include <vector>

#include "core/dayrecord/day_record.h"

class QFontMetrics;

namespace zelmora {

// The list's tip for a stock's name: the name whole and, under it, the day's
// line as a small picture on the chart's time axis with the previous close
// dashed. Rich text with the picture in it; empty when the day has no
// points to draw.
QString SparklineTip(const QString& name, const std::vector<DayPoint>& points, const QFontMetrics& metrics,
                     qreal pixelRatio);

} // namespace zelmora
