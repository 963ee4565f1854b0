#include "core/schedule/clock.h"

#include <cstdio>

namespace zelmora {
namespace {

constexpr std::time_t kTokyoOffsetSeconds = 9 * 60 * 60;

} // namespace

LocalTime TokyoTimeAt(std::time_t instant)
{
    const std::time_t shifted = instant + kTokyoOffsetSeconds;
    std::tm tokyo{};
#ifdef _WIN32
    gmtime_s(&tokyo, &shifted);
#else
    gmtime_r(&shifted, &tokyo);
#endif
    return {tokyo.tm_year + 1900, tokyo.tm_mon + 1, tokyo.tm_mday, tokyo.tm_hour,
            tokyo.tm_min, tokyo.tm_sec, tokyo.tm_wday};
}

std::string HourMinute(const LocalTime& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

LocalTime SystemClock::Now() const
{
    return TokyoTimeAt(std::time(nullptr));
}

std::chrono::system_clock::time_point SystemClock::Instant() const
{
    return std::chrono::system_clock::now();
}

std::chrono::system_clock::time_point Clock::Instant() const
{
    using namespace std::chrono;
    const LocalTime now = Now();
    const sys_days day = year_month_day{year{now.year}, month{static_cast<unsigned>(now.month)},
                                        std::chrono::day{static_cast<unsigned>(now.day)}};
    return day + hours{now.hour - 9} + minutes{now.minute} + seconds{now.second};
}

} // namespace zelmora
