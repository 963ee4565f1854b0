#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTimer>
#include <QDir>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QToolTip>

#include "core/disclosure/date_list.h"
#include "gui/dialog_template.h"
#include "gui/delayed_tool_tip.h"
#include "gui/dialog_units.h"
#include "gui/main_window.h"
#include "gui_test_support.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<MainWindow> Start()
    {
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
        return window;
    }

    // Closing ends what runs and saves the file before it returns.
    static void CloseAndWait(MainWindow& window)
    {
        QSignalSpy finished(&window, &MainWindow::ShutdownFinished);
        window.close();
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(finished.count(), 1);
    }

    QTableView* List(MainWindow& window) { return static_cast<QTableView*>(Control(window, "watchList")); }

    FixedClock clock;
    ProgramFolderFixture folder;
};

const std::string kStoredList = S(
    "; written by hand\r\n"
    "[MEIGARA_DATA]\r\n"
    "KOSUU=3\r\n"
    "NUM0=7203\r\n"
    "SIJOU0=東証\r\n"
    "MESSAGE0=長期保有 ソニーの隣\r\n"
    "NUM1=\r\n"
    "SIJOU1=大証\r\n"
    "NUM2=9984\r\n"
    "SIJOU2=ＪＱ\r\n"
    "MESSAGE2=\"  spaced  \"\r\n"
    "SELECTEDITEM=2\r\n"
    "[SPECIALKEY]\r\n"
    "TEKIJIMAIL=1\r\n"
    "KABUKAMAIL=1\r\n"
    "KABUKAUPDATETIME=300\r\n"
    "ORVEKSENYOU=1\r\n");

} // namespace

TEST_F(MainWindowTest, ComesUpTitledWithEveryControlInPlace)
{
    auto window = Start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zelmora！株価＆開示 ver6.5 "));
    EXPECT_EQ(QToolTip::font(), DialogFont()); // the tray's tip too

    // The template's places, but for a control that grew to show its texts
    // whole or moved right because one left of it in its band did, or one
    // lined up with it moved.
    const DialogUnits units(window->font());
    const auto placed = [&](const ControlTemplate& t) {
        return units.ToPixels(t.x, t.y, t.width, t.kind == ControlKind::DropList ? 13 : t.height);
    };
    for (const ControlTemplate& t : MainDialogTemplate()) {
        if (!t.name)
            continue;
        QWidget* control = Control(*window, t.name);
        ASSERT_NE(control, nullptr) << t.name;
        EXPECT_EQ(control->isHidden(), t.hidden) << t.name;
        const QRect expected = placed(t);
        // Below the list, moved down by the rows the layout has no room for.
        const int taller = t.y > 190 ? window->height() - units.Y(kDialogHeight) : 0;
        EXPECT_EQ(control->y(), expected.y() + taller) << t.name;
        EXPECT_GE(control->x(), expected.x()) << t.name;
        if (t.kind == ControlKind::ListView)
            continue;
        EXPECT_EQ(control->height(), expected.height()) << t.name;
        EXPECT_GE(control->width(), expected.width()) << t.name;
        if (control->x() == expected.x())
            continue;
        bool pushed = false;
        for (const ControlTemplate& other : MainDialogTemplate()) {
            if (!other.name || other.hidden || &other == &t)
                continue;
            const QRect otherPlaced = placed(other);
            const QRect otherNow = Control(*window, other.name)->geometry();
            const bool inBand = otherPlaced.top() <= expected.bottom() && expected.top() <= otherPlaced.bottom();
            if (inBand && otherPlaced.x() < expected.x())
                pushed = pushed || otherNow.right() > otherPlaced.right();
            if (otherPlaced.x() == expected.x())
                pushed = pushed || otherNow.x() == control->x();
        }
        EXPECT_TRUE(pushed) << t.name << " moved with nothing grown left of it";
    }
    EXPECT_EQ(Text(*window, "settingsButton"), QStringLiteral("設定"));
    EXPECT_EQ(Text(*window, "addButton"), QStringLiteral("リストへ追加"));
    EXPECT_TRUE(static_cast<QPushButton*>(Control(*window, "addButton"))->isDefault());
    EXPECT_EQ(Text(*window, "nikkeiLabel"), QStringLiteral("日経平均株価"));
    EXPECT_EQ(Text(*window, "topixLabel"), QStringLiteral("TOPIX"));
    EXPECT_EQ(Text(*window, "jasdaqLabel"), QStringLiteral("JASDAQ"));
    EXPECT_EQ(Text(*window, "disclosureCheckButton"), QStringLiteral("適時開示確認"));
    EXPECT_EQ(Text(*window, "verUpLabel"), QStringLiteral("VerUp確認"));
    EXPECT_EQ(Text(*window, "statusLabel"), QStringLiteral("ステータス"));
    // Without a settings file both mail status texts are empty.
    EXPECT_EQ(Text(*window, "priceMailStatusLabel"), QString());
    EXPECT_EQ(Text(*window, "disclosureMailStatusLabel"), QString());
}

TEST_F(MainWindowTest, ListHasElevenFixedColumnsAndAToolTip)
{
    auto window = Start();
    QTableView* list = List(*window);
    const QStringList titles = {"ｺｰﾄﾞ", "銘柄", "市場", "更新", "現在値", "前日差", "変化率", "出来高", "", "開示情報", "memoφ(．．)"};
    ASSERT_EQ(list->model()->columnCount(), 11);
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), titles[c]) << c;
    // The memo column takes the rest; a name too long for its column ends
    // in an ellipsis.
    int fixed = 0;
    for (int c = 0; c < 10; ++c)
        fixed += list->columnWidth(c);
    EXPECT_EQ(list->textElideMode(), Qt::ElideRight);
    EXPECT_EQ(list->columnWidth(10), list->viewport()->width() - fixed);

    QHeaderView* header = list->horizontalHeader();
    EXPECT_FALSE(header->sectionsClickable());
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(header->sectionResizeMode(c), QHeaderView::Fixed);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->toolTip(), QStringLiteral("ダブルクリックでリンク表示"));
}

TEST_F(MainWindowTest, ListTipAppearsAfterTheMouseRestsAndStays)
{
    // The tip's own time, shortened, ends it; Qt's would keep it ten seconds.
    const DelayedToolTip::Times real = DelayedToolTip::CurrentTimes();
    DelayedToolTip::SetTimes({real.initialDelayMs, 1500});
    auto window = Start();
    DelayedToolTip::SetTimes(real);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QWidget* viewport = List(*window)->viewport();
    QTest::mouseMove(viewport, QPoint(40, 40));
    QTest::qWait(real.initialDelayMs / 2);
    EXPECT_FALSE(QToolTip::isVisible());
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("ダブルクリックでリンク表示"));
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 6000));
    QToolTip::hideText();
}

// A cell that ends in an ellipsis shows its whole text in the tip; any other
// place shows the list's own tip.
TEST(DelayedToolTipTest, ACutCellShowsItsWholeTextInTheTip)
{
    QStandardItemModel model(1, 2);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("東洋精密機械工業ホールディングス")));
    model.setItem(0, 1, new QStandardItem(QStringLiteral("7203")));
    QTableView view;
    view.setModel(&model);
    view.setColumnWidth(0, 60);
    view.setColumnWidth(1, 80);
    view.setTextElideMode(Qt::ElideRight);
    view.setToolTip(QStringLiteral("ダブルクリックでリンク表示"));
    const DelayedToolTip::Times real = DelayedToolTip::CurrentTimes();
    DelayedToolTip::SetTimes({100, real.showForMs});
    new DelayedToolTip(view);
    DelayedToolTip::SetTimes(real);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (const auto& [column, tip] : {std::pair{0, model.item(0, 0)->text()}, std::pair{1, view.toolTip()}}) {
        QTest::mouseMove(view.viewport(), view.visualRect(model.index(0, column)).center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::isVisible(); }, 5000)) << column;
        EXPECT_EQ(QToolTip::text(), tip) << column;
        QToolTip::hideText();
        (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000);
    }
}

// One face for the whole window: another would hold its own font file in
// memory.
TEST_F(MainWindowTest, LinkLabelUsesTheDialogFace)
{
    auto window = Start();
    const QFont font = Control(*window, "verUpLabel")->font();
    EXPECT_EQ(QFontInfo(font).family(), QFontInfo(window->font()).family());
}

TEST_F(MainWindowTest, CombosAndIntervalStartAsPrescribed)
{
    clock.now = {2024, 3, 1, 9, 0, 0, 5};
    auto window = Start();
    auto* market = static_cast<QComboBox*>(Control(*window, "marketCombo"));
    QStringList markets;
    for (int i = 0; i < market->count(); ++i)
        markets << market->itemText(i);
    EXPECT_EQ(markets, QStringList({"東証", "ＪＱ", "ＨＣ", "大証", "名証", "福岡", "札幌"}));
    EXPECT_EQ(market->currentIndex(), 0);

    auto* spin = static_cast<QSpinBox*>(Control(*window, "intervalSpin"));
    EXPECT_EQ(spin->value(), 30);

    // 1 March of a leap year reaches back over 29 February to 2 February.
    auto* dates = static_cast<QComboBox*>(Control(*window, "dateCombo"));
    ASSERT_EQ(dates->count(), 29);
    EXPECT_EQ(dates->itemText(0), QStringLiteral("20240301"));
    EXPECT_EQ(dates->itemText(1), QStringLiteral("20240229"));
    EXPECT_EQ(dates->itemText(28), QStringLiteral("20240202"));
    EXPECT_EQ(dates->currentIndex(), 0);
}

TEST_F(MainWindowTest, LoadsRowsMemosAndStatusTextsFromTheFile)
{
    folder.WriteSettings(kStoredList);
    auto window = Start();
    QTableView* list = List(*window);
    ASSERT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(Cell(*window, 0, 0), "7203");
    EXPECT_EQ(Cell(*window, 0, 2), "東証");
    EXPECT_EQ(Cell(*window, 0, 10), "長期保有 ソニーの隣");
    EXPECT_EQ(Cell(*window, 1, 0), "");
    EXPECT_EQ(Cell(*window, 1, 2), "大証");
    EXPECT_EQ(Cell(*window, 2, 10), "  spaced  ");
    EXPECT_EQ(Text(*window, "priceMailStatusLabel"), QStringLiteral("株価場終了後にメール"));
    EXPECT_EQ(Text(*window, "disclosureMailStatusLabel"), QStringLiteral("適時開示をメール"));
    // SELECTEDITEM chooses the row selected at start.
    ASSERT_TRUE(list->selectionModel()->hasSelection());
    EXPECT_EQ(list->selectionModel()->selectedRows().front().row(), 2);
}

TEST_F(MainWindowTest, ClosingSavesTheFileKeepingWhatItDoesNotOwn)
{
    folder.WriteSettings(kStoredList);
    auto window = Start();
    CloseAndWait(*window);
    const std::string saved = folder.ReadSettings();
    EXPECT_EQ(saved.substr(0, 19), "; written by hand\r\n");
    EXPECT_NE(saved.find(S("[MEIGARA_DATA]\r\nNUM0=7203\r\nSIJOU0=東証\r\nMESSAGE0=長期保有 ソニーの隣\r\n"
                           "NUM1=\r\nSIJOU1=大証\r\nMESSAGE1=\r\nNUM2=9984\r\nSIJOU2=ＪＱ\r\nMESSAGE2=\"  spaced  \"\r\n"
                           "KOSUU=3\r\nCHKOPENURL=1\r\nCHKGOTASK=0\r\nSELECTEDITEM=2\r\n")),
              std::string::npos)
        << saved;
    // The key nobody writes stays.
    EXPECT_NE(saved.find("ORVEKSENYOU=1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("KABUKAUPDATETIME=300\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, CloseCommandSavesLikeTheCloseBox)
{
    auto window = Start();
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    QMenu* menu = nullptr;
    QTimer::singleShot(0, [&] { menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()); });
    window->ShowSettingsMenu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu != nullptr; }));
    menu->actions().back()->trigger(); // "閉じる"
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_FALSE(window->isVisible());
    EXPECT_NE(folder.ReadSettings().find("[MEIGARA_DATA]\r\nKOSUU=0\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, EscapeAndEnterDoNotCloseTheWindow)
{
    auto window = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(Control(*window, "codeEdit"), Qt::Key_Return);
    QTest::keyClick(Control(*window, "codeEdit"), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(folder.ReadSettings().empty());
}

TEST_F(MainWindowTest, TheListGrowsWithTheWindowAndTheSizeIsKeptAcrossStarts)
{
    auto window = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QSize first = window->size();
    EXPECT_GT(first.height(), DialogUnits(window->font()).Y(kDialogHeight)); // fifteen rows need more than the layout
    QTableView* list = List(*window);
    QWidget* status = Control(*window, "statusLabel");
    const int listHeight = list->height();
    const int statusTop = status->y();
    const int name = list->columnWidth(1);
    const auto columnsFillTheList = [list] {
        int columns = 0;
        for (int c = 0; c < 11; ++c)
            columns += list->columnWidth(c);
        return columns == list->viewport()->width();
    };

    window->resize(first.width() + 200, first.height() + 100);
    QTest::qWait(20);
    EXPECT_EQ(list->width(), first.width() + 200 - 13);
    EXPECT_EQ(list->height(), listHeight + 100);
    EXPECT_EQ(status->y(), statusTop + 100);
    EXPECT_EQ(list->columnWidth(1), name + 100); // half of the new width
    EXPECT_TRUE(columnsFillTheList());

    window->resize(300, 100);
    QTest::qWait(20);
    EXPECT_EQ(window->size(), window->minimumSize());
    EXPECT_GE(window->width(), 640);
    EXPECT_EQ(window->height(), DialogUnits(window->font()).Y(kDialogHeight));
    EXPECT_TRUE(columnsFillTheList());

    window->resize(first.width() + 60, first.height() + 40);
    CloseAndWait(*window);
    EXPECT_NE(folder.ReadSettings().find("WINDOWWIDTH=" + std::to_string(first.width() + 60) + "\r\nWINDOWHEIGHT=" +
                                         std::to_string(first.height() + 40) + "\r\n"),
              std::string::npos);
    auto again = Start();
    EXPECT_EQ(again->size(), QSize(first.width() + 60, first.height() + 40));
    again->resize(first);
    CloseAndWait(*again);
    EXPECT_EQ(folder.ReadSettings().find("WINDOWWIDTH"), std::string::npos); // the first size again: no keys
}

TEST_F(MainWindowTest, SurvivesHostileSettingsFiles)
{
    const std::string hostile[] = {
        "",
        "[MEIGARA_DATA]\r\nKOSUU=99999999999\r\nSELECTEDITEM=99\r\n",
        "[MEIGARA_DATA]\r\nKOSUU=-3\r\nSELECTEDITEM=-5\r\n",
        "[MEIGARA_DATA]\r\nKOSUU=abc\r\nno equals sign here\r\n[LINK_JOUHOU]\r\nTOSYOU=tokyo\r\n",
        std::string("\x00\xff\x81[\r\x93]=\n=\n[[]]", 15),
    };
    for (const std::string& bytes : hostile) {
        folder.WriteSettings(bytes);
        auto window = Start();
        const int rows = List(*window)->model()->rowCount();
        EXPECT_LE(rows, 15);
        CloseAndWait(*window);
        EXPECT_NE(folder.ReadSettings().find("KOSUU=" + std::to_string(rows) + "\r\n"), std::string::npos);
    }
}

TEST_F(MainWindowTest, ScreenshotOfTheMainWindow)
{
    folder.WriteSettings(kStoredList);
    auto window = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QDir().mkpath(QStringLiteral(ZELMORA_SCREENSHOT_DIR));
    const QString path = QStringLiteral(ZELMORA_SCREENSHOT_DIR "/main-window.png");
    const QImage image = window->grab().toImage();
    ASSERT_TRUE(image.save(path));
    // The stored rows are drawn: each row's market cell holds ink, the place
    // of a row below the last holds none.
    QTableView* list = List(*window);
    const int rows = list->model()->rowCount();
    ASSERT_EQ(rows, 3);
    auto inked = [&](QRect cell) {
        const qreal ratio = image.devicePixelRatio();
        cell = QRect(list->viewport()->mapTo(window.get(), cell.topLeft()), cell.size()).adjusted(2, 2, -2, -2);
        const QRect pixels = QRectF(QPointF(cell.topLeft()) * ratio, QSizeF(cell.size()) * ratio).toRect();
        const QRgb background = image.pixel(pixels.topLeft());
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                if (image.pixel(x, y) != background)
                    return true;
            }
        }
        return false;
    };
    for (int row = 0; row < rows; ++row)
        EXPECT_TRUE(inked(list->visualRect(list->model()->index(row, ColMarket)))) << row;
    const QRect last = list->visualRect(list->model()->index(rows - 1, ColMarket));
    EXPECT_FALSE(inked(last.translated(0, last.height())));
    std::cout << "Main window screenshot: " << path.toStdString() << std::endl;
}
