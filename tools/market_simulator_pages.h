#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/schedule/clock.h"

// Quote pages of the local market simulator: a made-up market whose prices
// move with the clock, rendered like the pages of a real quote service.
namespace zelmora::sim {

enum class PageEncoding { ShiftJis, EucJp, Utf8 };

// How the quote stands on the page: the classic table the built-in marker
// rules read, a <dl> list of <dt>/<dd> pairs at the same place, or a JSON
// state object on one line at the top of the body, before piece 151.
enum class PageLayout { Table, List, Json };

// How a page is served. Each switch is a query parameter (and a command-line
// flag of the simulator that applies to every page).
struct PageOptions {
    PageEncoding encoding = PageEncoding::ShiftJis; // enc=sjis|euc|utf8
    bool missingPrice = false;                      // missing=price (table layout)
    int status = 200;                               // status=N (200..599)
    int slowMs = 0;                                 // slow=MS, delay before the body
    bool cut = false;                               // cut=1, close the connection mid-body
    bool noAnchor = false;                          // noanchor=1 (table layout)
    PageLayout layout = PageLayout::Table;          // layout=table|dl|json
    std::string change;                             // change=TEXT instead of the change (and its sign's colour)
    std::string rate;                               // rate=TEXT instead of the rate

    bool operator==(const PageOptions&) const = default;
};

// Applies one switch; false when the name is unknown or the value invalid,
// and the options then stay as they were.
bool ApplyPageOption(PageOptions& options, std::string_view name, std::string_view value);

// The quote of one security at one moment, as the page shows it (UTF-8).
struct SimQuote {
    std::string name;
    std::string time;   // HH:MM
    std::string price;  // 2,845 or 38,123.45
    std::string change; // +12, -15, 0
    std::string rate;   // +0.42%, -0.53%, 0.00%
    std::string volume; // 12,345,600
    int direction = 0;  // sign of the change
};

// symbol: a 4-character code, a dot and a market letter ("7203.t"), or one of
// the index codes 998407, 998405, 23337, 5040469. nullopt for anything else.
std::optional<SimQuote> QuoteFor(std::string_view symbol, const LocalTime& now);

// Prices change every this many seconds.
inline constexpr int kPriceStepSeconds = 5;

// Line numbers (from 1) of the quote table in a page, so that a reader of
// pieces 151 to 201 finds it. The charset declaration sits in the head.
inline constexpr int kQuoteTableFirstLine = 165;
inline constexpr int kPageLineCount = 270;
// cut=1 sends this many lines of the body and then closes the connection.
inline constexpr int kCutAfterLines = 100;

// The body of the quote page for a symbol, in UTF-8; a page without a quote
// table when the symbol is unknown.
std::string RenderQuotePageUtf8(std::string_view symbol, const LocalTime& now, const PageOptions& options);

// A short error page for a status other than 200, in UTF-8.
std::string RenderErrorPageUtf8(int status);

// Converts a page from UTF-8 to the encoding; throws std::runtime_error when
// a character has no form in it.
std::string EncodePage(std::string_view utf8, PageEncoding encoding);

// The name of the encoding for a charset declaration.
const char* CharsetName(PageEncoding encoding);

} // namespace zelmora::sim
