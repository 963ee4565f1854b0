#include "core/disclosure/date_list.h"

#include <cstdio>

namespace zelmora {

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string FormatDate(int year, int month, int day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

std::string FormatDate(const LocalTime& time)
{
    return FormatDate(time.year, time.month, time.day);
}

std::vector<std::string> DateList(int year, int month, int day)
{
    std::vector<std::string> dates;
    const int today = day;
    for (int n = 0; n < 31; ++n) {
        dates.push_back(FormatDate(year, month, day));
        if (--day == 0) {
            if (--month == 0) {
                month = 12;
                --year;
            }
            day = DaysInMonth(year, month);
        }
        // Tested after the month wrap: a previous month with as many days as
        // today's date starts at today's day number.
        if (day == today)
            break;
    }
    return dates;
}

} // namespace zelmora
