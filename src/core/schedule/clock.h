#pragma once

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
};

class SystemClock : public Clock {
public:
    LocalTime Now() const override;
};

} // namespace zelmora
