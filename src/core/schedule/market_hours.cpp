#include "core/schedule/market_hours.h"

#include "core/schedule/trading_calendar.h"

namespace zelmora {

bool IsMarketOpen(const LocalTime& t)
{
    if (!IsTradingDay(t.year, t.month, t.day))
        return false;
    switch (t.hour) {
    case 9:
    case 10:
    case 13:
    case 14:
        return true;
    case 11:
    case 15:
        return t.minute <= 30;
    case 12:
        return t.minute >= 30;
    default:
        return false;
    }
}

} // namespace zelmora
