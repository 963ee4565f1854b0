#include "core/quotes/quote_pass.h"

#include "core/quotes/fetch_quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

// One page of the pass, counted for the layout-change watch.
FetchedQuote FetchCounted(HttpSession& session, const std::string& address, const QuotePassConfig& config,
                          QuotePassOutcome& outcome)
{
    const FetchedQuote fetched = FetchQuoteRecord(session, address, config.rules, config.window);
    ++outcome.pagesFetched;
    if (fetched.kind != FetchOutcome::Ok)
        ++outcome.pagesNotOk;
    if (fetched.kind == FetchOutcome::Failed)
        ++outcome.pagesUnanswered;
    return fetched;
}

// An HTTP error empties the status label, as the fetcher of the page does.
QuoteValues FetchValues(QuotePassTarget& target, HttpSession& session, const std::string& address,
                        const QuotePassConfig& config, QuotePassOutcome& outcome, std::string* record = nullptr)
{
    const FetchedQuote fetched = FetchCounted(session, address, config, outcome);
    if (fetched.kind == FetchOutcome::HttpStatus)
        target.SetProgressText({});
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

EntryQuote EntryQuoteOf(const FetchedQuote& fetched)
{
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

std::string EntryAddress(const QuotePassConfig& config, const std::string& code, int market)
{
    const std::size_t index = market >= 0 && static_cast<std::size_t>(market) < kMarketCount ? static_cast<std::size_t>(market) : 0;
    return BuildQuoteUrl(config.baseUrl, code, config.marketCodes[index]);
}

void PreviewEntryRow(QuotePassTarget& target, const QuotePassConfig& config, HttpSession& session,
                     QuotePassOutcome& outcome)
{
    std::uint64_t serial = 0;
    const std::string code = target.EntryCode(serial);
    if (code.size() < kMinCodeLength || target.Stopping())
        return;
    const EntryQuote quote = EntryQuoteOf(FetchCounted(session, EntryAddress(config, code, target.EntryMarket()), config, outcome));
    if (quote.httpError)
        target.SetProgressText({});
    target.StoreEntryQuote(serial, quote);
}

void UpdateIndexQuotes(QuotePassTarget& target, const QuotePassConfig& config, HttpSession& session,
                       QuotePassOutcome& outcome)
{
    const auto& table = IndexTable();
    for (std::size_t i = 0; i < table.size() && !target.Stopping(); ++i) {
        const QuoteValues values =
            FetchValues(target, session, BuildQuoteUrl(config.baseUrl, table[i].code, {}), config, outcome);
        if (!HasQuote(values[QuotePrice]))
            continue;
        target.RecordDayQuote(table[i].code, values);
        target.ReportIndexQuote(i, texts::Format(texts::IndexValueFormat, table[i].name, values[QuoteTime], values[QuotePrice]),
                              texts::Format(texts::IndexChangeFormat, values[QuoteChange]));
    }
}

void UpdateRows(QuotePassTarget& target, const QuotePassConfig& config, HttpSession& session, QuotePassOutcome& outcome)
{
    for (std::size_t i = 0; !target.Stopping(); ++i) {
        const std::optional<QuotePassTarget::Row> row = target.ReadRow(i);
        if (!row)
            break;
        if (row->code.size() < kMinCodeLength)
            continue;
        const std::string& letter = config.marketCodes[MarketIndex(row->market)];
        std::string record;
        const QuoteValues values =
            FetchValues(target, session, BuildQuoteUrl(config.baseUrl, row->code, letter), config, outcome, &record);
        ++outcome.rowsFetched;
        if (HasQuote(values[QuotePrice]))
            ++outcome.rowsUsable;
        // A page that could not be fetched keeps the row's last values.
        if (record.empty())
            continue;
        target.StoreRowQuote(i, row->code, values, TrendMark(values[QuoteRate]));
        if (HasQuote(values[QuotePrice]))
            target.RecordDayQuote(row->code, values);
    }
}

} // namespace

QuotePassConfig MakeQuotePassConfig(const Settings& settings)
{
    return {settings.quoteBaseUrl, settings.markerRules, settings.marketCodes, settings.quoteWindow};
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

// The typed code's own lookup names a server that did not answer; the
// pass's preview keeps "no data", the status label speaks for the pass.
EntryQuote LookUpEntryQuote(HttpSession& session, const QuotePassConfig& config, const std::string& code, int market)
{
    const FetchedQuote fetched = FetchQuoteRecord(session, EntryAddress(config, code, market), config.rules, config.window);
    EntryQuote quote = EntryQuoteOf(fetched);
    if (fetched.kind == FetchOutcome::Failed)
        quote.values[QuoteName] = texts::Sjis(texts::ConnectionError);
    return quote;
}

QuotePassOutcome QuotePass(QuotePassTarget& target, const QuotePassConfig& config, HttpSession& session)
{
    QuotePassOutcome outcome;
    target.SetProgressText(texts::Sjis(texts::DataFetching));
    try {
        PreviewEntryRow(target, config, session, outcome);
        UpdateIndexQuotes(target, config, session, outcome);
        UpdateRows(target, config, session, outcome);
    } catch (...) {
        // A pass that fails for any other reason (memory) just ends early.
    }
    target.SetProgressText({});
    return outcome;
}

} // namespace zelmora
