#pragma once

#include <string>
#include <vector>

// alert.txt beside kaijistr.txt in programFolder/yyyymmdd/code/: one line per
// price alert that fired that day, oldest first (Shift_JIS, CRLF). It tells
// a later start of the same day what fired already.
namespace zelmora {

// Empty when the code cannot name a folder.
std::string AlertFilePath(const std::string& programFolder, const std::string& date, const std::string& code);
// Nothing when the file is missing or unreadable.
std::vector<std::string> ReadAlertLines(const std::string& path);
// Adds the lines and replaces the file atomically; false when it could not.
bool AppendAlertLines(const std::string& path, const std::vector<std::string>& lines);

} // namespace zelmora
