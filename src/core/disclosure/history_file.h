#pragma once

#include <string>
#include <string_view>
#include <vector>

// kaijistr.txt: one line per disclosure of a stock on a date, "entry text_
// document address", CRLF, oldest first. It tells later passes which
// disclosures are known, so the disclosure mail goes out once.
namespace zelmora {

// programFolder/yyyymmdd/code/kaijistr.txt; empty when the code cannot name
// a folder.
std::string HistoryFilePath(const std::string& programFolder, const std::string& date, const std::string& code);

// The lines of a history file without their line ends; nothing when the
// file is missing or unreadable.
std::vector<std::string> ReadHistoryLines(const std::string& path);

// The lines of a history file's bytes, split at LF with one CR before it
// removed.
std::vector<std::string> SplitHistoryLines(std::string_view bytes);

// Whether the file holds the disclosure's line, letter case ignored.
bool KnowsDisclosure(const std::string& path, const std::string& entryText, const std::string& baseAddress,
                     const std::string& href);

// Records one disclosure: loads the file (dropping empty lines and exact
// repeats), appends "entryText_baseAddress+href" and replaces the file
// atomically, so a reader never sees half a file and a crash keeps the
// history. Returns true when the line was new, i.e. no loaded line equals it
// with letter case ignored; a file that cannot be written loses the record
// silently.
bool RecordDisclosure(const std::string& path, const std::string& entryText, const std::string& baseAddress,
                      const std::string& href);

} // namespace zelmora
