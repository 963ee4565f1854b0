#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/quotes/layout_change_watch.h"
#include "core/quotes/marker_rule_learner.h"
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

TEST_F(QuotePassCoreTest, EachPassSaysWhatItSawForTheLayoutChangeWatch)
{
    window.AddRow("7203", S("東証"));
    window.AddRow("123", S("東証")); // never looked up
    window.AddRow("6758", S("東証"));
    const auto pass = [&](const std::string& query) {
        config.baseUrl = simulator->BaseAddress() + "/q?" + query + S("s=銘柄.市場");
        return QuotePass(window, config);
    };
    const auto counts = [](const QuotePassOutcome& o) {
        return std::vector<std::size_t>{o.pagesFetched, o.pagesNotOk, o.rowsFetched, o.rowsUsable};
    };
    EXPECT_EQ(counts(pass("")), (std::vector<std::size_t>{6, 0, 2, 2}));
    const std::string price = window.rows.Cell(0, ColPrice);

    // The service changes its layout: every page answers, no row reads, the
    // rows keep their values, and the third such pass raises the warning.
    LayoutChangeWatch watch;
    std::vector<LayoutChangeWatch::Change> changes;
    for (int i = 0; i < 3; ++i) {
        const QuotePassOutcome changed = pass("layout=dl&");
        EXPECT_EQ(counts(changed), (std::vector<std::size_t>{6, 0, 2, 0}));
        changes.push_back(watch.Record(changed));
    }
    EXPECT_EQ(changes.back(), LayoutChangeWatch::Change::Raised);
    EXPECT_EQ(window.rows.Cell(0, ColPrice), price);
    EXPECT_EQ(watch.Record(pass("layout=table&")), LayoutChangeWatch::Change::Cleared);

    EXPECT_EQ(counts(pass("status=404&")), (std::vector<std::size_t>{6, 6, 2, 0}));
    config.baseUrl = S("http://127.0.0.1:1/q?s=銘柄.市場");
    EXPECT_EQ(counts(QuotePass(window, config)), (std::vector<std::size_t>{6, 6, 2, 0}));
}

TEST_F(QuotePassCoreTest, PassesReadTheWindowOfTheSettings)
{
    // Rules learned from a page whose quote stands before piece 151.
    sim::PageOptions json;
    json.layout = sim::PageLayout::Json;
    const sim::SimQuote toyota = Quote("7203.t");
    const std::string saved = sim::EncodePage(sim::RenderQuotePageUtf8("7203.t", clock.Now(), json), sim::PageEncoding::ShiftJis);
    const LearnedRules learned = LearnMarkerRules(
        saved, {Sjis(toyota.name), toyota.time, toyota.price, toyota.change, toyota.rate, toyota.volume});
    ASSERT_TRUE(learned.Complete());
    ASSERT_NE(learned.window, PieceWindow{});

    Settings settings;
    settings.m_markerRules = learned.rules;
    settings.m_quoteWindow = learned.window;
    config = MakeQuotePassConfig(settings);
    config.baseUrl = simulator->BaseAddress() + S("/q?layout=json&s=銘柄.市場");
    window.AddRow("6758", S("東証"));
    EXPECT_EQ(QuotePass(window, config).rowsUsable, 1u);
    EXPECT_EQ(window.rows.Cell(0, ColPrice), Sjis(Quote("6758.t").price));
    EXPECT_EQ(window.indices[0].first, Sjis("日経平均 ( " + Quote("998407").time + " ) " + Quote("998407").price));

    config.window = PieceWindow{};
    EXPECT_EQ(QuotePass(window, config).rowsUsable, 0u);
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
