// The listing scan over pages as large as a pass accepts: hostile pages made
// of keys, and a page of real entries.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/disclosure/listing_scan.h"
#include "support/page_builders.h"

using namespace zelmora;

namespace {

std::string Repeated(const std::string& piece)
{
    std::string page;
    page.reserve(kMaxListingPageBytes + piece.size());
    while (page.size() + piece.size() <= kMaxListingPageBytes)
        page += piece;
    return page;
}

void Scan(benchmark::State& state, const std::string& page, const std::vector<std::string>& keys)
{
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        ScanListingPage(page, keys, [&](const ListingHit& hit) {
            benchmark::DoNotOptimize(hit);
            ++hits;
            return true;
        });
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}

// One line of "0" and code 0000: a hit at every byte, no link anywhere.
void BM_ZerosWithCodeOfZeros(benchmark::State& state)
{
    Scan(state, std::string(kMaxListingPageBytes, '0'), {"00000"});
}

// Keys and colons without line breaks: every hit looks for a link to the end.
void BM_KeysWithoutLinks(benchmark::State& state)
{
    Scan(state, Repeated("9:30 72030 "), {"72030"});
}

// One line of keys and a link at its end: every hit reads up to the link.
void BM_KeysBeforeOneLink(benchmark::State& state)
{
    std::string page = Repeated("72030");
    page.resize(page.size() - 100);
    page += "<a href=\"a.pdf\">\nT\n";
    Scan(state, page, {"72030"});
}

// Real entries of fifteen watched stocks.
void BM_ListingEntries(benchmark::State& state)
{
    std::vector<std::string> keys;
    std::string entries;
    for (int code = 7200; code < 7215; ++code) {
        keys.push_back(std::to_string(code) + "0");
        entries += ListingEntry("15:00", keys.back(), "140120261207.pdf", S("決算短信〔日本基準〕（連結）"));
    }
    Scan(state, Repeated(entries), keys);
}

} // namespace

BENCHMARK(BM_ZerosWithCodeOfZeros)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysWithoutLinks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysBeforeOneLink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingEntries)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
