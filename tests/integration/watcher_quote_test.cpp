// Quote passes and lookups of the real watcher against the local market
// simulator; the threaded cases also run under ThreadSanitizer.

#include <thread>

#include "core/dayrecord/day_record.h"
#include "core/disclosure/history_file.h"
#include "core/platform/file_bytes.h"
#include "core/quotes/marker_rule_learner.h"
#include "core/text/texts.h"
#include "integration/watcher_fixture.h"

using namespace zelmora;
using zelmora::testing::WatcherTest;

namespace {

class WatcherQuotes : public WatcherTest {
protected:
    std::string Sjis(const std::string& utf8) { return S(utf8.c_str()); }
    sim::SimQuote Quote(const char* symbol) { return *sim::QuoteFor(symbol, clock.Now()); }

    // Types the code and waits for its lookup.
    void TypeAndWait(const std::string& code)
    {
        const int lookups = observer.Get([](auto& o) { return o.Finished(PassKind::Lookup); });
        watcher->TypeEntryCode(code);
        ASSERT_TRUE(observer.WaitForPasses(PassKind::Lookup, lookups + 1));
    }
    void RunQuotePass(int count = 1)
    {
        const int before = observer.Get([](auto& o) { return o.Finished(PassKind::Quote); });
        watcher->RequestQuotePass();
        ASSERT_TRUE(observer.WaitForPasses(PassKind::Quote, before + count));
    }
};

} // namespace

TEST_F(WatcherQuotes, OnePassFetchesEntryIndicesAndRowsInTurn)
{
    WriteSettings({{"7203", "東証"}, {"123", "東証"}, {"6758", "Unknown market"}});
    Start();
    watcher->ChooseEntryMarket(3); // 大証, letter o
    TypeAndWait("9984");
    EXPECT_EQ(watcher->Entry().values[QuotePrice], Sjis(Quote("9984.o").price));
    const std::size_t lookups = simulator->RequestCount();
    observer.Get([](auto& o) { return o.statuses.clear(), 0; });

    RunQuotePass();
    EXPECT_EQ(simulator->RequestCount() - lookups, 1u + 4u + 2u);
    const PassReport pass = observer.LastPass(PassKind::Quote);
    EXPECT_EQ(pass.pagesFetched, 1 + 4 + 2);
    EXPECT_EQ(pass.rowsWithQuotes, 2);
    EXPECT_EQ(observer.Get([](auto& o) { return o.statuses; }),
              (std::vector<std::string>{texts::Sjis(texts::DataFetching), ""}));
    const auto indices = observer.Get([](auto& o) { return o.indices; });
    EXPECT_EQ(indices.at(0).first, Sjis("日経平均 ( " + Quote("998407").time + " ) " + Quote("998407").price));
    EXPECT_EQ(indices.at(3).second, Sjis(" " + Quote("5040469").change + " "));
    EXPECT_EQ(watcher->Cell(0, ColPrice), Sjis(Quote("7203.t").price));
    EXPECT_EQ(watcher->Cell(1, ColPrice), "");
    // A market name nobody knows is read as the first market.
    EXPECT_EQ(watcher->Cell(2, ColName), Sjis(Quote("6758.t").name));
}

// Each row's and index's new page time goes into the day's record once; the
// entry row's lookup adds nothing.
TEST_F(WatcherQuotes, PassesKeepEachNewPageTimeInTheDaysRecord)
{
    WriteSettings({{"7203", "東証"}});
    Start();
    TypeAndWait("9984");
    const sim::SimQuote first = Quote("7203.t");
    RunQuotePass();
    clock.Set({2026, 12, 7, 10, 1, 0, 1});
    RunQuotePass(); // 10:01
    RunQuotePass(); // 10:01 again
    const auto plain = [](std::string text) {
        std::erase(text, ',');
        std::erase(text, '+');
        return text;
    };
    const auto line = [&](const sim::SimQuote& q) {
        return q.time + "," + plain(q.price) + "," + plain(q.change) + "," + plain(q.volume) + "\r\n";
    };
    EXPECT_EQ(ReadFileBytes(DayRecordPath(folder, "20261207", "7203")), line(first) + line(Quote("7203.t")));
    EXPECT_EQ(ReadDayRecord(DayRecordPath(folder, "20261207", "998407")).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(DayRecordPath(folder, "20261207", "9984")));
}

// The same requests as ever, over one connection for the whole pass.
TEST_F(WatcherQuotes, APassFetchesAllItsPagesOverOneConnection)
{
    WriteSettings({{"7203", "東証"}, {"6758", "東証"}, {"9984", "大証"}});
    Start();
    RunQuotePass();
    EXPECT_EQ(simulator->RequestCount(), 4u + 3u);
    EXPECT_EQ(simulator->ConnectionCount(), 1u);
    EXPECT_EQ(watcher->Cell(2, ColPrice), Sjis(Quote("9984.o").price));
}

TEST_F(WatcherQuotes, HttpErrorsBlankRowsAndClearTheStatus)
{
    WriteSettings({{"7203", "東証"}}, "BASE_URL=" + QuoteBase("status=503&") + "\r\n");
    Start();
    RunQuotePass();
    EXPECT_EQ(watcher->Cell(0, ColPrice), "");
    EXPECT_EQ(watcher->Cell(0, ColTrend), texts::Sjis(texts::TrendFlat));
    EXPECT_TRUE(observer.Get([](auto& o) { return o.indices.empty(); })); // indices keep their texts
    const auto statuses = observer.Get([](auto& o) { return o.statuses; });
    ASSERT_EQ(statuses.size(), 2u + 5u); // each error empties the label
    EXPECT_EQ(statuses.front(), texts::Sjis(texts::DataFetching));
    EXPECT_EQ(statuses.back(), "");
    const PassReport pass = observer.LastPass(PassKind::Quote);
    EXPECT_EQ(pass.pagesFetched + pass.rowsWithQuotes, 0);
}

TEST_F(WatcherQuotes, MissingMarkerShowsNodataInThatValueOnly)
{
    WriteSettings({{"7203", "東証"}}, "BASE_URL=" + QuoteBase("missing=price&") + "\r\n");
    Start();
    RunQuotePass();
    EXPECT_EQ(watcher->Cell(0, ColPrice), "nodata");
    EXPECT_EQ(watcher->Cell(0, ColName), Sjis(Quote("7203.t").name));
    const PassReport pass = observer.LastPass(PassKind::Quote);
    EXPECT_EQ(pass.pagesFetched, 4 + 1);
    EXPECT_EQ(pass.rowsWithQuotes, 0); // a page, but no price

    EXPECT_TRUE(observer.Get([](auto& o) { return o.indices.empty(); })); // no usable index price
}

// The service changes its layout: every page answers, no row reads. The
// third such pass warns, the rows keep their values, and a pass that reads
// again clears the warning; an unreachable service never warns.
TEST_F(WatcherQuotes, AChangedLayoutIsWarnedAfterThreePassesAndClearedByOneThatReads)
{
    WriteSettings({{"7203", "東証"}, {"6758", "東証"}});
    Start();
    RunQuotePass();
    const std::string price = watcher->Cell(0, ColPrice);
    ASSERT_FALSE(price.empty());

    sim::PageOptions changed;
    changed.layout = sim::PageLayout::List;
    simulator->SetDefaults(changed);
    for (int pass = 1; pass <= 3; ++pass) {
        EXPECT_FALSE(watcher->LayoutWarning()) << pass;
        RunQuotePass();
    }
    EXPECT_TRUE(watcher->LayoutWarning());
    EXPECT_EQ(watcher->StatusText(), texts::Sjis(texts::LayoutChangeWarning));
    EXPECT_EQ(observer.Get([](auto& o) { return o.statuses.back(); }), texts::Sjis(texts::LayoutChangeWarning));
    EXPECT_EQ(watcher->Cell(0, ColPrice), price);

    simulator->SetDefaults({});
    RunQuotePass();
    EXPECT_FALSE(watcher->LayoutWarning());
    EXPECT_EQ(watcher->StatusText(), "");

    watcher->ChangeSettings([](Settings& s) { s.quoteBaseUrl = S("http://127.0.0.1:1/q?s=銘柄.市場"); });
    for (int pass = 0; pass < 4; ++pass)
        RunQuotePass();
    EXPECT_FALSE(watcher->LayoutWarning());
}

// Rules learned from a page whose quote stands before piece 151, with the
// window they came with, read every page of that layout.
TEST_F(WatcherQuotes, PassesReadTheRulesAndWindowOfTheSettings)
{
    sim::PageOptions json;
    json.layout = sim::PageLayout::Json;
    const sim::SimQuote toyota = Quote("7203.t");
    const std::string saved = sim::EncodePage(sim::RenderQuotePageUtf8("7203.t", clock.Now(), json), sim::PageEncoding::ShiftJis);
    const LearnedRules learned = LearnMarkerRules(
        saved, {Sjis(toyota.name), toyota.time, toyota.price, toyota.change, toyota.rate, toyota.volume});
    ASSERT_TRUE(learned.Complete());
    ASSERT_NE(learned.window, PieceWindow{});

    WriteSettings({{"6758", "東証"}}, "BASE_URL=" + QuoteBase("layout=json&") + "\r\n");
    Start();
    watcher->ChangeSettings([&](Settings& s) {
        s.markerRules = learned.rules;
        s.quoteWindow = learned.window;
    });
    RunQuotePass();
    EXPECT_EQ(watcher->Cell(0, ColPrice), Sjis(Quote("6758.t").price));
    EXPECT_EQ(observer.Get([](auto& o) { return o.indices.at(0).first; }),
              Sjis("日経平均 ( " + Quote("998407").time + " ) " + Quote("998407").price));
}

// Asked for while it runs, a pass runs once more when it ends, with the
// settings of that moment: never a pile of passes.
TEST_F(WatcherQuotes, PassesAskedForWhileOneRunsGiveOneMorePassWithTheNewSettings)
{
    WriteSettings({{"7203", "東証"}}, "BASE_URL=" + QuoteBase("slow=300&") + "\r\n");
    Start();
    watcher->RequestQuotePass();
    while (simulator->RequestCount() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int i = 0; i < 10; ++i)
        watcher->RequestQuotePass();
    watcher->ChangeSettings([&](Settings& s) { s.quoteBaseUrl = QuoteBase("missing=price&"); });
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Quote, 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(observer.Get([](auto& o) { return o.Finished(PassKind::Quote); }), 2);
    EXPECT_EQ(simulator->RequestCount(), 2u * 5u);
    EXPECT_EQ(watcher->Cell(0, ColPrice), "nodata"); // the second pass read the new address
}

// The newest lookup wins: an older one still fetching is cancelled and
// never reaches the entry row.
TEST_F(WatcherQuotes, ANewerLookupCancelsTheOlderOne)
{
    WriteSettings({}, "BASE_URL=" + simulator->BaseAddress() + S("/q?s=銘柄.市場") + "\r\n");
    Start();
    watcher->ChangeSettings([&](Settings& s) { s.quoteBaseUrl = simulator->BaseAddress() + S("/q?slow=5000&s=銘柄.市場"); });
    watcher->TypeEntryCode("7203");
    while (simulator->RequestCount() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    watcher->ChangeSettings([&](Settings& s) { s.quoteBaseUrl = QuoteBase(); });
    const auto started = std::chrono::steady_clock::now();
    watcher->TypeEntryCode("6758");
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Lookup, 1));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)); // not after the slow page
    EXPECT_EQ(watcher->Entry().values[QuoteName], Sjis(Quote("6758.t").name));
    EXPECT_EQ(observer.Get([](auto& o) { return o.entries.size(); }), 1u);
    EXPECT_FALSE(watcher->Entry().lookupRunning);
}

TEST_F(WatcherQuotes, AddingTheEntryRowWaitsForItsLookupAndTakesItsQuote)
{
    WriteSettings({{"6758", "東証"}}, "BASE_URL=" + QuoteBase("slow=200&") + "\r\n");
    Start();
    EXPECT_EQ(watcher->AddEntryToList(0), Watcher::AddResult::NoCode);
    watcher->TypeEntryCode("7203");
    EXPECT_EQ(watcher->AddEntryToList(0), Watcher::AddResult::Deferred);
    ASSERT_TRUE(observer.WaitForPasses(PassKind::Lookup, 1));
    // The watcher adds it with the lookup's answer.
    const std::vector<AddReport> adds = observer.Get([](auto& o) { return o.adds; });
    ASSERT_EQ(adds.size(), 1u);
    ASSERT_EQ(adds[0].result, Watcher::AddResult::Added);
    EXPECT_EQ(watcher->RowCount(), 2u);
    EXPECT_EQ(watcher->Cell(0, ColCode), "7203");
    EXPECT_EQ(watcher->Cell(0, ColMarket), S("東証"));
    EXPECT_EQ(watcher->Cell(0, ColPrice), Sjis(Quote("7203.t").price));
    EXPECT_EQ(watcher->Entry().code, ""); // ready for the next stock

    watcher->ChangeSettings([&](Settings& s) { s.quoteBaseUrl = QuoteBase("missing=price&"); });
    TypeAndWait("9984");
    EXPECT_EQ(watcher->Entry().values[QuotePrice], texts::Sjis(texts::NoData));
    EXPECT_EQ(watcher->AddEntryToList(0), Watcher::AddResult::NoQuote);
    EXPECT_EQ(watcher->RowCount(), 2u);
}

// Passes run while the owner's thread edits the list: every value lands in
// the row of its own stock.
TEST_F(WatcherQuotes, RowsChangingDuringPassesStayConsistent)
{
    WriteSettings({{"7203", "東証"}});
    Start();
    const char* codes[] = {"7203", "6758", "9984", "8306"};
    for (int n = 0; observer.Get([](auto& o) { return o.Finished(PassKind::Quote); }) < 3; ++n) {
        watcher->RequestQuotePass();
        const std::size_t rows = watcher->RowCount();
        switch (n % 3) {
        case 0:
            TypeAndWait(codes[n % 4]);
            watcher->AddEntryToList(static_cast<std::size_t>(n) % (rows + 1));
            break;
        case 1:
            if (rows > 1)
                watcher->MoveRow(0, rows - 1);
            break;
        default:
            if (rows > 0)
                watcher->DeleteRow(0);
            break;
        }
    }
    watcher->Stop();
    for (std::size_t row = 0; row < watcher->RowCount(); ++row) {
        const std::string code = watcher->Cell(row, ColCode);
        const std::string name = watcher->Cell(row, ColName);
        // A row just added holds the first 24 bytes until its next page.
        const std::string full = Sjis(Quote((code + ".t").c_str()).name);
        EXPECT_EQ(full.substr(0, name.size()), name) << row;
    }
    EXPECT_EQ(observer.Get([](auto& o) { return o.statuses.back(); }), "");
}

// No quote page answers: the status and the pass report say since when the
// prices stand, a lookup names the fault, and the next pass that gets pages
// ends it.
TEST_F(WatcherQuotes, AWatchNoServerAnswersIsBlindUntilAPassGetsPagesAgain)
{
    WriteSettings({{"7203", "東証"}});
    Start();
    RunQuotePass();
    clock.Set({2026, 12, 7, 10, 45, 0, 1});
    watcher->ChangeSettings([](Settings& s) { s.quoteBaseUrl = S("http://127.0.0.1:1/q?s=銘柄.市場"); });
    RunQuotePass();
    EXPECT_TRUE(observer.LastPass(PassKind::Quote).blind);
    EXPECT_EQ(observer.LastPass(PassKind::Quote).lastGoodTime, "10:00");
    EXPECT_EQ(watcher->StatusText(), S("株価取得エラー (最終取得 10:00)"));
    TypeAndWait("9984");
    EXPECT_EQ(watcher->Entry().values[QuoteName], S("接続エラー"));

    watcher->ChangeSettings([&](Settings& s) { s.quoteBaseUrl = QuoteBase(); });
    RunQuotePass();
    EXPECT_FALSE(observer.LastPass(PassKind::Quote).blind);
    EXPECT_EQ(watcher->StatusText(), "");
}

// A restart the same day reads alert.txt: what fired does not fire again
// while the price stays beyond; the next day it fires anew.
TEST_F(WatcherQuotes, AnAlertFiresOnceADayAcrossARestart)
{
    WriteSettings({{"7203", "東証"}});
    std::string ini = ReadFile(folder + "base_data.ini");
    ini.insert(ini.find("KOSUU=1\r\n") + 9, "ALERT0=1__\r\n");
    std::ofstream(folder + "base_data.ini", std::ios::binary) << ini;
    const auto firingsAfterAPass = [&] {
        Start();
        const int passes = observer.Get([](auto& o) { return o.Finished(PassKind::Quote); });
        watcher->RequestQuotePass();
        EXPECT_TRUE(observer.WaitForPasses(PassKind::Quote, passes + 1));
        watcher.reset();
        return observer.Get([](auto& o) { return o.alerts.size(); });
    };
    EXPECT_EQ(firingsAfterAPass(), 1u);
    EXPECT_EQ(firingsAfterAPass(), 1u);
    // The restarted list still shows the row's firing of today.
    EXPECT_TRUE(observer.Get([](auto& o) { return o.lists.back().alerts.at(0).fired; }));
    clock.Set({2026, 12, 8, 10, 0, 0, 2});
    EXPECT_EQ(firingsAfterAPass(), 2u);
    EXPECT_EQ(SplitHistoryLines(ReadFile(folder + "20261207/7203/alert.txt")).size(), 1u);
    EXPECT_EQ(SplitHistoryLines(ReadFile(folder + "20261208/7203/alert.txt")).size(), 1u);
}
