// A full quote pass against its floor: 20 pages (4 indices, 16 stocks) from
// an in-process market simulator, fetched by plain libcurl, by FetchPageWindow
// and by a quote pass with the entry row and 15 list rows.
#include <benchmark/benchmark.h>

#include <curl/curl.h>

#include <string>
#include <vector>

#include "core/quotes/page_fetcher.h"
#include "core/quotes/quote_pass.h"
#include "core/text/code_page.h"
#include "core/watch/watch_list.h"
#include "market_simulator.h"

namespace {

zelmora::sim::MarketSimulator& Market()
{
    static zelmora::sim::MarketSimulator market;
    static const int port = market.Start();
    (void)port;
    return market;
}

std::vector<std::string> PassAddresses()
{
    std::vector<std::string> addresses;
    for (const char* symbol : {"998407", "998405", "23337", "5040469", "7203.t", "6758.t", "9432.t", "9984.t",
                               "8306.t", "6501.t", "7974.t", "8058.t", "6861.t", "4063.t", "1301.t", "2914.t",
                               "3382.q", "4755.q", "6098.o", "8411.n"})
        addresses.push_back(Market().QuoteAddress(symbol));
    return addresses;
}

std::size_t CountBytes(char*, std::size_t size, std::size_t count, void* user)
{
    *static_cast<std::size_t*>(user) += size * count;
    return size * count;
}

// A new handle (and connection) per page, the whole body read: what any
// fetcher that works like the program's pays at least.
void BM_PlainCurlNewHandlePerPage(benchmark::State& state)
{
    const auto addresses = PassAddresses();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& address : addresses) {
            CURL* curl = curl_easy_init();
            curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CountBytes);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
            if (curl_easy_perform(curl) != CURLE_OK)
                state.SkipWithError("plain fetch failed");
            curl_easy_cleanup(curl);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(addresses.size()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PlainCurlNewHandlePerPage)->Unit(benchmark::kMillisecond)->UseRealTime();

// One handle for the whole pass, so the connection is reused: below what the
// program does, shown for scale.
void BM_PlainCurlReusedHandle(benchmark::State& state)
{
    const auto addresses = PassAddresses();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::size_t bytes = 0;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CountBytes);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
    for (auto _ : state) {
        for (const std::string& address : addresses) {
            curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
            if (curl_easy_perform(curl) != CURLE_OK)
                state.SkipWithError("plain fetch failed");
        }
    }
    curl_easy_cleanup(curl);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(addresses.size()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PlainCurlReusedHandle)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FetchPageWindow(benchmark::State& state)
{
    const auto addresses = PassAddresses();
    for (auto _ : state) {
        for (const std::string& address : addresses) {
            zelmora::FetchOutcome outcome = zelmora::FetchPageWindow(address);
            if (outcome.kind != zelmora::FetchOutcome::Ok)
                state.SkipWithError("FetchPageWindow failed");
            benchmark::DoNotOptimize(outcome.window.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(addresses.size()));
}
BENCHMARK(BM_FetchPageWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window of a pass with nothing to draw: rows are read, results dropped.
class PassWindow : public zelmora::QuotePassWindow {
public:
    struct Stock {
        const char* code;
        std::size_t market; // index into the market names
    };

    explicit PassWindow(std::vector<Stock> stocks) : m_stocks(std::move(stocks)), m_quotes(m_stocks.size()) {}

    bool Stopping() override { return false; }
    void SetProgressText(const std::string&) override {}
    std::string EntryCode() override { return "7203"; }
    int EntryMarket() override { return 0; }
    void ShowEntryQuote(const zelmora::QuoteValues& values, const std::string&) override { ++shown; benchmark::DoNotOptimize(values); }
    void ShowEntryNoData() override {}
    void ShowIndexQuote(std::size_t, const std::string& value, const std::string&) override { ++shown; benchmark::DoNotOptimize(value); }
    std::optional<Row> ReadRow(std::size_t row) override
    {
        if (row >= m_stocks.size())
            return std::nullopt;
        return Row{m_stocks[row].code, zelmora::MarketNames()[m_stocks[row].market]};
    }
    bool StoreRowQuote(std::size_t row, const std::string& record) override
    {
        m_quotes[row] = record;
        return true;
    }
    void ShowRowQuote(std::size_t, const std::string&, const zelmora::QuoteValues&, const std::string&) override { ++shown; }

    int shown = 0;

private:
    std::vector<Stock> m_stocks;
    std::vector<std::string> m_quotes;
};

// The same 20 pages as the loops above: entry row 7203.t, the four indices
// and 15 rows.
void BM_QuotePass(benchmark::State& state)
{
    constexpr std::size_t t = 0, q = 1, o = 3, n = 4;
    PassWindow window({{"6758", t}, {"9432", t}, {"9984", t}, {"8306", t}, {"6501", t}, {"7974", t}, {"8058", t},
                       {"6861", t}, {"4063", t}, {"1301", t}, {"2914", t}, {"3382", q}, {"4755", q}, {"6098", o},
                       {"8411", n}});
    zelmora::QuotePassConfig config = zelmora::MakeQuotePassConfig(zelmora::Settings());
    config.baseUrl = Market().BaseAddress() + zelmora::Utf8ToSjis("/q?s=銘柄.市場");
    for (auto _ : state) {
        window.shown = 0;
        zelmora::QuotePass(window, config);
        if (window.shown != 20)
            state.SkipWithError("the pass did not show every quote");
    }
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_QuotePass)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
