#pragma once

#include "core/schedule/clock.h"

namespace zelmora {

// Trading hours of the Tokyo exchange, both ends of each session included:
// 9:00 to 11:30 and 12:30 to 15:30 of a trading day (IsTradingDay).
bool IsMarketOpen(const LocalTime& time);

} // namespace zelmora
