#pragma once

namespace zelmora {

// 0 = Sunday .. 6 = Saturday, for any date of the Gregorian calendar.
int WeekdayOf(int year, int month, int day);

// A national holiday or a day off that the holidays law makes of a day
// around them (the day after a holiday on a Sunday, a day between two
// holidays). Follows the law as it stood from 1989 on; the equinoxes by
// the formula that holds through 2099.
bool IsJapaneseHoliday(int year, int month, int day);

// A day the Tokyo exchanges trade: a weekday that is no holiday and not
// one of the exchange's year-end days (31 December, 1 to 3 January).
bool IsTradingDay(int year, int month, int day);

} // namespace zelmora
