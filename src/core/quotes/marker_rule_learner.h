#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/quotes/page_window_cutter.h"
#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"

namespace zelmora {

// The six values a user reads on a quote page, in Shift_JIS, in the order of
// QuoteValueIndex. A value left out (nullopt or empty) gets a rule that
// gives "nodata".
using SeenValues = std::array<std::optional<std::string>, QuoteValueCount>;

// Why a value could not be learned.
enum class LearnProblem {
    None,          // learned, or left out
    NotOnPage,     // its text stands nowhere on the page
    OutsideWindow, // on the page, but not in the pieces of the window
    NoMarkerPair,  // in the window, but no marker pair gives it exactly
};

struct LearnedRules {
    // The seven rules in the text form of base_data.ini (under
    // kMarkerRuleKeys), and parsed.
    std::array<std::string, RuleCount> texts;
    MarkerRules rules;
    // The window the rules were learned for: the one asked for, or the
    // narrowest that holds the anchor and the values with a margin of 10
    // pieces on each side when the one asked for does not hold them.
    PieceWindow window;
    std::array<LearnProblem, QuoteValueCount> problems{};

    // Every value given is learned.
    bool Complete() const;
};

// Learns an anchor rule and six value rules from a page (the whole body as
// fetched) such that ExtractQuoteRecord over the page's window gives exactly
// the values given, and "nodata" for those left out. Markers are printable
// ASCII taken from the page right next to each value, found first where the
// extraction searches, free of the value and of digits that could be a
// price or a time. A value left out, or not learned, gets a rule whose
// prefix "<nodata>" stands on no page. With no value learned at all the
// built-in rules come back.
LearnedRules LearnMarkerRules(std::string_view page, const SeenValues& values, const PieceWindow& window = {});

// The six values the rules give on a whole page, as a pass would show them.
QuoteValues ValuesOfPage(std::string_view page, const MarkerRules& rules, const PieceWindow& window);

// Why a value reads "nodata" on a page: the anchor is not in the window, the
// window ends before the value (the same rules read it on the page beyond),
// or its markers are not there at all.
// Every value that is missing for any of these reasons reads "nodata".
enum class MissingValue { None, NoAnchor, WindowEndsBefore, NoMarkers };
struct PageReading {
    QuoteValues values;
    std::array<MissingValue, QuoteValueCount> missing{};
};
PageReading ReadPageWithReasons(std::string_view page, const MarkerRules& rules, const PieceWindow& window);

} // namespace zelmora
