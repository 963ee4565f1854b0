#include "core/schedule/clock.h"

#include <ctime>

namespace zelmora {

LocalTime SystemClock::Now() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min, local.tm_sec, local.tm_wday};
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
