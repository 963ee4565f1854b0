#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Reading back a stock's recorded disclosures: what a history line shows and
// where it leads, for the disclosure menu and the double click alike.
namespace zelmora {

// A line of a stock's history file: the caption before its first "_", the
// document's address after it. A line without "_" is all caption.
std::string HistoryLineCaption(std::string_view line);
std::string HistoryLineAddress(std::string_view line);

// One stock's disclosures of one date on this machine.
struct StockDisclosures {
    std::string programFolder;
    std::string date;
    std::string code;
    bool documentsDownloaded = false;
    std::string portal; // shown when nothing is recorded
};

// The lines of the stock's history file of the date, in Shift_JIS whatever
// the listing page was written in.
std::vector<std::string> ReadStockHistory(const StockDisclosures& stock);

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
