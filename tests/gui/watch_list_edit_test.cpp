#include <gtest/gtest.h>

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>

#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui/watch_list_model.h"
#include "gui_test_support.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

// The user's path through the entry row and the list, against the local
// market simulator.
class WatchListEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator = std::make_unique<sim::MarketSimulator>(sim::MarketSimulator::Config{{}, &clock});
        ASSERT_GT(simulator->Start(0), 0);
    }

    std::unique_ptr<MainWindow> Start(const std::string& rows, const std::string& query = "")
    {
        folder.WriteSettings(S("[MEIGARA_DATA]\r\n") + rows + "[LINK_JOUHOU]\r\nBASE_URL=" + simulator->BaseAddress() +
                             "/q?" + query + S("s=銘柄.市場") + "\r\n");
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        QSignalSpy startPass(window.get(), &MainWindow::QuotePassFinished);
        window->Start();
        lookups = std::make_unique<QSignalSpy>(window.get(), &MainWindow::EntryRowLookedUp);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Requests counted by a test start after the start's pass.
        EXPECT_TRUE(QTest::qWaitFor([&] { return startPass.count() > 0 && Text(*window, "statusLabel").isEmpty(); }, 20000));
        return window;
    }

    // Rows "NUMi=code, SIJOUi=東証, MESSAGEi=memo i" for the codes given.
    static std::string Rows(std::initializer_list<const char*> codes, int selected = 0)
    {
        std::string rows = "KOSUU=" + std::to_string(codes.size()) + "\r\nSELECTEDITEM=" + std::to_string(selected) + "\r\n";
        int i = 0;
        for (const char* code : codes) {
            const std::string n = std::to_string(i++);
            rows += "NUM" + n + "=" + code + "\r\nSIJOU" + n + S("=東証\r\nMESSAGE") + n + "=memo " + code + "\r\n";
        }
        return rows;
    }

    static QLineEdit* Edit(MainWindow& window, const char* name) { return Control<QLineEdit>(window, name); }
    static QTableView* List(MainWindow& window) { return static_cast<QTableView*>(Control(window, "watchList")); }
    static int RowCount(MainWindow& window) { return List(window)->model()->rowCount(); }

    static QStringList Codes(MainWindow& window)
    {
        QStringList codes;
        for (int r = 0; r < RowCount(window); ++r)
            codes << Cell(window, r, 0);
        return codes;
    }

    static int SelectedRow(MainWindow& window)
    {
        const QModelIndexList rows = List(window)->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

    // Types over the code edit the way a user does.
    void Type(MainWindow& window, const QString& code)
    {
        lookupsBefore = lookups->count();
        QLineEdit* edit = Edit(window, "codeEdit");
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, code);
    }

    void ChooseMarket(MainWindow& window, int index)
    {
        lookupsBefore = lookups->count();
        static_cast<QComboBox*>(Control(window, "marketCombo"))->setCurrentIndex(index);
    }

    // Waits for the answer to the lookup that the last edit started.
    bool WaitForLookup()
    {
        return QTest::qWaitFor([&] { return lookups->count() > lookupsBefore; }, 20000);
    }

    bool WaitForPreview(MainWindow& window, const std::string& symbol)
    {
        return WaitForLookup() && Text(window, "priceEdit") == QString::fromStdString(sim::QuoteFor(symbol, clock.now)->price);
    }

    QPoint RowCentre(MainWindow& window, int row)
    {
        return List(window)->visualRect(List(window)->model()->index(row, 1)).center();
    }

    FixedClock clock;
    ProgramFolderFixture folder;
    std::unique_ptr<sim::MarketSimulator> simulator;
    std::unique_ptr<QSignalSpy> lookups;
    int lookupsBefore = 0;
};

} // namespace

TEST_F(WatchListEditTest, TypedCodesArePreviewedAndAddedBeforeTheSelectedRow)
{
    auto window = Start(Rows({"7203", "6758"}, 1));
    EXPECT_EQ(Text(*window, "codeEdit"), QStringLiteral("6758")); // the selected row is in the entry row
    const std::size_t before = simulator->RequestCount();

    // Three characters look nothing up; the fourth does, once.
    Type(*window, QStringLiteral("998"));
    QTest::qWait(200);
    EXPECT_EQ(simulator->RequestCount(), before);
    QTest::keyClicks(Edit(*window, "codeEdit"), QStringLiteral("4"));
    ASSERT_TRUE(WaitForPreview(*window, "9984.t"));
    EXPECT_EQ(simulator->RequestCount(), before + 1);
    EXPECT_EQ(Text(*window, "nameEdit"), QString::fromStdString(sim::QuoteFor("9984.t", clock.now)->name));

    // Another market looks up again.
    ChooseMarket(*window, 1);
    ASSERT_TRUE(WaitForPreview(*window, "9984.q"));

    QTest::mouseClick(static_cast<QPushButton*>(Control(*window, "addButton")), Qt::LeftButton);
    EXPECT_EQ(Codes(*window), (QStringList{"7203", "9984", "6758"}));
    EXPECT_EQ(Cell(*window, 1, 2), QStringLiteral("ＪＱ"));
    EXPECT_EQ(Cell(*window, 1, 4), QString::fromStdString(sim::QuoteFor("9984.q", clock.now)->price));
    EXPECT_EQ(Cell(*window, 1, 10), QString());
    EXPECT_EQ(SelectedRow(*window), 1);
    EXPECT_TRUE(Timer(*window, "quoteTimer")->isActive());
    EXPECT_EQ(Text(*window, "codeEdit"), QString());
    EXPECT_EQ(Text(*window, "priceEdit"), QString());
    EXPECT_EQ(Text(*window, "trendEdit"), QString());

    // Enter right after typing, while the lookup still runs: the stock is
    // added with the lookup's answer.
    ChooseMarket(*window, 0); // the emptied code edit: nothing to look up
    MessageBoxAnswerer noMessage;
    Type(*window, QStringLiteral("7974"));
    QTest::keyClick(Edit(*window, "codeEdit"), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowCount(*window) == 4; }, 20000));
    EXPECT_EQ(noMessage.count, 0);
    EXPECT_EQ(Codes(*window), (QStringList{"7203", "7974", "9984", "6758"}));
    EXPECT_EQ(Cell(*window, 1, 4), QString::fromStdString(sim::QuoteFor("7974.t", clock.now)->price));

    // A fifth character is an index code, looked up without a market.
    Type(*window, QStringLiteral("99840"));
    ASSERT_TRUE(WaitForLookup());
    // The fourth character's lookup may answer first; the fifth's follows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text(*window, "priceEdit") == QStringLiteral("no data"); }, 20000));
    for (const char* id : {"priceEdit", "timeEdit", "changeEdit", "rateEdit", "volumeEdit", "trendEdit"})
        EXPECT_EQ(Text(*window, id), QStringLiteral("no data")) << id;
}

TEST_F(WatchListEditTest, FullListAndMissingPriceAreRefusedWithAMessage)
{
    std::string rows = "KOSUU=15\r\n";
    for (int i = 0; i < 15; ++i)
        rows += "NUM" + std::to_string(i) + "=" + std::to_string(1301 + i) + "\r\nSIJOU" + std::to_string(i) + S("=東証\r\n");
    {
        auto window = Start(rows);
        Type(*window, QStringLiteral("9984"));
        ASSERT_TRUE(WaitForPreview(*window, "9984.t"));
        MessageBoxAnswerer answer;
        QTest::mouseClick(static_cast<QPushButton*>(Control(*window, "addButton")), Qt::LeftButton);
        ASSERT_TRUE(answer.Wait(1));
        EXPECT_EQ(answer.text, QStringLiteral("登録できるアイテム数は15個までです。"));
        EXPECT_EQ(RowCount(*window), 15);
    }
    {
        auto window = Start(Rows({"7203"}), "missing=price&");
        window->StopPolling();
        Type(*window, QStringLiteral("9984"));
        ASSERT_TRUE(WaitForLookup());
        EXPECT_EQ(Text(*window, "priceEdit"), QStringLiteral("no data"));
        MessageBoxAnswerer answer;
        QTest::keyClick(Control(*window, "marketCombo"), Qt::Key_Return);
        ASSERT_TRUE(answer.Wait(1));
        EXPECT_EQ(answer.text, QStringLiteral("データが見つかりません　　"));
        EXPECT_EQ(RowCount(*window), 1);
        EXPECT_FALSE(Timer(*window, "quoteTimer")->isActive()); // polling untouched
    }
}

TEST_F(WatchListEditTest, DeletingSelectsTheRowThatTookThePlace)
{
    auto window = Start(Rows({"1001", "1002", "1003", "1004"}, 1));
    List(*window)->setFocus();
    QTest::keyClick(List(*window), Qt::Key_Delete);
    EXPECT_EQ(Codes(*window), (QStringList{"1001", "1003", "1004"}));
    EXPECT_EQ(SelectedRow(*window), 1);
    EXPECT_EQ(Text(*window, "codeEdit"), QStringLiteral("1003"));
    EXPECT_EQ(Cell(*window, 1, 10), QStringLiteral("memo 1003"));

    List(*window)->selectRow(2);
    window->DeleteWatchRow();
    EXPECT_EQ(Codes(*window), (QStringList{"1001", "1003"}));
    EXPECT_EQ(SelectedRow(*window), 1); // the new last row

    // Delete all without a selection deletes nothing but stops quote polling.
    List(*window)->clearSelection();
    window->DeleteAllWatchRows();
    EXPECT_EQ(RowCount(*window), 2);
    EXPECT_FALSE(Timer(*window, "quoteTimer")->isActive());
    EXPECT_TRUE(Timer(*window, "disclosureTimer")->isActive());

    // With a selection it asks first, "いいえ" by default, and "いいえ" keeps the list.
    List(*window)->selectRow(0);
    {
        MessageBoxAnswerer no(QMessageBox::No);
        window->DeleteAllWatchRows();
        ASSERT_TRUE(no.Wait(1));
        EXPECT_EQ(no.text, QStringLiteral("リストの全銘柄とメモを削除しますか？"));
        EXPECT_EQ(no.defaultButton, QMessageBox::No);
    }
    EXPECT_EQ(RowCount(*window), 2);
    MessageBoxAnswerer yes(QMessageBox::Yes);
    window->DeleteAllWatchRows();
    ASSERT_TRUE(yes.Wait(1));
    EXPECT_EQ(RowCount(*window), 0);
    List(*window)->setFocus();
    QTest::keyClick(List(*window), Qt::Key_Delete); // nothing left: nothing happens
    EXPECT_EQ(RowCount(*window), 0);
}

TEST_F(WatchListEditTest, DraggedRowsTakeTheirMemoAlong)
{
    auto window = Start(Rows({"1001", "1002", "1003", "1004"}));
    QWidget* viewport = List(*window)->viewport();

    QTest::mousePress(viewport, Qt::LeftButton, {}, RowCentre(*window, 0));
    QTest::mouseMove(viewport, RowCentre(*window, 0) + QPoint(0, 8));
    QTest::mouseMove(viewport, RowCentre(*window, 2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, RowCentre(*window, 2));
    EXPECT_EQ(Codes(*window), (QStringList{"1002", "1003", "1001", "1004"}));
    EXPECT_EQ(Cell(*window, 2, 10), QStringLiteral("memo 1001"));
    EXPECT_EQ(Cell(*window, 0, 10), QStringLiteral("memo 1002"));
    EXPECT_EQ(SelectedRow(*window), 2);

    // Z onto X gives W Z X Y.
    QTest::mousePress(viewport, Qt::LeftButton, {}, RowCentre(*window, 3));
    QTest::mouseMove(viewport, RowCentre(*window, 3) - QPoint(0, 8));
    QTest::mouseMove(viewport, RowCentre(*window, 1));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, RowCentre(*window, 1));
    EXPECT_EQ(Codes(*window), (QStringList{"1002", "1004", "1003", "1001"}));

    // Released below the rows or onto itself: nothing moves.
    const QPoint empty(RowCentre(*window, 0).x(), viewport->height() - 2);
    QTest::mousePress(viewport, Qt::LeftButton, {}, RowCentre(*window, 0));
    QTest::mouseMove(viewport, empty);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, empty);
    QTest::mousePress(viewport, Qt::LeftButton, {}, RowCentre(*window, 1));
    QTest::mouseMove(viewport, RowCentre(*window, 1) + QPoint(30, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, RowCentre(*window, 1) + QPoint(30, 0));
    EXPECT_EQ(Codes(*window), (QStringList{"1002", "1004", "1003", "1001"}));
}

TEST_F(WatchListEditTest, OnlyTheUsersMemoEditsAreStored)
{
    auto window = Start(Rows({"1001", "1002"}));
    EXPECT_EQ(Text(*window, "memoEdit"), QStringLiteral("memo 1001"));
    QLineEdit* memo = Edit(*window, "memoEdit");
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("!"));
    EXPECT_EQ(Cell(*window, 0, 10), QStringLiteral("memo 1001!"));

    // A new code empties the memo edit, not the row's memo.
    Type(*window, QStringLiteral("9984"));
    EXPECT_EQ(Text(*window, "memoEdit"), QString());
    EXPECT_EQ(Cell(*window, 0, 10), QStringLiteral("memo 1001!"));

    // Selecting a row fills the entry row without a lookup.
    ASSERT_TRUE(WaitForPreview(*window, "9984.t"));
    const std::size_t before = simulator->RequestCount();
    List(*window)->selectRow(1);
    QTest::qWait(200);
    EXPECT_EQ(simulator->RequestCount(), before);
    EXPECT_EQ(Text(*window, "memoEdit"), QStringLiteral("memo 1002"));
    EXPECT_EQ(Text(*window, "codeEdit"), QStringLiteral("1002"));
    EXPECT_EQ(Cell(*window, 0, 10), QStringLiteral("memo 1001!"));
}

// The quote service gives the change and rate of each case.
TEST_F(WatchListEditTest, RisesAreRedAndFallsBlue)
{
    auto window = Start("KOSUU=0\r\n");
    const struct {
        const char* query; // change and rate, as the page shows them
        const char* change;
        QColor change5, rate6, disclosure9;
    } cases[] = {
        {"change=%2B12&rate=%2B0.4%25&", "+12", QColor(255, 20, 20), QColor(255, 20, 20), QColor(255, 20, 20)},
        {"change=-12&rate=-0.4%25&", "-12", QColor(20, 20, 255), QColor(20, 20, 255), QColor(20, 20, 255)},
        {"change=0&rate=0.00%25&", "0", QColor(), QColor(), QApplication::palette().color(QPalette::WindowText)},
    };
    for (const auto& c : cases) {
        SetQuoteBaseUrl(*window, simulator->BaseAddress() + "/q?" + c.query + S("s=銘柄.市場"));
        Type(*window, QStringLiteral("9984"));
        ASSERT_TRUE(WaitForLookup());
        ASSERT_EQ(Text(*window, "changeEdit"), QString::fromUtf8(c.change));
        List(*window)->clearSelection();
        window->AddToWatchList();
        const int row = RowCount(*window) - 1;
        QAbstractItemModel* model = List(*window)->model();
        auto colour = [&](int column) { return model->data(model->index(row, column), Qt::ForegroundRole).value<QColor>(); };
        EXPECT_EQ(Cell(*window, row, 5), QString::fromUtf8(c.change));
        EXPECT_EQ(colour(5), c.change5) << c.change;
        EXPECT_EQ(colour(6), c.rate6) << c.change;
        EXPECT_EQ(colour(9), c.disclosure9) << c.change;
        EXPECT_EQ(colour(10), QColor(0, 0, 0)) << c.change;
    }
}

TEST_F(WatchListEditTest, LinksOpenTheRowsAndIndicesPages)
{
    auto window = Start(S("KOSUU=3\r\nNUM0=7203\r\nSIJOU0=札幌\r\nNUM1=998407\r\nSIJOU1=東証\r\nNUM2=1234\r\nSIJOU2=NYSE\r\n"));
    OpenedPages opened;
    const QString sim = QString::fromStdString(simulator->BaseAddress());

    List(*window)->clearSelection();
    window->OpenSelectedRowLink(); // no row: nothing opens
    for (int row : {0, 1, 2}) {
        List(*window)->selectRow(row);
        window->OpenSelectedRowLink();
    }
    List(*window)->selectRow(1);
    window->OpenStockLink(6); // the board, with an index code
    window->OpenStockLink(7); // past the list: nothing
    for (const char* id : {"nikkeiLabel", "topixLabel", "jasdaqLabel"})
        QTest::mouseClick(Control(*window, id), Qt::LeftButton);

    EXPECT_EQ(opened.urls, (QStringList{
                               "http://quote.yahoo.co.jp/q?s=7203.s",
                               "http://quote.yahoo.co.jp/q?s=998407",
                               "http://quote.yahoo.co.jp/q?s=1234.",
                               "http://messages.yahoo.co.jp/bbs?action=topics&board=100998407&sid=100998407&t",
                               "http://quote.yahoo.co.jp/q?s=998407",
                               sim + "/q?s=998405",
                               sim + "/q?s=23337",
                           }));
}

// An edit is on disk two seconds later, as a close would write it, so a
// kill loses nothing; a save that fails is said, at close before the end.
TEST_F(WatchListEditTest, EditsAreSavedSoonAndAFailedSaveIsSaid)
{
    auto window = Start(Rows({"7203"}));
    Type(*window, QStringLiteral("6758"));
    ASSERT_TRUE(WaitForPreview(*window, "6758.t"));
    const std::string before = folder.ReadSettings();
    QTest::mouseClick(static_cast<QPushButton*>(Control(*window, "addButton")), Qt::LeftButton);
    EXPECT_TRUE(Timer(*window, "saveTimer")->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return folder.ReadSettings().find("=6758\r\n") != std::string::npos; }, 5000));
    const std::string soon = folder.ReadSettings();
    folder.WriteSettings(before);
    ASSERT_TRUE(SessionEngine(*window).Save());
    EXPECT_EQ(folder.ReadSettings(), soon);

    // A settings file that cannot be replaced: the status label says so.
    std::filesystem::remove(folder.SettingsPath());
    std::filesystem::create_directory(folder.SettingsPath());
    List(*window)->selectRow(0);
    QTest::keyClicks(Control<QLineEdit>(*window, "memoEdit"), QStringLiteral("memo"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text(*window, "statusLabel").contains(QStringLiteral("保存できません")); }, 5000));
    EXPECT_TRUE(Text(*window, "statusLabel").contains(QString::fromStdString(folder.SettingsPath())));

    // At close a box says it, and the program ends once it is read.
    QSignalSpy ended(window.get(), &MainWindow::ShutdownFinished);
    MessageBoxAnswerer answer;
    window->close();
    EXPECT_EQ(ended.count(), 0);
    ASSERT_TRUE(answer.Wait(1));
    EXPECT_TRUE(answer.text.contains(QString::fromStdString(folder.SettingsPath())));
    EXPECT_TRUE(ended.wait(2000) || ended.count() == 1);
}

// The list paints its own copy of the rows: a report older than the rows it
// holds, or for a row that shows another stock now, changes nothing.
TEST(WatchListModelTest, KeepsOnlyTheNewestRowsItIsTold)
{
    WatchListModel model;
    WatchList::Cells toyota{};
    WatchList::Cells sony{};
    toyota[ColCode] = "7203";
    sony[ColCode] = "6758";
    model.ReplaceRows({2, {toyota, sony}, {}});
    WatchList::Cells quoted = sony;
    quoted[ColPrice] = "100";
    model.UpdateRow({1, 1, quoted, {}});
    model.UpdateRow({0, 3, quoted, {}});
    EXPECT_EQ(model.Cell(1, ColPrice), "");
    EXPECT_EQ(model.Cell(0, ColPrice), "");
    model.UpdateRow({1, 4, quoted, {}});
    EXPECT_EQ(model.Cell(1, ColPrice), "100");
    model.ReplaceRows({3, {sony}, {}});
    EXPECT_EQ(model.rowCount(), 2);

    // A memo or the disclosures changed, the stocks stayed: the selection too.
    QItemSelectionModel selection(&model);
    selection.select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    quoted[ColMemo] = "memo";
    model.ReplaceRows({5, {toyota, quoted}, {}});
    EXPECT_EQ(model.Cell(1, ColMemo), "memo");
    EXPECT_TRUE(selection.isRowSelected(1, {}));
}
