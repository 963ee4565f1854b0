// A full quote pass against its floor: 20 pages (4 indices, 16 stocks) from
// an in-process market simulator, on loopback and with 20 ms before each new
// connection is served (the handshakes of a real network). Fetched by plain
// libcurl with a new handle per page, by plain libcurl reusing one handle
// (the floor: one connection for the whole pass), by FetchPageWindow in a
// session of its own per page and in one session for the pass, and by the
// watcher's quote pass with the entry row and 15 list rows.
#include <benchmark/benchmark.h>

#include <curl/curl.h>
#include <stdlib.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/engine/watcher.h"
#include "core/quotes/page_fetcher.h"
#include "core/text/code_page.h"
#include "market_simulator.h"

namespace {

zelmora::sim::MarketSimulator& Market(int latencyMs)
{
    static std::map<int, std::unique_ptr<zelmora::sim::MarketSimulator>> markets;
    auto& market = markets[latencyMs];
    if (!market) {
        zelmora::sim::MarketSimulator::Config config;
        config.latencyMs = latencyMs;
        market = std::make_unique<zelmora::sim::MarketSimulator>(config);
        market->Start();
    }
    return *market;
}

const char* const kRows[] = {"6758", "9432", "9984", "8306", "6501", "7974", "8058", "6861",
                             "4063", "1301", "2914", "3382", "4755", "6098", "8411"};

std::vector<std::string> PassAddresses(int latencyMs)
{
    std::vector<std::string> addresses;
    for (const char* symbol : {"7203.t", "998407", "998405", "23337", "5040469"})
        addresses.push_back(Market(latencyMs).QuoteAddress(symbol));
    for (const char* code : kRows)
        addresses.push_back(Market(latencyMs).QuoteAddress(std::string(code) + ".t"));
    return addresses;
}

std::size_t CountBytes(char*, std::size_t size, std::size_t count, void* user)
{
    *static_cast<std::size_t*>(user) += size * count;
    return size * count;
}

// A new handle (and connection) per page, the whole body read.
void BM_PlainCurlNewHandlePerPage(benchmark::State& state)
{
    const auto addresses = PassAddresses(static_cast<int>(state.range(0)));
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
}
BENCHMARK(BM_PlainCurlNewHandlePerPage)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// One handle for the whole pass, so one connection: the floor of a pass.
void BM_PlainCurlReusedHandle(benchmark::State& state)
{
    const auto addresses = PassAddresses(static_cast<int>(state.range(0)));
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::size_t bytes = 0;
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CountBytes);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
        for (const std::string& address : addresses) {
            curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
            if (curl_easy_perform(curl) != CURLE_OK)
                state.SkipWithError("plain fetch failed");
        }
        curl_easy_cleanup(curl);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(addresses.size()));
}
BENCHMARK(BM_PlainCurlReusedHandle)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FetchPageWindowOwnSession(benchmark::State& state)
{
    const auto addresses = PassAddresses(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_FetchPageWindowOwnSession)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The program's fetch with one session for all pages, as a pass has it.
void BM_FetchPageWindowSharedSession(benchmark::State& state)
{
    const auto addresses = PassAddresses(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zelmora::HttpSession session;
        for (const std::string& address : addresses) {
            zelmora::FetchOutcome outcome = zelmora::FetchPageWindow(session, address);
            if (outcome.kind != zelmora::FetchOutcome::Ok)
                state.SkipWithError("FetchPageWindow failed");
            benchmark::DoNotOptimize(outcome.window.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(addresses.size()));
}
BENCHMARK(BM_FetchPageWindowSharedSession)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// Counts finished passes and shown quotes.
class PassCounter : public zelmora::WatcherObserver {
public:
    void RowChanged(const zelmora::RowReport&) override { Note(); }
    void RowsReplaced(const zelmora::RowsReport&) override {}
    void IndexChanged(std::size_t, const std::string&, const std::string&) override { Note(); }
    void EntryChanged(const zelmora::EntryReport&) override { Note(); }
    void StatusChanged(const std::string&) override {}
    void DisclosureFound(const zelmora::DisclosureReport&) override {}
    void MailFinished(const zelmora::MailReport&) override {}
    void PassFinished(const zelmora::PassReport& report) override
    {
        const std::lock_guard hold(m_lock);
        ++m_finished[report.kind];
        m_changed.notify_all();
    }
    void Wait(zelmora::PassKind kind, int count)
    {
        std::unique_lock hold(m_lock);
        m_changed.wait(hold, [&] { return m_finished[kind] >= count; });
    }
    int TakeShown()
    {
        const std::lock_guard hold(m_lock);
        return std::exchange(m_shown, 0);
    }

private:
    void Note()
    {
        const std::lock_guard hold(m_lock);
        ++m_shown;
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<zelmora::PassKind, int> m_finished;
    int m_shown = 0;
};

// The watcher's pass over the same 20 pages: the entry row 7203, the four
// indices and 15 rows, in one session.
void BM_QuotePass(benchmark::State& state)
{
    const int latency = static_cast<int>(state.range(0));
    std::string folder = (std::filesystem::temp_directory_path() / "zelmora-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    folder += "/";
    std::string ini = "[MEIGARA_DATA]\r\nKOSUU=15\r\n";
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        ini += "NUM" + std::to_string(i) + "=" + kRows[i] + "\r\n";
    ini += "[LINK_JOUHOU]\r\nBASE_URL=" + Market(latency).BaseAddress() + zelmora::Utf8ToSjis("/q?s=銘柄.市場") + "\r\n";
    std::ofstream(folder + "base_data.ini", std::ios::binary) << ini;

    const zelmora::SystemClock clock;
    PassCounter counter;
    int passes = 0;
    {
        zelmora::Watcher watcher(folder, clock, counter);
        watcher.Load();
        watcher.TypeEntryCode("7203");
        counter.Wait(zelmora::PassKind::Lookup, 1);
        counter.TakeShown();
        for (auto _ : state) {
            watcher.RequestQuotePass();
            counter.Wait(zelmora::PassKind::Quote, ++passes);
            if (counter.TakeShown() != 20)
                state.SkipWithError("the pass did not show every quote");
        }
    }
    std::filesystem::remove_all(folder);
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_QuotePass)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
