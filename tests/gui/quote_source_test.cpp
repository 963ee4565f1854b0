// The quote source dialog against the market simulator, and the warning
// the window shows when the quote pages look changed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "gui/main_window.h"
#include "gui/quote_source_dialog.h"
#include "session/sjis_qstring.h"
#include "gui/tray_icon.h"
#include "gui_test_support.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

class QuoteSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator = std::make_unique<sim::MarketSimulator>(sim::MarketSimulator::Config{{}, &clock});
        ASSERT_GT(simulator->Start(0), 0);
        folder.WriteSettings(S("[MEIGARA_DATA]\r\nKOSUU=1\r\nNUM0=7203\r\nSIJOU0=東証\r\n[LINK_JOUHOU]\r\nBASE_URL=") +
                             simulator->BaseAddress() + S("/q?s=銘柄.市場\r\n"));
        window = std::make_unique<MainWindow>(folder.Folder(), clock);
        QSignalSpy passes(window.get(), &MainWindow::QuotePassFinished);
        window->Start();
        ASSERT_TRUE(passes.wait(20000));
    }

    QuoteSourceDialog* Open()
    {
        window->ShowQuoteSourceSettings();
        return qobject_cast<QuoteSourceDialog*>(QApplication::activeModalWidget());
    }
    static void Try(QuoteSourceDialog& dialog)
    {
        QSignalSpy tried(&dialog, &QuoteSourceDialog::PageTried);
        Control<QPushButton>(dialog, "tryButton")->click();
        ASSERT_TRUE(tried.wait(20000));
    }
    static QStringList Results(QuoteSourceDialog& dialog)
    {
        QStringList values;
        for (const char* name : {"nameResultLabel", "timeResultLabel", "priceResultLabel", "changeResultLabel",
                                 "rateResultLabel", "volumeResultLabel"})
            values << Text(dialog, name);
        return values;
    }
    QStringList Expected(const char* symbol)
    {
        const sim::SimQuote q = *sim::QuoteFor(symbol, clock.now);
        QStringList values;
        for (const std::string& v : {q.name, q.time, q.price, q.change, q.rate, q.volume})
            values << QString::fromStdString(v);
        return values;
    }

    FixedClock clock;
    ProgramFolderFixture folder;
    std::unique_ptr<sim::MarketSimulator> simulator;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(QuoteSourceTest, TryShowsTheValuesABrokenRuleShowsNodataAndLearningRepairsIt)
{
    QuoteSourceDialog* dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("株価取得元の設定"));
    EXPECT_EQ(Text(*dialog, "codeEdit"), QStringLiteral("7203")); // the selected row
    Try(*dialog);
    // The simulator paints falls in a colour tag the built-in rules keep.
    const QStringList expected = Expected("7203.t");
    EXPECT_EQ(Results(*dialog).mid(0, 3), expected.mid(0, 3));

    Control<QLineEdit>(*dialog, "priceRuleEdit")->setText(QStringLiteral("[現在値]_<td nowrap><i>_</i></td>"));
    EXPECT_EQ(Text(*dialog, "priceResultLabel"), QStringLiteral("nodata"));
    EXPECT_EQ(Control<QLabel>(*dialog, "priceResultLabel")->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(Text(*dialog, "messageLabel"), QStringLiteral("目印がページにありません: 現在値"));
    EXPECT_EQ(Text(*dialog, "nameResultLabel"), expected[0]);

    // The page changes its layout; the values read on it teach new rules.
    sim::PageOptions list;
    list.layout = sim::PageLayout::List;
    simulator->SetDefaults(list);
    Try(*dialog);
    EXPECT_EQ(Results(*dialog), QStringList(6, QStringLiteral("nodata"))); // no anchor: nothing at all
    EXPECT_EQ(Text(*dialog, "messageLabel"), QStringLiteral("key の目印が範囲のページにありません"));
    const char* seen[] = {"nameSeenEdit", "timeSeenEdit", "priceSeenEdit", "changeSeenEdit", "rateSeenEdit", "volumeSeenEdit"};
    for (int i = 0; i < 6; ++i)
        Control<QLineEdit>(*dialog, seen[i])->setText(expected[i]);
    Control<QPushButton>(*dialog, "learnButton")->click();
    EXPECT_EQ(Text(*dialog, "messageLabel"), QStringLiteral("学習しました"));
    EXPECT_EQ(Results(*dialog), expected);
    QDir().mkpath(QStringLiteral(ZELMORA_SCREENSHOT_DIR));
    EXPECT_TRUE(dialog->grab().save(QStringLiteral(ZELMORA_SCREENSHOT_DIR "/quote-source-dialog.png")));
    const std::string learnedPrice = ToSjis(Text(*dialog, "priceRuleEdit"));

    // OK stores the learned rules; the next pass reads the new layout.
    Control<QPushButton>(*dialog, "okButton")->click();
    QSignalSpy passes(window.get(), &MainWindow::QuotePassFinished);
    Tick(*window, "quoteTimer");
    ASSERT_TRUE(passes.wait(20000));
    EXPECT_EQ(Cell(*window, 0, 4), expected[2]);
    window->close();
    EXPECT_NE(folder.ReadSettings().find("genzaiti=" + learnedPrice + "\r\n"), std::string::npos);
}

TEST_F(QuoteSourceTest, CancelChangesNothingAndDefaultsComeBack)
{
    // Two saves put the sections in the order every later save keeps.
    for (int save = 0; save < 2; ++save) {
        window->close();
        window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
    }
    window->close();
    const std::string before = folder.ReadSettings();
    window = std::make_unique<MainWindow>(folder.Folder(), clock);
    window->Start();
    QuoteSourceDialog* dialog = Open();
    ASSERT_NE(dialog, nullptr);
    Control<QLineEdit>(*dialog, "keyRuleEdit")->setText(QStringLiteral("[key]_changed"));
    Control<QPushButton>(*dialog, "defaultsButton")->click();
    EXPECT_EQ(Text(*dialog, "baseUrlEdit"), QStringLiteral("http://quote.yahoo.co.jp/q?s=銘柄.市場"));
    EXPECT_EQ(Text(*dialog, "keyRuleEdit"), QStringLiteral("[key]_</tr><tr align=right>"));
    EXPECT_EQ(Text(*dialog, "windowEdit"), QStringLiteral("151-201"));
    Control<QPushButton>(*dialog, "cancelButton")->click();
    window->close();
    EXPECT_EQ(folder.ReadSettings(), before);
}

// Three passes that read nothing on pages that answer: the status label and
// the tray tip say the layout may have changed; a pass that reads clears it.
TEST_F(QuoteSourceTest, AChangedLayoutShowsInTheStatusLabelAndTheTrayTip)
{
    const TrayAvailability previous = SetTrayAvailability([] { return true; });
    sim::PageOptions list;
    list.layout = sim::PageLayout::List;
    simulator->SetDefaults(list);
    QSignalSpy passes(window.get(), &MainWindow::QuotePassFinished);
    for (int pass = 0; pass < 3; ++pass) {
        Tick(*window, "quoteTimer");
        ASSERT_TRUE(passes.wait(20000));
    }
    QTest::qWait(50);
    EXPECT_EQ(Text(*window, "statusLabel"), QStringLiteral("株価ページの形式が変わった可能性があります（設定→株価取得元の設定）"));
    window->showMinimized();
    EXPECT_TRUE(Tray(*window).Tip().startsWith(QStringLiteral("株価ページの形式変更の可能性\n")));

    simulator->SetDefaults({});
    Tick(*window, "quoteTimer");
    ASSERT_TRUE(passes.wait(20000));
    QTest::qWait(50);
    EXPECT_EQ(Text(*window, "statusLabel"), QString());
    SetTrayAvailability(previous);
}
