#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/quotes/quote_record.h"
#include "core/schedule/clock.h"

// kabuka.csv in a stock's (or an index's) folder of a date: the day's prices
// as the quote passes read them, oldest first, one ASCII line per page time,
// "HH:MM,price,change,volume" with CRLF, the numbers plain ("1234.5",
// "-37"), the volume empty where the page shows none. The file is appended
// to, one write per line, so a crash loses at most the line being written; a
// reader skips any line that does not read whole, and the next append cuts
// off the half line a crash left at the end.
namespace zelmora {

struct DayPoint {
    int minute = 0; // of the day: 9:00 is 540
    double price = 0;
    std::optional<double> change;
    std::optional<double> volume; // the day's volume so far

    bool operator==(const DayPoint&) const = default;
};

// programFolder/yyyymmdd/code/kabuka.csv; empty when the code cannot name a
// folder.
std::string DayRecordPath(const std::string& programFolder, const std::string& date, const std::string& code);

// The record's line of a quote, CRLF included; nothing when the page shows
// no time of day or no price.
std::optional<std::string> DayRecordLine(const QuoteValues& values);

// A line without its line end; nothing when it does not read whole.
std::optional<DayPoint> ParseDayRecordLine(std::string_view line);

// The points of a record's bytes; a line that does not read and a last line
// without its line end are left out.
std::vector<DayPoint> ParseDayRecord(std::string_view bytes);
std::vector<DayPoint> ReadDayRecord(const std::string& path);

// The close before the day, from the last point with a change.
std::optional<double> PreviousClose(const std::vector<DayPoint>& points);

enum class DayRecordAppend {
    Written,
    NoTime,   // no time of day or no price on the page
    NotNewer, // the last line's time is the same or later
    NotToday, // no trading day, or a page time after now: an older day's page
    Failed,   // the folder or the file could not be written
};

// Appends the quote's line when its time is later than the last line's.
DayRecordAppend AppendDayRecord(const std::string& path, const QuoteValues& values);

// Keeps a quote a pass read at `now` (Tokyo) in the record of now's date.
DayRecordAppend RecordDayQuote(const std::string& programFolder, const LocalTime& now, const std::string& code,
                               const QuoteValues& values);

} // namespace zelmora
