#include <gtest/gtest.h>

#include "core/schedule/market_hours.h"

using zelmora::IsMarketOpen;
using zelmora::LocalTime;

namespace {

// A day of December 2026, whose 6th is a Sunday.
LocalTime At(int day, int hour, int minute)
{
    return {2026, 12, day, hour, minute, 0, (day + 1) % 7};
}

constexpr int kFriday = 4; // 4 December 2026

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

TEST(IsMarketOpen, WeekendsHolidaysAndTheYearEndAreClosed)
{
    EXPECT_FALSE(IsMarketOpen(At(5, 10, 0))); // Saturday
    EXPECT_FALSE(IsMarketOpen(At(6, 10, 0))); // Sunday
    for (int day = 7; day <= 11; ++day)
        EXPECT_TRUE(IsMarketOpen(At(day, 10, 0))) << day;
    EXPECT_TRUE(IsMarketOpen(At(30, 15, 30)));  // the last session of the year
    EXPECT_FALSE(IsMarketOpen(At(31, 10, 0))); // a Thursday, closed for the year end
    EXPECT_FALSE(IsMarketOpen({2026, 11, 23, 10, 0, 0, 1})); // 勤労感謝の日, a Monday
}
