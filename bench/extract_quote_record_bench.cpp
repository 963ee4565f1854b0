#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

constexpr int kPieces = 51;
constexpr std::size_t kPieceBytes = 1023;

// One line of page markup of exactly kPieceBytes bytes (line feed included),
// with Shift_JIS text in it and none of the default markers.
std::string FillerLine(int n)
{
    std::string line = "<tr><td class=c" + std::to_string(n) + "><a href=\"/l?s=" + std::to_string(1000 + n) +
                       "\">" + S("関連ニュース") + "</a></td>";
    while (line.size() < kPieceBytes - 64)
        line += "<td class=n>" + S("株価") + " 1,234</td>";
    line.resize(kPieceBytes - 1, ' ');
    return line + "\n";
}

// The markup of one quote table cell, padded into a line of its own.
std::string CellLine(const std::string& cell)
{
    std::string line = cell;
    line.resize(kPieceBytes - 1, ' ');
    return line + "\n";
}

std::vector<std::string> QuoteCells()
{
    return {"</tr><tr align=right>",
            "<td><img src=\"i.gif\" align=absmiddle><b>" + S("トヨタ自動車") + "&nbsp;</b></td>",
            "<td nowrap align=center>15:00</td>",
            "<td nowrap><b>5,120</b></td>",
            "<td nowrap><font color=red>-15</font></td>",
            "<td nowrap><font color=red>-0.29%</font></td>",
            "<td nowrap>8,123,400</td>"};
}

// A full window of 51 pieces; the quote table's cells stand on the lines
// given, the rest is filler.
std::string Window(const std::vector<int>& cellLines)
{
    const std::vector<std::string> cells = QuoteCells();
    std::string window;
    for (int n = 0; n < kPieces; ++n) {
        std::string line = FillerLine(n);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cellLines[c] == n)
                line = CellLine(cells[c]);
        }
        window += line;
    }
    return window;
}

void Run(benchmark::State& state, const std::string& window)
{
    const MarkerRules rules = Settings().markerRules;
    if (SplitQuoteRecord(ExtractQuoteRecord(window, rules))[QuotePrice] != "5,120") {
        state.SkipWithError("window does not hold the quote");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractQuoteRecord(window, rules));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(window.size()));
}

void BM_ExtractMarkersNearTheEnd(benchmark::State& state)
{
    Run(state, Window({43, 44, 45, 46, 47, 48, 49}));
}

void BM_ExtractMarkersSpread(benchmark::State& state)
{
    Run(state, Window({2, 10, 18, 26, 34, 42, 50}));
}

void BM_ExtractWithoutAnchor(benchmark::State& state)
{
    const std::string window = Window({-1, -1, -1, -1, -1, -1, -1});
    const MarkerRules rules = Settings().markerRules;
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtractQuoteRecord(window, rules));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(window.size()));
}

} // namespace

BENCHMARK(BM_ExtractMarkersNearTheEnd);
BENCHMARK(BM_ExtractMarkersSpread);
BENCHMARK(BM_ExtractWithoutAnchor);

BENCHMARK_MAIN();
