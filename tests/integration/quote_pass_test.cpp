#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/quotes/quote_pass.h"
#include "core/text/texts.h"
#include "core/watch/watch_list.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

class FixedClock : public Clock {
public:
    LocalTime Now() const override { return {2026, 12, 4, 10, 0, 0, 5}; }
};

// A window made of plain state, safe to use from several threads, that keeps
// what the passes wrote.
class RecordingWindow : public QuotePassWindow {
public:
    bool Stopping() override { return stopAfterChecks >= 0 && checks++ >= stopAfterChecks; }
    void SetProgressText(const std::string& text) override
    {
        const std::lock_guard hold(lock);
        progress.push_back(text);
    }
    std::string EntryCode() override
    {
        const std::lock_guard hold(lock);
        return entryCode;
    }
    int EntryMarket() override { return entryMarket; }
    void ShowEntryQuote(const QuoteValues& values, const std::string&) override
    {
        const std::lock_guard hold(lock);
        entry = values;
    }
    void ShowEntryNoData() override
    {
        const std::lock_guard hold(lock);
        entryNoData = true;
    }
    void ShowIndexQuote(std::size_t index, const std::string& value, const std::string& change) override
    {
        const std::lock_guard hold(lock);
        indices.at(index) = {value, change};
    }
    std::optional<Row> ReadRow(std::size_t row) override
    {
        const std::lock_guard hold(lock);
        if (row >= rows.RowCount())
            return std::nullopt;
        return Row{rows.Cell(row, ColCode), rows.Cell(row, ColMarket)};
    }
    bool StoreRowQuote(std::size_t row, const std::string& record) override
    {
        const std::lock_guard hold(lock);
        if (row >= rows.m_rowQuotes.size())
            return false;
        rows.m_rowQuotes[row] = record;
        return true;
    }
    void ShowRowQuote(std::size_t row, const std::string& code, const QuoteValues& values, const std::string& trend) override
    {
        const std::lock_guard hold(lock);
        if (row >= rows.RowCount() || rows.Cell(row, ColCode) != code)
            return;
        rows.SetCell(row, ColName, values[QuoteName]);
        rows.SetCell(row, ColPrice, values[QuotePrice]);
        rows.SetCell(row, ColRate, values[QuoteRate]);
        rows.SetCell(row, ColTrend, trend);
        ++rowWrites;
    }

    void AddRow(const std::string& code, const std::string& market)
    {
        const std::lock_guard hold(lock);
        rows.InsertRow(rows.RowCount(), code);
        rows.SetCell(rows.RowCount() - 1, ColMarket, market);
    }

    std::atomic<int> stopAfterChecks{-1}; // -1: never stop
    std::atomic<int> checks{0};
    std::mutex lock;
    WatchList rows;
    std::string entryCode;
    std::atomic<int> entryMarket{0};
    std::optional<QuoteValues> entry;
    bool entryNoData = false;
    std::vector<std::string> progress;
    std::array<std::pair<std::string, std::string>, 4> indices;
    int rowWrites = 0;
};

class QuotePassCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator = std::make_unique<sim::MarketSimulator>(sim::MarketSimulator::Config{{}, &clock});
        ASSERT_GT(simulator->Start(0), 0);
        config = MakeQuotePassConfig(Settings());
        config.baseUrl = simulator->BaseAddress() + S("/q?s=銘柄.市場");
    }

    std::string Sjis(const std::string& utf8) { return S(utf8.c_str()); }
    sim::SimQuote Quote(const char* symbol) { return *sim::QuoteFor(symbol, clock.Now()); }

    FixedClock clock;
    std::unique_ptr<sim::MarketSimulator> simulator;
    QuotePassConfig config;
    RecordingWindow window;
};

} // namespace

TEST_F(QuotePassCoreTest, OnePassFetchesEntryIndicesAndRowsInTurn)
{
    window.entryCode = "9984";
    window.entryMarket = 3; // 大証, letter o
    window.AddRow("7203", S("東証"));
    window.AddRow("123", S("東証"));
    window.AddRow("6758", S("Unknown market"));
    QuotePass(window, config);

    EXPECT_EQ(simulator->RequestCount(), 1u + 4u + 2u);
    EXPECT_EQ(window.progress, (std::vector<std::string>{texts::Sjis(texts::DataFetching), ""}));
    ASSERT_TRUE(window.entry);
    EXPECT_EQ((*window.entry)[QuotePrice], Sjis(Quote("9984.o").price));
    EXPECT_EQ(window.indices[0].first, Sjis("日経平均 ( " + Quote("998407").time + " ) " + Quote("998407").price));
    EXPECT_EQ(window.indices[3].second, Sjis(" " + Quote("5040469").change + " "));
    EXPECT_EQ(window.rows.Cell(0, ColPrice), Sjis(Quote("7203.t").price));
    EXPECT_EQ(window.rows.Cell(1, ColPrice), "");
    // A market name nobody knows is read as the first market.
    EXPECT_EQ(window.rows.Cell(2, ColName), Sjis(Quote("6758.t").name));
    EXPECT_EQ(window.rows.m_rowQuotes[1], "");
    EXPECT_FALSE(window.rows.m_rowQuotes[0].empty());
}

TEST_F(QuotePassCoreTest, HttpErrorsBlankRowsAndClearTheStatus)
{
    config.baseUrl = simulator->BaseAddress() + S("/q?status=503&s=銘柄.市場");
    window.AddRow("7203", S("東証"));
    window.rows.SetCell(0, ColPrice, "1,000");
    QuotePass(window, config);
    EXPECT_EQ(window.rows.m_rowQuotes[0], "503");
    EXPECT_EQ(window.rows.Cell(0, ColPrice), "");
    EXPECT_EQ(window.rows.Cell(0, ColTrend), texts::Sjis(texts::TrendFlat));
    EXPECT_EQ(window.indices[0].first, ""); // indices keep their texts
    EXPECT_EQ(window.progress.front(), texts::Sjis(texts::DataFetching));
    EXPECT_EQ(window.progress.back(), "");
    EXPECT_EQ(window.progress.size(), 2u + 5u); // each error empties the label
}

TEST_F(QuotePassCoreTest, MissingMarkerShowsNodataInThatValueOnly)
{
    config.baseUrl = simulator->BaseAddress() + S("/q?missing=price&s=銘柄.市場");
    window.AddRow("7203", S("東証"));
    QuotePass(window, config);
    EXPECT_EQ(window.rows.Cell(0, ColPrice), "nodata");
    EXPECT_EQ(window.rows.Cell(0, ColName), Sjis(Quote("7203.t").name));
    EXPECT_EQ(window.indices[0].first, ""); // no usable index price
}

TEST_F(QuotePassCoreTest, AStoppingWindowGetsNoFurtherPage)
{
    window.entryCode = "7203";
    window.AddRow("6758", S("東証"));
    window.stopAfterChecks = 2; // the entry row and the first index
    QuotePass(window, config);
    EXPECT_EQ(simulator->RequestCount(), 2u);
    EXPECT_TRUE(window.entry);
    EXPECT_FALSE(window.indices[0].first.empty());
    EXPECT_TRUE(window.indices[1].first.empty());
    EXPECT_EQ(window.rows.Cell(0, ColPrice), "");
    EXPECT_EQ(window.progress.back(), "");
}

TEST_F(QuotePassCoreTest, RowsChangingDuringPassesStayConsistent)
{
    // Passes queue on the quote lock while the "window thread" edits the list.
    std::mutex quoteLock;
    std::atomic<bool> stop{false};
    std::vector<std::thread> passes;
    for (int i = 0; i < 3; ++i) {
        passes.emplace_back([&] {
            const std::lock_guard hold(quoteLock);
            QuotePass(window, config);
        });
    }
    std::thread editor([&] {
        const char* codes[] = {"7203", "6758", "9984", "8306"};
        for (int n = 0; !stop; ++n) {
            {
                const std::lock_guard hold(window.lock);
                if (window.rows.IsFull() || n % 3 == 2)
                    window.rows.RemoveRow(0);
                else
                    window.rows.InsertRow(0, codes[n % 4]);
            }
            std::this_thread::yield();
        }
    });
    for (std::thread& pass : passes)
        pass.join();
    stop = true;
    editor.join();

    const std::lock_guard hold(window.lock);
    EXPECT_EQ(window.rows.m_rowQuotes.size(), window.rows.RowCount());
    EXPECT_EQ(window.progress.back(), "");
    EXPECT_EQ(window.progress.size(), 6u);
}
