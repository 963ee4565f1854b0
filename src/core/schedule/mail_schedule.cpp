#include "core/schedule/mail_schedule.h"

#include "core/schedule/market_hours.h"
#include "core/settings/settings.h"

namespace zelmora {
namespace {

bool IsClosingHour(const LocalTime& t)
{
    return t.hour == 11 || t.hour == 15;
}

} // namespace

CloseMailStep MarketCloseMailStep(const LocalTime& now)
{
    if (!IsClosingHour(now))
        return {false, kMarketCloseIdlePeriod};
    if (now.minute >= 20 && now.minute <= 29)
        return {false, kMarketCloseWatchPeriod};
    return {IsMarketOpen(now), kMarketCloseIdlePeriod};
}

std::chrono::milliseconds MarketCloseMailStartPeriod(const LocalTime& now)
{
    return IsClosingHour(now) ? kMarketCloseWatchPeriod : kMarketCloseIdlePeriod;
}

CloseMailArming MarketCloseMailArmingAtConfirm(const LocalTime& now)
{
    if (!IsClosingHour(now))
        return {kMarketCloseIdlePeriod, false};
    return {kMarketCloseWatchPeriod, now.minute > 10};
}

std::chrono::milliseconds PriceMailPeriod(int intervalMinutes)
{
    return PriceMailMinutes(intervalMinutes) * kPriceMailPeriodPerMinute;
}

} // namespace zelmora
