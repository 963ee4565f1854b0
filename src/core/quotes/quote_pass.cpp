#include "core/quotes/quote_pass.h"

#include "core/quotes/fetch_quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

// An HTTP error empties the status label, as the fetcher of the page does.
QuoteValues FetchValues(QuotePassWindow& window, const std::string& address, const QuotePassConfig& config,
                        QuotePassOutcome& outcome, std::string* record = nullptr)
{
    const FetchedQuote fetched = FetchQuoteRecord(address, config.rules, config.window);
    ++outcome.pagesFetched;
    if (fetched.kind != FetchOutcome::Ok)
        ++outcome.pagesNotOk;
    if (fetched.kind == FetchOutcome::HttpStatus)
        window.SetProgressText({});
    if (record)
        *record = fetched.record;
    return SplitQuoteRecord(fetched.record);
}

// A market name that matches no market (a hand-edited file) is read as the
// first market, so such a row still gets a deterministic address.
std::size_t MarketIndex(const std::string& marketName)
{
    for (std::size_t i = 0; i < kMarketCount; ++i) {
        if (EqualsIgnoringAsciiCase(MarketNames()[i], marketName))
            return i;
    }
    return 0;
}

void UpdateRows(QuotePassWindow& window, const QuotePassConfig& config, QuotePassOutcome& outcome)
{
    for (std::size_t i = 0; !window.Stopping(); ++i) {
        const std::optional<QuotePassWindow::Row> row = window.ReadRow(i);
        if (!row)
            return;
        if (row->code.size() < kMinCodeLength)
            continue;
        const std::string& letter = config.marketCodes[MarketIndex(row->market)];
        std::string record;
        const QuoteValues values =
            FetchValues(window, BuildQuoteUrl(config.baseUrl, row->code, letter), config, outcome, &record);
        ++outcome.rowsFetched;
        if (HasQuote(values[QuotePrice]))
            ++outcome.rowsUsable;
        if (!window.StoreRowQuote(i, record))
            return;
        if (record.empty())
            continue;
        window.ShowRowQuote(i, row->code, values, TrendMark(values[QuoteRate]));
    }
}

} // namespace

QuotePassConfig MakeQuotePassConfig(const Settings& settings)
{
    return {settings.m_quoteBaseUrl, settings.m_markerRules, settings.m_marketCodes, settings.m_quoteWindow};
}

const std::array<IndexQuote, 4>& IndexTable()
{
    static const std::array<IndexQuote, 4> table = {{
        {"998407", texts::Sjis(texts::IndexNikkei)},
        {"998405", "TOPIX"},
        {"23337", "JASDAQ"},
        {"5040469", texts::Sjis(texts::IndexNikkeiFutures)},
    }};
    return table;
}

void PreviewEntryRow(QuotePassWindow& window, const QuotePassConfig& config, QuotePassOutcome& outcome)
{
    const int market = window.EntryMarket();
    const std::size_t index = market >= 0 && static_cast<std::size_t>(market) < kMarketCount ? static_cast<std::size_t>(market) : 0;
    const QuoteValues values =
        FetchValues(window, BuildQuoteUrl(config.baseUrl, window.EntryCode(), config.marketCodes[index]), config, outcome);
    if (HasQuote(values[QuotePrice]))
        window.ShowEntryQuote(values, TrendMark(values[QuoteRate]));
    else
        window.ShowEntryNoData();
}

void UpdateIndexQuotes(QuotePassWindow& window, const QuotePassConfig& config, QuotePassOutcome& outcome)
{
    const auto& table = IndexTable();
    for (std::size_t i = 0; i < table.size() && !window.Stopping(); ++i) {
        const QuoteValues values = FetchValues(window, BuildQuoteUrl(config.baseUrl, table[i].code, {}), config, outcome);
        if (!HasQuote(values[QuotePrice]))
            continue;
        window.ShowIndexQuote(i, texts::Format(texts::IndexValueFormat, table[i].name, values[QuoteTime], values[QuotePrice]),
                              texts::Format(texts::IndexChangeFormat, values[QuoteChange]));
    }
}

QuotePassOutcome QuotePass(QuotePassWindow& window, const QuotePassConfig& config)
{
    QuotePassOutcome outcome;
    window.SetProgressText(texts::Sjis(texts::DataFetching));
    try {
        if (window.EntryCode().size() >= kMinCodeLength && !window.Stopping())
            PreviewEntryRow(window, config, outcome);
        UpdateIndexQuotes(window, config, outcome);
        UpdateRows(window, config, outcome);
    } catch (...) {
        // A pass that fails for any other reason (memory) just ends early.
    }
    window.SetProgressText({});
    return outcome;
}

} // namespace zelmora
