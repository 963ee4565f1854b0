#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace zelmora {

// A moment of Tokyo's clock (Japan time, UTC+9 all year), the exchange's.
struct LocalTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4; // 0 = Sunday .. 6 = Saturday
};

// Tokyo's clock at an instant, whatever zone the machine is set to: Japan
// has kept no daylight saving time since 1951, so no zone table is needed.
LocalTime TokyoTimeAt(std::time_t instant);

// "HH:MM" of the time.
std::string HourMinute(const LocalTime& time);

// Every reading of the time goes through a Clock, so tests can set the day
// and the hour.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // The same moment as an instant, for waits measured in minutes (mail
    // retries). By default Now() read as Japan time, so a test clock that
    // sets the hour moves it too.
    virtual std::chrono::system_clock::time_point Instant() const;
};

// Tokyo's clock now.
class SystemClock : public Clock {
public:
    LocalTime Now() const override;
    std::chrono::system_clock::time_point Instant() const override;
};

} // namespace zelmora
