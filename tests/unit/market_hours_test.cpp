#include <gtest/gtest.h>

#include <ctime>

#include "core/disclosure/date_list.h"
#include "core/schedule/mail_schedule.h"
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
    EXPECT_TRUE(IsMarketOpen(At(7, 10, 0)));
    EXPECT_TRUE(IsMarketOpen(At(30, 15, 30)));  // the last session of the year
    EXPECT_FALSE(IsMarketOpen(At(31, 10, 0))); // a Thursday, closed for the year end
    EXPECT_FALSE(IsMarketOpen({2026, 11, 23, 10, 0, 0, 1})); // 勤労感謝の日, a Monday
}

// Fixed instants through Tokyo's clock and the schedule; CTest runs these
// again with TZ set to UTC and to New York.
TEST(TokyoTime, InstantsDecideTheScheduleByJapanTime)
{
    const struct { std::time_t instant; const char* tokyo; bool open, closeMail; } moments[] = {
        {1796601600, "20261207 09:00 1", true, false},   // 00:00 UTC; yyyymmdd HH:MM weekday
        {1796625000, "20261207 15:30 1", true, true},    // the close
        {1796569199, "20261206 23:59 0", false, false},  // a second before midnight
        {1796569200, "20261207 00:00 1", false, false},
        {1795395600, "20261123 10:00 1", false, false},  // 勤労感謝の日
        {1772978400, "20260308 23:00 0", false, false},  // New York's clocks went forward that day
    };
    for (const auto& m : moments) {
        const LocalTime t = zelmora::TokyoTimeAt(m.instant);
        EXPECT_EQ(zelmora::FormatDate(t) + " " + zelmora::HourMinute(t) + " " + std::to_string(t.weekday), m.tokyo);
        EXPECT_EQ(IsMarketOpen(t), m.open) << m.tokyo;
        EXPECT_EQ(zelmora::MarketCloseMailStep(t).sendMail, m.closeMail) << m.tokyo;
    }
    // The system clock is Tokyo's too.
    const std::time_t before = std::time(nullptr);
    const std::string now = zelmora::HourMinute(zelmora::SystemClock().Now());
    EXPECT_TRUE(now == zelmora::HourMinute(zelmora::TokyoTimeAt(before)) ||
                now == zelmora::HourMinute(zelmora::TokyoTimeAt(std::time(nullptr))));
}
