#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/disclosure/date_list.h"

using namespace zelmora;

TEST(DateList, MidMonthGoesBackToTheDayAfterTheSameDayOfThePreviousMonth)
{
    const auto dates = DateList(2023, 6, 15); // May has 31 days
    ASSERT_EQ(dates.size(), 31u);
    EXPECT_EQ(dates.front(), "20230615");
    EXPECT_EQ(dates[14], "20230601");
    EXPECT_EQ(dates[15], "20230531");
    EXPECT_EQ(dates.back(), "20230516");

    const auto afterShortMonth = DateList(2023, 5, 15); // April has 30 days
    ASSERT_EQ(afterShortMonth.size(), 30u);
    EXPECT_EQ(afterShortMonth.back(), "20230416");
}

TEST(DateList, FirstOfJanuaryContinuesInDecemberOfThePreviousYear)
{
    const auto dates = DateList(2024, 1, 1);
    ASSERT_EQ(dates.size(), 31u);
    EXPECT_EQ(dates[0], "20240101");
    EXPECT_EQ(dates[1], "20231231");
    EXPECT_EQ(dates.back(), "20231202");
}

TEST(DateList, FirstOfMarchCountsTheRealFebruary)
{
    const auto common = DateList(2023, 3, 1);
    ASSERT_EQ(common.size(), 28u);
    EXPECT_EQ(common[1], "20230228");
    EXPECT_EQ(common.back(), "20230202");

    const auto leap = DateList(2024, 3, 1);
    ASSERT_EQ(leap.size(), 29u);
    EXPECT_EQ(leap[1], "20240229");
    EXPECT_EQ(leap.back(), "20240202");
}

TEST(DateList, EndOfMonthStopsAtThirtyOneEntries)
{
    const auto dates = DateList(2023, 3, 31);
    ASSERT_EQ(dates.size(), 31u);
    EXPECT_EQ(dates.back(), "20230301");

    const auto intoFebruary = DateList(2023, 3, 30);
    ASSERT_EQ(intoFebruary.size(), 31u);
    EXPECT_EQ(intoFebruary.back(), "20230228");
}

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
