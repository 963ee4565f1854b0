#pragma once

#include <chrono>

namespace zelmora {

// A moment of the local clock.
struct LocalTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4; // 0 = Sunday .. 6 = Saturday
};

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

class SystemClock : public Clock {
public:
    LocalTime Now() const override;
    std::chrono::system_clock::time_point Instant() const override;
};

} // namespace zelmora
