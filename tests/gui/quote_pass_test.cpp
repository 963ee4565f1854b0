#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <atomic>
#include <thread>

#include "core/text/code_page.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "integration/local_servers.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

// Real passes of the real window against the local market simulator, whose
// prices stand still on the test's clock.
class QuotePassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator = std::make_unique<sim::MarketSimulator>(sim::MarketSimulator::Config{{}, &simClock});
        ASSERT_GT(simulator->Start(0), 0);
    }

    void WriteSettings(const std::string& rows, const std::string& query = "")
    {
        folder.WriteSettings(S("[MEIGARA_DATA]\r\n") + rows + "[LINK_JOUHOU]\r\nBASE_URL=" + simulator->BaseAddress() +
                             "/q?" + query + S("s=銘柄.市場") + "\r\n");
    }

    std::unique_ptr<MainWindow> Start()
    {
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
        return window;
    }

    bool WaitForIdle(MainWindow& window, std::size_t requests)
    {
        return QTest::qWaitFor([&] { return simulator->RequestCount() >= requests && Text(window, "statusLabel").isEmpty(); },
                               20000);
    }

    static QString Utf8(const std::string& text) { return QString::fromStdString(text); }

    sim::SimQuote Quote(const char* symbol) { return *sim::QuoteFor(symbol, simClock.now); }

    FixedClock clock;
    FixedClock simClock;
    ProgramFolderFixture folder;
    std::unique_ptr<sim::MarketSimulator> simulator;
};

} // namespace

TEST_F(QuotePassTest, StartupPassFillsIndicesAndRows)
{
    WriteSettings(S("KOSUU=3\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=123\r\nSIJOU1=東証\r\nNUM2=6758\r\nSIJOU2=大証\r\n"));
    auto window = Start();
    // The selected row 0 in the entry row, four indices and two rows; the
    // 3-byte code is never looked up.
    ASSERT_TRUE(WaitForIdle(*window, 7));
    QTest::qWait(50);
    EXPECT_EQ(simulator->RequestCount(), 7u);
    EXPECT_EQ(Text(*window, "codeEdit"), QStringLiteral("7203"));
    EXPECT_EQ(Text(*window, "priceEdit"), Cell(*window, 0, 4));

    const sim::SimQuote nikkei = Quote("998407");
    EXPECT_EQ(Text(*window, "nikkeiLabel"), Utf8("日経平均 ( " + nikkei.time + " ) " + nikkei.price));
    EXPECT_EQ(Text(*window, "nikkeiChangeLabel"), Utf8(" " + nikkei.change + " "));
    EXPECT_EQ(Text(*window, "topixLabel"), Utf8("TOPIX ( " + Quote("998405").time + " ) " + Quote("998405").price));
    EXPECT_EQ(Text(*window, "jasdaqLabel").left(9), QStringLiteral("JASDAQ ( "));
    EXPECT_EQ(Text(*window, "futuresLabel").left(7), QStringLiteral("日経先物 ( "));

    const sim::SimQuote toyota = Quote("7203.t");
    EXPECT_EQ(Cell(*window, 0, 1), Utf8(toyota.name));
    EXPECT_EQ(Cell(*window, 0, 3), Utf8(toyota.time));
    EXPECT_EQ(Cell(*window, 0, 4), Utf8(toyota.price));
    EXPECT_EQ(Cell(*window, 0, 5), Utf8(toyota.change));
    EXPECT_EQ(Cell(*window, 0, 6), Utf8(toyota.rate));
    EXPECT_EQ(Cell(*window, 0, 7), Utf8(toyota.volume));
    EXPECT_EQ(Cell(*window, 0, 8), toyota.direction > 0 ? QStringLiteral("△ ") : toyota.direction < 0 ? QStringLiteral("▼ ") : QStringLiteral("－ "));
    EXPECT_EQ(Cell(*window, 1, 1), QString()); // skipped row keeps its cells
    EXPECT_EQ(Cell(*window, 2, 4), Utf8(Quote("6758.o").price));
    EXPECT_EQ(Text(*window, "statusLabel"), QString());
}

TEST_F(QuotePassTest, HttpErrorBlanksRowsAndKeepsIndices)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\nMESSAGE0=メモ\r\n"), "status=404&");
    auto window = Start();
    ASSERT_TRUE(WaitForIdle(*window, 5));
    QTest::qWait(50);
    EXPECT_EQ(Text(*window, "nikkeiLabel"), QStringLiteral("日経平均株価"));
    EXPECT_EQ(Text(*window, "nikkeiChangeLabel"), QString());
    EXPECT_EQ(Cell(*window, 0, 0), QStringLiteral("7203"));
    EXPECT_EQ(Cell(*window, 0, 1), QString());
    EXPECT_EQ(Cell(*window, 0, 4), QString());
    EXPECT_EQ(Cell(*window, 0, 8), QStringLiteral("－ "));
    EXPECT_EQ(Cell(*window, 0, 10), QStringLiteral("メモ"));
}

TEST_F(QuotePassTest, UnreachablePageKeepsTheRow)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    auto window = Start();
    ASSERT_TRUE(WaitForIdle(*window, 5));
    QTest::qWait(50);
    const QString price = Cell(*window, 0, 4);
    ASSERT_FALSE(price.isEmpty());

    simulator->Stop();
    QSignalSpy passed(window.get(), &MainWindow::QuotePassFinished);
    Tick(*window, "quoteTimer"); // every page of it fails
    ASSERT_TRUE(passed.wait(30000));
    EXPECT_EQ(Cell(*window, 0, 4), price);
    // The rows keep their prices, drawn grey, and the label says since when.
    EXPECT_EQ(Text(*window, "statusLabel"), QStringLiteral("株価取得エラー (最終取得 10:00)"));
    const QAbstractItemModel& rows = *Control<QTableView>(*window, "watchList")->model();
    EXPECT_EQ(rows.data(rows.index(0, 4), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_EQ(Text(*window, "nikkeiLabel").left(4), QStringLiteral("日経平均"));

    // The first pass that gets pages again clears it all.
    sim::MarketSimulator again(sim::MarketSimulator::Config{{}, &simClock});
    ASSERT_GT(again.Start(0), 0);
    SetQuoteBaseUrl(*window, again.BaseAddress() + S("/q?s=銘柄.市場"));
    Tick(*window, "quoteTimer");
    ASSERT_TRUE(passed.wait(30000));
    EXPECT_EQ(Text(*window, "statusLabel"), QString());
    EXPECT_NE(rows.data(rows.index(0, 4), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
}

TEST_F(QuotePassTest, TypedCodeIsPreviewedInTheEntryRow)
{
    WriteSettings("KOSUU=0\r\n");
    auto window = Start();
    ASSERT_TRUE(WaitForIdle(*window, 4));
    static_cast<QLineEdit*>(Control(*window, "codeEdit"))->setText(QStringLiteral("9984"));
    Tick(*window, "quoteTimer");
    ASSERT_TRUE(WaitForIdle(*window, 9));
    QTest::qWait(50);
    const sim::SimQuote quote = Quote("9984.t");
    EXPECT_EQ(Text(*window, "nameEdit"), Utf8(quote.name));
    EXPECT_EQ(Text(*window, "priceEdit"), Utf8(quote.price));
    EXPECT_EQ(Text(*window, "volumeEdit"), Utf8(quote.volume));

    // Without an answer from the service the entry row shows "no data".
    simulator->Stop();
    Tick(*window, "quoteTimer");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text(*window, "nameEdit") == QStringLiteral("no data"); }, 20000));
    EXPECT_EQ(Text(*window, "priceEdit"), QStringLiteral("no data"));
    EXPECT_EQ(Text(*window, "trendEdit"), QStringLiteral("no data"));
}

// A pass asked for while one runs runs once more when that one ends:
// never two at once, never a pile.
TEST_F(QuotePassTest, APassAskedForWhileOneRunsRunsOnceMoreAfterIt)
{
    // A quote service that notes how many requests it serves at once.
    std::atomic<int> active{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> served{0};
    zelmora::testing::Serving<httplib::Server> service;
    service.server.Get("/q", [&](const httplib::Request& request, httplib::Response& response) {
        mostAtOnce = std::max(mostAtOnce.load(), ++active);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::string page = sim::RenderQuotePageUtf8(request.get_param_value("s"), simClock.now, {});
        response.set_content(sim::EncodePage(page, sim::PageEncoding::ShiftJis), "text/html");
        --active;
        ++served;
    });
    ASSERT_GT(service.Start(), 0);
    folder.WriteSettings(S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n[LINK_JOUHOU]\r\nBASE_URL=") +
                         service.Address("http", S("/q?s=銘柄.市場")) + "\r\n");

    auto window = Start();
    QTest::qWait(1000);
    EXPECT_EQ(Text(*window, "statusLabel"), QStringLiteral("データ取得中"));
    Tick(*window, "quoteTimer");
    // Two passes of entry row, four indices and one row.
    ASSERT_TRUE(QTest::qWaitFor([&] { return served == 12 && Text(*window, "statusLabel").isEmpty(); }, 30000));
    QTest::qWait(100);
    EXPECT_EQ(served, 12);
    EXPECT_EQ(mostAtOnce, 1);
    EXPECT_FALSE(Cell(*window, 0, 4).isEmpty());
}

TEST_F(QuotePassTest, QuoteTimerStartsPassesOnlyWhileTheMarketIsOpenOnATradingDay)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    clock.now = {2026, 12, 5, 10, 0, 0, 6}; // Saturday
    auto window = Start();
    ASSERT_TRUE(WaitForIdle(*window, 6));
    EXPECT_TRUE(Timer(*window, "quoteTimer")->isActive());
    EXPECT_TRUE(Timer(*window, "disclosureTimer")->isActive());

    Tick(*window, "quoteTimer");
    clock.now = {2026, 11, 23, 10, 0, 0, 1}; // 勤労感謝の日, a Monday
    Tick(*window, "quoteTimer");
    clock.now = {2026, 12, 31, 10, 0, 0, 4}; // the exchange's year end, a Thursday
    Tick(*window, "quoteTimer");
    QTest::qWait(300);
    EXPECT_EQ(simulator->RequestCount(), 6u);

    clock.now = {2026, 12, 4, 15, 30, 0, 5}; // Friday, last minute of trading
    Tick(*window, "quoteTimer");
    EXPECT_TRUE(WaitForIdle(*window, 12));
}

TEST_F(QuotePassTest, PollingNeedsRowsAndFollowsTheButtons)
{
    WriteSettings("KOSUU=0\r\n");
    auto empty = Start();
    EXPECT_FALSE(Timer(*empty, "quoteTimer")->isActive());
    EXPECT_FALSE(Timer(*empty, "disclosureTimer")->isActive());
    empty.reset();

    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"));
    auto window = Start();
    EXPECT_FALSE(Control(*window, "connectButton")->isEnabled());
    static_cast<QPushButton*>(Control(*window, "disconnectButton"))->click();
    EXPECT_FALSE(Timer(*window, "quoteTimer")->isActive());
    EXPECT_FALSE(Timer(*window, "disclosureTimer")->isActive());
    EXPECT_TRUE(Control(*window, "connectButton")->isEnabled());
    static_cast<QPushButton*>(Control(*window, "connectButton"))->click();
    EXPECT_TRUE(Timer(*window, "quoteTimer")->isActive());
}

// Closing ends the page in flight: the settings are saved before close()
// returns, and no further page is asked for.
TEST_F(QuotePassTest, ClosingDuringAPassEndsItAndSavesAtOnce)
{
    WriteSettings(S("KOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n"), "slow=3000&");
    const std::string before = folder.ReadSettings();
    auto window = Start();
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return simulator->RequestCount() == 1; }));
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_NE(folder.ReadSettings(), before);
    // Nothing starts once the shutdown has begun.
    Tick(*window, "quoteTimer");
    QTest::qWait(200);
    EXPECT_EQ(simulator->RequestCount(), 1u);
}
