#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

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

// The window as a quote pass sees it. The pass calls it from its own thread:
// reads answer from state under a short lock, writes are handed to the
// window's thread. Nothing here may wait for the window's thread.
class QuotePassWindow {
public:
    struct Row {
        std::string code;
        std::string market;
    };

    virtual ~QuotePassWindow() = default;

    // True once the window is closing: the pass then fetches no further page.
    virtual bool Stopping() = 0;
    virtual void SetProgressText(const std::string& text) = 0;
    virtual std::string EntryCode() = 0;
    virtual int EntryMarket() = 0;
    virtual void ShowEntryQuote(const QuoteValues& values, const std::string& trend) = 0;
    virtual void ShowEntryNoData() = 0;
    virtual void ShowIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText) = 0;
    // Row `row` as it is now; nothing when the list has no such row.
    virtual std::optional<Row> ReadRow(std::size_t row) = 0;
    // Keeps the row's last record; false when the row has no quote slot.
    virtual bool StoreRowQuote(std::size_t row, const std::string& record) = 0;
    // Writes the values into row `row`, provided it still holds `code`.
    virtual void ShowRowQuote(std::size_t row, const std::string& code, const QuoteValues& values,
                              const std::string& trend) = 0;
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
};

void PreviewEntryRow(QuotePassWindow& window, const QuotePassConfig& config, QuotePassOutcome& outcome);
void UpdateIndexQuotes(QuotePassWindow& window, const QuotePassConfig& config, QuotePassOutcome& outcome);

// One pass: the entry row when a code is typed, the indices, then every
// list row. The caller holds the quote lock.
QuotePassOutcome QuotePass(QuotePassWindow& window, const QuotePassConfig& config);

} // namespace zelmora
