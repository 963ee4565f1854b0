#pragma once

#include <string>
#include <vector>

#include "core/schedule/clock.h"

namespace zelmora {

// The dates a disclosure scan can be asked for, newest first as "yyyymmdd":
// the given day and the days before it, back to the day after the same day
// of the previous month, 31 at most.
std::vector<std::string> DateList(int year, int month, int day);

int DaysInMonth(int year, int month);

// A date as the program writes it: "yyyymmdd".
std::string FormatDate(int year, int month, int day);
std::string FormatDate(const LocalTime& time);

} // namespace zelmora
