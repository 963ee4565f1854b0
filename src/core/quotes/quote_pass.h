#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "core/net/http_session.h"
#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"

namespace zelmora {

// What a quote pass needs of the settings, copied when the pass starts.
struct QuotePassConfig {
    std::string baseUrl;
    MarkerRules rules;
    std::array<std::string, kMarketCount> marketCodes;
    PieceWindow window;
};

QuotePassConfig MakeQuotePassConfig(const Settings& settings);

// What the entry row shows for a typed code: its quote, or "no data" in
// every field when the page gave no price; after a lookup that no server
// answered, the name field says so.
struct EntryQuote {
    QuoteValues values;
    std::string trend;
    bool httpError = false; // the page answered with a status other than 200
};

// The watch list as a quote pass sees it. The pass calls it from its own
// thread; nothing here may wait for the owner's thread.
class QuotePassTarget {
public:
    struct Row {
        std::string code;
        std::string market;
    };

    virtual ~QuotePassTarget() = default;

    // True once the program is closing: the pass then fetches no further page.
    virtual bool Stopping() = 0;
    virtual void SetProgressText(const std::string& text) = 0;
    // The entry row's code as it is now, with the serial of its last edit.
    virtual std::string EntryCode(std::uint64_t& serial) = 0;
    virtual int EntryMarket() = 0;
    // The quote of the entry row's code, unless the entry was edited since.
    virtual void StoreEntryQuote(std::uint64_t serial, const EntryQuote& quote) = 0;
    virtual void ReportIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText) = 0;
    // Row `row` as it is now; nothing when the list has no such row.
    virtual std::optional<Row> ReadRow(std::size_t row) = 0;
    // Writes the values into row `row`, provided it still holds `code`.
    virtual void StoreRowQuote(std::size_t row, const std::string& code, const QuoteValues& values,
                              const std::string& trend) = 0;
    // What the page of a list row's stock or of an index (by its code)
    // showed, for the day's record.
    virtual void RecordDayQuote(const std::string& code, const QuoteValues& values) = 0;
};

// The four market indices, in the order they are fetched and shown.
struct IndexQuote {
    const char* code;
    std::string name;
};
const std::array<IndexQuote, 4>& IndexTable();

// Codes shorter than this are never looked up.
constexpr std::size_t kMinCodeLength = 4;

// What one pass saw of the quote service, for the layout-change watch.
struct QuotePassOutcome {
    std::size_t pagesFetched = 0; // entry row, indices and list rows
    std::size_t pagesNotOk = 0;   // failed, or answered a status other than 200
    std::size_t rowsFetched = 0;  // list rows (stocks) whose page was asked for
    std::size_t rowsUsable = 0;   // of those, rows with a usable quote: anchor found, price a number
    std::size_t pagesUnanswered = 0; // pages that failed: refused, timed out, unreachable, cut off
};

// The one lookup of the entry row's code, for typing and for the pass.
EntryQuote LookUpEntryQuote(HttpSession& session, const QuotePassConfig& config, const std::string& code, int market);

// One pass in one session: the entry row when a code is typed, the
// indices, then every list row.
QuotePassOutcome QuotePass(QuotePassTarget& target, const QuotePassConfig& config, HttpSession& session);

} // namespace zelmora
