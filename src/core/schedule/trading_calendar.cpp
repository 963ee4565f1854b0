#include "core/schedule/trading_calendar.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>

namespace zelmora {
namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr unsigned kSunday = 0;
constexpr unsigned kMonday = 1;

year_month_day Date(int year, int month, int day)
{
    return {std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
            std::chrono::day(static_cast<unsigned>(day))};
}

// The date when it exists; chrono's fields are narrower than int, so a
// month or day past their range would wrap to one that does.
std::optional<year_month_day> ExistingDate(int year, int month, int day)
{
    if (year < static_cast<int>(std::chrono::year::min()) || year > static_cast<int>(std::chrono::year::max()) ||
        month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const year_month_day date = Date(year, month, day);
    return date.ok() ? std::optional(date) : std::nullopt;
}

unsigned WeekdayOf(sys_days day)
{
    return std::chrono::weekday(day).c_encoding();
}

// The day of the month of the month's n-th Monday.
int NthMonday(int year, int month, int n)
{
    const unsigned first = WeekdayOf(sys_days(Date(year, month, 1)));
    return static_cast<int>(1 + (kMonday + 7 - first) % 7) + 7 * (n - 1);
}

// The equinox days by the formula the almanac publishes for 1980 to 2099,
// in millionths of a day so that no rounding of a double decides a date.
int EquinoxDay(int year, long long baseMillionths)
{
    const int years = year - 1980;
    return static_cast<int>((baseMillionths + 242'194LL * years) / 1'000'000) - years / 4;
}

int VernalEquinoxDay(int year)
{
    return EquinoxDay(year, 20'843'100);
}

int AutumnalEquinoxDay(int year)
{
    return EquinoxDay(year, 23'248'800);
}

struct OneOffDay {
    int year;
    int month;
    int day;
};

// Holidays of one year only: the Showa emperor's funeral, the enthronement
// ceremonies, the crown prince's wedding, and the days to which 2020 and
// 2021 moved 海の日, スポーツの日 and 山の日 for the games.
constexpr std::array<OneOffDay, 11> kOneOffHolidays{{
    {1989, 2, 24}, {1990, 11, 12}, {1993, 6, 9}, {2019, 5, 1}, {2019, 10, 22},
    {2020, 7, 23}, {2020, 7, 24}, {2020, 8, 10}, {2021, 7, 22}, {2021, 7, 23}, {2021, 8, 8},
}};

bool IsGamesYear(int year)
{
    return year == 2020 || year == 2021;
}

bool IsOneOffHoliday(int year, int month, int day)
{
    return std::any_of(kOneOffHolidays.begin(), kOneOffHolidays.end(),
                       [&](const OneOffDay& d) { return d.year == year && d.month == month && d.day == day; });
}

// The days the law names (国民の祝日), without the days off around them.
bool IsNamedHoliday(int year, int month, int day)
{
    if (IsOneOffHoliday(year, month, day))
        return true;
    switch (month) {
    case 1:
        return day == 1 || day == (year >= 2000 ? NthMonday(year, 1, 2) : 15);
    case 2:
        return day == 11 || (year >= 2020 && day == 23);
    case 3:
        return day == VernalEquinoxDay(year);
    case 4:
        return day == 29;
    case 5:
        return day == 3 || day == 5 || (year >= 2007 && day == 4);
    case 7:
        if (IsGamesYear(year) || year < 1996)
            return false;
        return day == (year >= 2003 ? NthMonday(year, 7, 3) : 20);
    case 8:
        return year >= 2016 && !IsGamesYear(year) && day == 11;
    case 9:
        return day == (year >= 2003 ? NthMonday(year, 9, 3) : 15) || day == AutumnalEquinoxDay(year);
    case 10:
        if (IsGamesYear(year))
            return false;
        return day == (year >= 2000 ? NthMonday(year, 10, 2) : 10);
    case 11:
        return day == 3 || day == 23;
    case 12:
        return year <= 2018 && day == 23;
    default:
        return false;
    }
}

bool IsNamedHoliday(sys_days day)
{
    const year_month_day date(day);
    return IsNamedHoliday(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                          static_cast<int>(static_cast<unsigned>(date.day())));
}

// 振替休日: since 2007 the first day after a holiday on a Sunday that is no
// holiday itself; before, the Monday after it.
bool IsSubstituteHoliday(sys_days day, int year)
{
    if (year < 2007)
        return WeekdayOf(day) == kMonday && IsNamedHoliday(day - std::chrono::days(1));
    for (sys_days before = day - std::chrono::days(1); IsNamedHoliday(before); before -= std::chrono::days(1)) {
        if (WeekdayOf(before) == kSunday)
            return true;
    }
    return false;
}

// 国民の休日: a day between two holidays the law names.
bool IsDayBetweenHolidays(sys_days day)
{
    return IsNamedHoliday(day - std::chrono::days(1)) && IsNamedHoliday(day + std::chrono::days(1));
}

} // namespace

int WeekdayOf(int year, int month, int day)
{
    return static_cast<int>(WeekdayOf(sys_days(Date(year, month, day))));
}

bool IsJapaneseHoliday(int year, int month, int day)
{
    const std::optional<year_month_day> date = ExistingDate(year, month, day);
    if (!date)
        return false;
    if (IsNamedHoliday(year, month, day))
        return true;
    const sys_days days(*date);
    return IsSubstituteHoliday(days, year) || IsDayBetweenHolidays(days);
}

bool IsTradingDay(int year, int month, int day)
{
    if (!ExistingDate(year, month, day))
        return false;
    const bool yearEnd = (month == 12 && day == 31) || (month == 1 && day <= 3);
    const int weekday = WeekdayOf(year, month, day);
    return weekday != 0 && weekday != 6 && !yearEnd && !IsJapaneseHoliday(year, month, day);
}

} // namespace zelmora
