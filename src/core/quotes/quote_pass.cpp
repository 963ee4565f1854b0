#include "core/quotes/quote_pass.h"

#include "core/quotes/fetch_quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

// An HTTP error empties the status label, as the fetcher of the page does.
QuoteValues FetchValues(QuotePassWindow& window, HttpSession& session, const std::string& address,
                        const QuotePassConfig& config, std::string* record = nullptr)
{
    const FetchedQuote fetched = FetchQuoteRecord(session, address, config.rules);
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

void PreviewEntryRow(QuotePassWindow& window, const QuotePassConfig& config, HttpSession& session)
{
    std::uint64_t serial = 0;
    const std::string code = window.EntryCode(serial);
    if (code.size() < kMinCodeLength || window.Stopping())
        return;
    const EntryQuote quote = LookUpEntryQuote(session, config, code, window.EntryMarket());
    if (quote.httpError)
        window.SetProgressText({});
    window.ShowEntryQuote(serial, quote);
}

void UpdateIndexQuotes(QuotePassWindow& window, const QuotePassConfig& config, HttpSession& session)
{
    const auto& table = IndexTable();
    for (std::size_t i = 0; i < table.size() && !window.Stopping(); ++i) {
        const QuoteValues values = FetchValues(window, session, BuildQuoteUrl(config.baseUrl, table[i].code, {}), config);
        if (!HasQuote(values[QuotePrice]))
            continue;
        window.ShowIndexQuote(i, texts::Format(texts::IndexValueFormat, table[i].name, values[QuoteTime], values[QuotePrice]),
                              texts::Format(texts::IndexChangeFormat, values[QuoteChange]));
    }
}

int UpdateRows(QuotePassWindow& window, const QuotePassConfig& config, HttpSession& session)
{
    int rowsWithQuotes = 0;
    for (std::size_t i = 0; !window.Stopping(); ++i) {
        const std::optional<QuotePassWindow::Row> row = window.ReadRow(i);
        if (!row)
            break;
        if (row->code.size() < kMinCodeLength)
            continue;
        const std::string& letter = config.marketCodes[MarketIndex(row->market)];
        std::string record;
        const QuoteValues values =
            FetchValues(window, session, BuildQuoteUrl(config.baseUrl, row->code, letter), config, &record);
        // A page that could not be fetched keeps the row's last values.
        if (record.empty())
            continue;
        window.ShowRowQuote(i, row->code, values, TrendMark(values[QuoteRate]));
        rowsWithQuotes += HasQuote(values[QuotePrice]) ? 1 : 0;
    }
    return rowsWithQuotes;
}

} // namespace

QuotePassConfig MakeQuotePassConfig(const Settings& settings)
{
    return {settings.m_quoteBaseUrl, settings.m_markerRules, settings.m_marketCodes};
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

EntryQuote LookUpEntryQuote(HttpSession& session, const QuotePassConfig& config, const std::string& code, int market)
{
    const std::size_t index = market >= 0 && static_cast<std::size_t>(market) < kMarketCount ? static_cast<std::size_t>(market) : 0;
    const std::string address = BuildQuoteUrl(config.baseUrl, code, config.marketCodes[index]);
    const FetchedQuote fetched = FetchQuoteRecord(session, address, config.rules);
    EntryQuote quote;
    quote.httpError = fetched.kind == FetchOutcome::HttpStatus;
    const QuoteValues values = SplitQuoteRecord(fetched.record);
    if (HasQuote(values[QuotePrice])) {
        quote.values = values;
        quote.trend = TrendMark(values[QuoteRate]);
    } else {
        quote.values.fill(texts::Sjis(texts::NoData));
        quote.trend = texts::Sjis(texts::NoData);
    }
    return quote;
}

int QuotePass(QuotePassWindow& window, const QuotePassConfig& config, HttpSession& session)
{
    window.SetProgressText(texts::Sjis(texts::DataFetching));
    int rowsWithQuotes = 0;
    try {
        PreviewEntryRow(window, config, session);
        UpdateIndexQuotes(window, config, session);
        rowsWithQuotes = UpdateRows(window, config, session);
    } catch (...) {
        // A pass that fails for any other reason (memory) just ends early.
    }
    window.SetProgressText({});
    return rowsWithQuotes;
}

} // namespace zelmora
