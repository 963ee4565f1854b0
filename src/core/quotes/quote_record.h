#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/quotes/page_fetcher.h"
#include "core/settings/settings.h"

namespace zelmora {

// A QuoteRecord is a Shift_JIS string: the six values each followed by "_",
// or "" (no page, or no anchor), or the bare HTTP status digits.

enum QuoteValueIndex { QuoteName, QuoteTime, QuotePrice, QuoteChange, QuoteRate, QuoteVolume, QuoteValueCount };

using QuoteValues = std::array<std::string, QuoteValueCount>;

// What a value whose markers are missing reads.
inline constexpr std::string_view kNoData = "nodata";

using MarkerRules = std::array<MarkerRule, RuleCount>;

// True when the window holds the text "Shift_JIS". Without it the name is
// converted to Shift_JIS and dashed values are cut (see ExtractQuoteRecord).
bool MentionsShiftJis(std::string_view window);

// Cuts the six values out of a page window with the marker rules. A value
// whose markers are missing is "nodata".
std::string ExtractQuoteRecord(std::string_view window, const MarkerRules& rules);

// One step of ExtractQuoteRecord: the value that rule k (RuleName to
// RuleVolume) cuts out of the window when the search goes on from pos
// (npos: from the start), and the pos the next rule goes on from.
struct CutValue {
    std::string value;
    std::size_t next;
};
CutValue CutQuoteValue(std::string_view window, const MarkerRule& rule, std::size_t k, std::size_t pos, bool notShiftJis);

// A quote record and the kind of fetch that gave it; on HttpStatus the caller
// clears the status label.
struct FetchedQuote {
    FetchOutcome::Kind kind = FetchOutcome::Failed;
    std::string record;
};

// Failed gives "", HttpStatus its status digits, Ok the record extracted
// from the window.
FetchedQuote QuoteRecordFromOutcome(const FetchOutcome& outcome, const MarkerRules& rules);

// Splits a record at its "_" marks. A value with no "_" left is empty and the
// next value is searched from the start of the record again, so a record
// without any "_" gives six empty values.
QuoteValues SplitQuoteRecord(std::string_view record);

// The minute of the day of a page's time, "H:MM" or "HH:MM"; nothing for a
// date (a page before the open shows one), "nodata" or anything else.
std::optional<int> PageMinute(std::string_view time);

// True when the price reads (atoi-like) as a number of at least 1.
bool HasQuote(std::string_view price);

// "△ " when the rate holds "+", else "▼ " when it holds "-", else "－ ".
std::string TrendMark(std::string_view rate);

} // namespace zelmora
