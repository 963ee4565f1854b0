#pragma once

#include <string>
#include <vector>

// kessan.txt in a stock's folder of a date: one line per disclosure with
// XBRL figures, "entry text<TAB>figures line", Shift_JIS, CRLF, oldest
// first. The disclosure menu shows a line as its item's tip, and the list
// the latest as the disclosure column's tip.
namespace zelmora {

// programFolder/yyyymmdd/code/kessan.txt; empty when the code cannot name a
// folder.
std::string EarningsFilePath(const std::string& programFolder, const std::string& date, const std::string& code);

// Keeps the figures of the entry, replacing an older line of the same entry,
// atomically. False when the file could not be written.
bool RecordFigures(const std::string& path, const std::string& entryText, const std::string& figuresLine);

// The figures kept for the entry; empty when there are none.
std::string FiguresOfEntry(const std::string& path, const std::string& entryText);

// The figures of the last line; empty when there are none.
std::string LatestFigures(const std::string& path);

} // namespace zelmora
