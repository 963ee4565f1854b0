#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Reading back a stock's recorded disclosures: what a history line shows and
// where it leads, for the disclosure menu and the double click alike.
namespace zelmora {

// A line of a stock's history file, "entry text_document address", split
// where the address begins: at the first "_" followed by the listing base
// address or by a web address, so a title may hold "_" itself; a line with
// no such "_" splits at its first one, and a line without "_" is all caption.
struct HistoryEntry {
    std::string caption;
    std::string address;

    bool operator==(const HistoryEntry&) const = default;
};
HistoryEntry SplitHistoryLine(std::string_view line, std::string_view listBase);

// One stock's disclosures of one date on this machine.
struct StockDisclosures {
    std::string programFolder;
    std::string date;
    std::string code;
    bool documentsDownloaded = false;
    std::string portal;   // shown when nothing is recorded
    std::string listBase; // where the recorded addresses begin
};

// The disclosures of the stock's history file of the date, oldest first,
// each once (the file may repeat its last line), in Shift_JIS whatever the
// listing page was written in.
std::vector<HistoryEntry> ReadStockHistory(const StockDisclosures& stock);

// What opening disclosure `line` of the history shows: its local copy when
// documents are downloaded (nothing when there is none), else its address;
// the exchange's portal when nothing is recorded at all.
struct DisclosureOpening {
    enum Kind { Nothing, WebPage, LocalFile };
    Kind kind = Nothing;
    std::string target;

    bool operator==(const DisclosureOpening&) const = default;
};
DisclosureOpening OpeningOfDisclosure(const StockDisclosures& stock, std::size_t line);

// The same for the line a pass recorded for this entry text (time, title),
// wherever the title's own "_" falls; nothing when the history lacks it.
DisclosureOpening OpeningOfEntry(const StockDisclosures& stock, std::string_view entryText);

} // namespace zelmora
