#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>

#include "core/schedule/trading_calendar.h"

using namespace zelmora;

namespace {

// The holidays and days off of a year as the Cabinet Office publishes them,
// "MM-DD", whatever the day of the week.
struct PublishedYear {
    int year;
    std::set<std::string> holidays;
};

const PublishedYear kPublished[] = {
    {2019, {"01-01", "01-14", "02-11", "03-21", "04-29", "04-30", "05-01", "05-02", "05-03", "05-04", "05-05",
            "05-06", "07-15", "08-11", "08-12", "09-16", "09-23", "10-14", "10-22", "11-03", "11-04", "11-23"}},
    {2020, {"01-01", "01-13", "02-11", "02-23", "02-24", "03-20", "04-29", "05-03", "05-04", "05-05", "05-06",
            "07-23", "07-24", "08-10", "09-21", "09-22", "11-03", "11-23"}},
    {2021, {"01-01", "01-11", "02-11", "02-23", "03-20", "04-29", "05-03", "05-04", "05-05", "07-22", "07-23",
            "08-08", "08-09", "09-20", "09-23", "11-03", "11-23"}},
    {2025, {"01-01", "01-13", "02-11", "02-23", "02-24", "03-20", "04-29", "05-03", "05-04", "05-05", "05-06",
            "07-21", "08-11", "09-15", "09-23", "10-13", "11-03", "11-23", "11-24"}},
    {2026, {"01-01", "01-12", "02-11", "02-23", "03-20", "04-29", "05-03", "05-04", "05-05", "05-06", "07-20",
            "08-11", "09-21", "09-22", "09-23", "10-12", "11-03", "11-23"}},
    {2027, {"01-01", "01-11", "02-11", "02-23", "03-21", "03-22", "04-29", "05-03", "05-04", "05-05", "07-19",
            "08-11", "09-20", "09-23", "10-11", "11-03", "11-23"}},
};

// The exchange's own closed days besides them.
const std::set<std::string> kYearEnd = {"01-01", "01-02", "01-03", "12-31"};

std::string MonthDay(int month, int day)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d-%02d", month, day);
    return text;
}

} // namespace

// Every day of each year: a holiday exactly when the published list has it,
// and a trading day exactly when it is neither a weekend, nor a holiday, nor
// a year-end day.
TEST(TradingCalendar, EveryDayOfThePublishedYears)
{
    using namespace std::chrono;
    for (const PublishedYear& published : kPublished) {
        for (sys_days d = sys_days(year(published.year) / January / 1); d <= sys_days(year(published.year) / December / 31);
             d += days(1)) {
            const year_month_day date(d);
            const int m = static_cast<int>(static_cast<unsigned>(date.month()));
            const int day = static_cast<int>(static_cast<unsigned>(date.day()));
            const std::string name = std::to_string(published.year) + "-" + MonthDay(m, day);
            const bool weekend = weekday(d) == Saturday || weekday(d) == Sunday;
            const bool holiday = published.holidays.contains(MonthDay(m, day));
            const bool closed = weekend || holiday || kYearEnd.contains(MonthDay(m, day));
            EXPECT_EQ(IsJapaneseHoliday(published.year, m, day), holiday) << name;
            EXPECT_EQ(IsTradingDay(published.year, m, day), !closed) << name;
            EXPECT_EQ(WeekdayOf(published.year, m, day), static_cast<int>(weekday(d).c_encoding())) << name;
        }
    }
}

// The year-end closing past the published years.
TEST(TradingCalendar, YearEndDays)
{
    EXPECT_TRUE(IsTradingDay(2027, 12, 30));
    EXPECT_FALSE(IsTradingDay(2028, 1, 3));
    EXPECT_TRUE(IsTradingDay(2028, 1, 4));
}

// Rules of earlier years: fixed dates before the Monday holidays, the older
// rule for a holiday on a Sunday, a day between two holidays, a one-off day.
TEST(TradingCalendar, RulesOfEarlierYears)
{
    const struct {
        int year, month, day;
        bool holiday;
    } days[] = {
        {1999, 1, 15, true},  {1999, 1, 11, false}, {1998, 7, 20, true},  {2002, 9, 16, true},
        {2002, 9, 15, true},  {1999, 10, 10, true}, {2008, 5, 6, true},   {2009, 9, 22, true},
        {2015, 9, 22, true},  {2018, 12, 23, true}, {2018, 12, 24, true}, {2019, 12, 23, false},
        {1990, 11, 12, true}, {2006, 5, 4, true},   {2016, 8, 11, true},  {2015, 8, 11, false},
    };
    for (const auto& d : days)
        EXPECT_EQ(IsJapaneseHoliday(d.year, d.month, d.day), d.holiday) << d.year << "-" << d.month << "-" << d.day;
    EXPECT_FALSE(IsTradingDay(2026, 2, 30));
}

// A date that does not exist is no trading day and no holiday, also when its
// month or day would wrap in a narrower type to one that does.
TEST(TradingCalendar, DatesThatDoNotExist)
{
    const struct {
        int year, month, day;
    } days[] = {
        {2021, 1, 260}, {2021, 257, 6}, {2021, 257, 1}, {67557, 1, 6}, {2021, 1, 0}, {2021, 0, 6},
        {2021, 13, 6},  {2021, 2, 29},  {2021, 2, 30},  {2021, 4, 31}, {2021, -1, 6}, {2021, 1, -250},
    };
    for (const auto& d : days) {
        EXPECT_FALSE(IsTradingDay(d.year, d.month, d.day)) << d.year << "-" << d.month << "-" << d.day;
        EXPECT_FALSE(IsJapaneseHoliday(d.year, d.month, d.day)) << d.year << "-" << d.month << "-" << d.day;
    }
}
