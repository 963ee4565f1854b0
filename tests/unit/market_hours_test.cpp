#include <gtest/gtest.h>

#include "core/schedule/market_hours.h"

using zelmora::IsMarketOpen;
using zelmora::LocalTime;

namespace {

LocalTime At(int weekday, int hour, int minute)
{
    return {2026, 12, 4, hour, minute, 0, weekday};
}

constexpr int kFriday = 5;

} // namespace

TEST(IsMarketOpen, SessionBoundsAreIncluded)
{
    EXPECT_FALSE(IsMarketOpen(At(kFriday, 8, 59)));
    EXPECT_TRUE(IsMarketOpen(At(kFriday, 9, 0)));
    EXPECT_TRUE(IsMarketOpen(At(kFriday, 11, 30)));
    EXPECT_FALSE(IsMarketOpen(At(kFriday, 11, 31)));
    EXPECT_FALSE(IsMarketOpen(At(kFriday, 12, 29)));
    EXPECT_TRUE(IsMarketOpen(At(kFriday, 12, 30)));
    EXPECT_TRUE(IsMarketOpen(At(kFriday, 14, 59)));
    EXPECT_TRUE(IsMarketOpen(At(kFriday, 15, 30)));
    EXPECT_FALSE(IsMarketOpen(At(kFriday, 15, 31)));
    EXPECT_FALSE(IsMarketOpen(At(kFriday, 16, 0)));
}

TEST(IsMarketOpen, WeekendsAreClosedWeekdaysOpen)
{
    EXPECT_FALSE(IsMarketOpen(At(6, 10, 0))); // Saturday
    EXPECT_FALSE(IsMarketOpen(At(0, 10, 0))); // Sunday
    for (int weekday = 1; weekday <= 5; ++weekday)
        EXPECT_TRUE(IsMarketOpen(At(weekday, 10, 0))) << weekday;
}
