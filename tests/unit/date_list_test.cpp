#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/disclosure/date_list.h"

using namespace zelmora;

// The sweep at the end covers the years 2023 and 2024 day by day.
TEST(DateList, CenturyLeapYears)
{
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DateList(2000, 3, 1)[1], "20000229");
    EXPECT_EQ(DateList(1900, 3, 1)[1], "19000228");
    EXPECT_EQ(DaysInMonth(2023, 4), 30);
    EXPECT_EQ(DaysInMonth(2023, 12), 31);
}

TEST(DateList, EveryDayOfTwoYearsListsConsecutiveDaysBackToTheSameDayOfThePreviousMonth)
{
    using namespace std::chrono;
    for (sys_days day = 2023y / January / 1; day <= sys_days(2024y / December / 31); day += days(1)) {
        const year_month_day today(day);
        const year_month_day sameDayBefore = today - months(1);
        const auto y = static_cast<int>(today.year());
        const auto m = static_cast<int>(static_cast<unsigned>(today.month()));
        const auto d = static_cast<int>(static_cast<unsigned>(today.day()));
        // A month shorter than today's date has no same day: the list is full.
        const auto expected = sameDayBefore.ok() ? (day - sys_days(sameDayBefore)).count() : 31;
        const std::vector<std::string> dates = DateList(y, m, d);
        ASSERT_EQ(static_cast<long>(dates.size()), expected) << dates.front();
        for (std::size_t i = 0; i < dates.size(); ++i) {
            const year_month_day listed(day - days(i));
            ASSERT_EQ(dates[i], FormatDate(static_cast<int>(listed.year()), static_cast<int>(static_cast<unsigned>(listed.month())),
                                           static_cast<int>(static_cast<unsigned>(listed.day()))))
                << dates.front();
        }
    }
}
