#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <functional>

#include "core/version.h"
#include "gui/about_dialog.h"
#include "gui/dialog_template.h"
#include "gui/link_labels.h"
#include "gui/link_url_dialog.h"
#include "gui/main_window.h"
#include "gui/raise_listener.h"
#include "gui/tray_icon.h"
#include "gui_test_support.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{' << list.join(QStringLiteral(" | ")).toStdString() << '}';
}

namespace {

// Menus and dialogs as the user meets them: opened by a click or a key,
// read item by item, one item chosen with the mouse or the keyboard.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldTray = SetTrayAvailability([this] { return trayAvailable; });
    }

    void TearDown() override
    {
        SetTrayAvailability(m_oldTray);
    }

    std::unique_ptr<MainWindow> Start(const std::string& settings = {})
    {
        if (!settings.empty())
            folder.WriteSettings(settings);
        auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
        window->Start();
        return window;
    }

    static std::string Rows(int count, const char* extra = "")
    {
        const char* codes[] = {"7203", "9984", "6758", "8306", "4063"};
        std::string text = "[MEIGARA_DATA]\r\nKOSUU=" + std::to_string(count) + "\r\n";
        for (int i = 0; i < count; ++i)
            text += "NUM" + std::to_string(i) + "=" + codes[i] + "\r\nSIJOU" + std::to_string(i) + "=" + S("東証") + "\r\n";
        return text + S(extra);
    }

    static QTableView* List(MainWindow& window) { return static_cast<QTableView*>(Control(window, "watchList")); }

    // A right click on a cell: it selects the row and asks for the menu.
    static QMenu* RightClick(MainWindow& window, int row, int column)
    {
        QTableView* list = List(window);
        const QPoint cell = list->visualRect(list->model()->index(row, column)).center();
        QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, list->viewport()->mapTo(&window, cell));
        return ActivePopup();
    }

    static QMenu* ActivePopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    // Item texts in order, separators as "-", checked items marked "*".
    static QStringList Items(const QMenu& menu)
    {
        QStringList items;
        for (const QAction* action : menu.actions())
            items << (action->isSeparator() ? QStringLiteral("-") : (action->isChecked() ? QStringLiteral("*") : QString()) + action->text());
        return items;
    }

    static QAction* Item(const QMenu& menu, const QString& text)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == text)
                return action;
        }
        ADD_FAILURE() << "no item " << text.toStdString();
        return nullptr;
    }

    // Clicks the item; its command runs once the menu has closed.
    static void Pick(QMenu& menu, const QString& text)
    {
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(Item(menu, text)).center());
        QCoreApplication::processEvents();
    }

    // Runs drive on the next modal dialog, once it is up; WaitForDialogs
    // waits until that many have been driven.
    void OnNextModal(std::function<void(QDialog&)> drive)
    {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [this, poll, drive] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                drive(*dialog);
                ++m_driven;
            }
        });
        poll->start(10);
    }
    bool WaitForDialogs(int count)
    {
        return QTest::qWaitFor([&] { return m_driven >= count; }, 5000);
    }

    static QPushButton* Button(QDialog& dialog, const QString& text)
    {
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == text)
                return button;
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }

    // Closes the window and waits for the settings file.
    static void Close(MainWindow& window)
    {
        QSignalSpy finished(&window, &MainWindow::ShutdownFinished);
        window.close();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(30000));
    }

    FixedClock clock;
    ProgramFolderFixture folder;
    OpenedPages opened;
    bool trayAvailable = true;

private:
    TrayAvailability m_oldTray;
    int m_driven = 0;
};

} // namespace

TEST_F(ShellTest, LinkMenuOnTheNameColumnListsTheStockLinksAndOpensOneForTheRow)
{
    auto window = Start(Rows(2));
    QMenu* menu = RightClick(*window, 1, ColName);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu), (QStringList{"リンクを開く", "チャート...", "-", "日経株価情報", "MSNマネー株価情報", "Yahoo finance",
                                         "1日株価", "3ヶ月株価", "1年株価", "Yahoo掲示板", "-", "アラート設定...", "-",
                                         "削除", "全て削除"}));
    Pick(*menu, QStringLiteral("Yahoo finance"));
    EXPECT_EQ(opened.urls, (QStringList{"http://quote.yahoo.co.jp/q?s=9984.t"}));
    EXPECT_EQ(ActivePopup(), nullptr);
}

TEST_F(ShellTest, MemoMenuClearsTheRowsMemo)
{
    auto window = Start(Rows(2, "MESSAGE1=買い増し\r\n"));
    QMenu* menu = RightClick(*window, 1, ColMemo);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu), (QStringList{"メモ入力", "消　去"}));
    Pick(*menu, QStringLiteral("消　去"));
    EXPECT_EQ(Cell(*window, 1, ColMemo), QString());

    menu = RightClick(*window, 0, ColMemo);
    ASSERT_NE(menu, nullptr);
    Pick(*menu, QStringLiteral("メモ入力"));
    EXPECT_EQ(window->focusWidget(), Control(*window, "memoEdit"));
}

TEST_F(ShellTest, EnterOnTheListOpensTheFixedMenuUnderTheRowAndDeleteRemovesTheRow)
{
    auto window = Start(Rows(3));
    QTableView* list = List(*window);
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(ActivePopup(), nullptr);

    list->selectRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    QMenu* menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu),
              (QStringList{"リンクを開く", "チャート...", "-", "-", "アラート設定...", "-", "削除", "全て削除"}));
    EXPECT_EQ(menu->pos().y(), list->viewport()->mapToGlobal(list->visualRect(list->model()->index(1, 0)).bottomLeft()).y());
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_EQ(ActivePopup(), nullptr);

    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(Cell(*window, 1, ColCode), QStringLiteral("6758"));

    // Escape does nothing to the window.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ShellTest, SettingsMenuShowsStartInTrayCheckedAndClearsIt)
{
    trayAvailable = false;
    auto window = Start(Rows(1, "CHKGOTASK=1\r\n"));
    window->showNormal();
    QWidget* button = Control(*window, "settingsButton");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QMenu* menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu), (QStringList{"株価取得元の設定", "銘柄リストのリンクURL設定", "メール設定", "-",
                                         "*起動時タスクトレイに常駐する", "*新しい開示をデスクトップに通知する", "-",
                                         "バージョン情報", "閉じる"}));
    EXPECT_EQ(menu->pos(), button->mapToGlobal(button->rect().bottomLeft()));
    Pick(*menu, QStringLiteral("起動時タスクトレイに常駐する"));

    QTest::mouseClick(button, Qt::LeftButton);
    menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(Item(*menu, QStringLiteral("起動時タスクトレイに常駐する"))->isChecked());
    menu->close();
    Close(*window);
    EXPECT_NE(folder.ReadSettings().find("CHKGOTASK=0\r\n"), std::string::npos);
}

TEST_F(ShellTest, SettingsMenuOpensTheAboutAndMailDialogs)
{
    auto window = Start();
    QTest::mouseClick(Control(*window, "settingsButton"), Qt::LeftButton);
    QMenu* menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    QString title;
    QString softName;
    OnNextModal([&](QDialog& dialog) {
        title = dialog.windowTitle();
        softName = dialog.findChild<QLabel*>(QStringLiteral("programNameLabel"))->text();
        EXPECT_FALSE(dialog.windowIcon().isNull());
        QTest::mouseClick(Button(dialog, QStringLiteral("OK")), Qt::LeftButton);
    });
    Pick(*menu, QStringLiteral("バージョン情報"));
    ASSERT_TRUE(WaitForDialogs(1));
    EXPECT_EQ(title, QStringLiteral("ZELMORA株価"));
    EXPECT_EQ(softName, QStringLiteral("Zelmora！株価＆開示 ver6.5 "));
    EXPECT_FALSE(window->windowIcon().isNull());

    QTest::mouseClick(Control(*window, "settingsButton"), Qt::LeftButton);
    menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    OnNextModal([&](QDialog& dialog) {
        title = dialog.windowTitle();
        QTest::mouseClick(Button(dialog, QStringLiteral("ｷｬﾝｾﾙ")), Qt::LeftButton);
    });
    Pick(*menu, QStringLiteral("メール設定"));
    ASSERT_TRUE(WaitForDialogs(2));
    EXPECT_EQ(title, QStringLiteral("メール設定"));
}

TEST_F(ShellTest, TrayMenuListsTheRowsAndChecksTheFirstWhenTheTrayRowWentAway)
{
    auto window = Start(Rows(5, "SELECTEDITEM=7\r\n"));
    window->showMinimized();
    ASSERT_TRUE(Tray(*window).IsShown());
    QMenu& menu = Tray(*window).Menu();
    menu.popup(QPoint(200, 200)); // as the desktop does on a right click
    ASSERT_EQ(ActivePopup(), &menu);
    EXPECT_EQ(Items(menu), (QStringList{"日経平均株価 ", "-", "* 7203　　　　", " 9984　　　　", " 6758　　　　", " 8306　　　　",
                                        " 4063　　　　", "-", "メインウィンドウを開く", "-", "起動時タスクトレイに常駐する", "-", "閉じる"}));

    // Picked with the keyboard: the tray follows the row, no page opens.
    for (int step = 0; step < 4; ++step)
        QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(opened.urls.isEmpty());
    menu.popup(QPoint(200, 200));
    EXPECT_TRUE(Item(menu, QStringLiteral(" 6758　　　　"))->isChecked());
    EXPECT_FALSE(Item(menu, QStringLiteral(" 7203　　　　"))->isChecked());

    // Picked with the mouse: the stock's page opens too.
    Pick(menu, QStringLiteral(" 8306　　　　"));
    EXPECT_EQ(opened.urls, (QStringList{"http://quote.yahoo.co.jp/q?s=8306.t"}));

    // Closing from the tray saves the settings as closing the window does.
    QSignalSpy finished(window.get(), &MainWindow::ShutdownFinished);
    menu.popup(QPoint(200, 200));
    Pick(menu, QStringLiteral("閉じる"));
    EXPECT_TRUE(finished.count() == 1 || finished.wait(30000));
    EXPECT_FALSE(Tray(*window).IsShown());
    EXPECT_NE(folder.ReadSettings().find("SELECTEDITEM=3\r\n"), std::string::npos);
}

TEST_F(ShellTest, MinimisingGoesToTheTrayAndADoubleClickBringsTheWindowBack)
{
    auto window = Start(Rows(2, "SELECTEDITEM=1\r\n"));
    window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    TrayIcon& tray = Tray(*window);
    EXPECT_TRUE(tray.IsShown());
    EXPECT_EQ(tray.Picture(), TrayPictureFlat);
    EXPECT_EQ(tray.Tip(), QStringLiteral(" \n  現値  前日差 "));
    EXPECT_TRUE(Timer(*window, "trayRefreshTimer")->isActive());
    EXPECT_TRUE(Timer(*window, "trayFirstTextTimer")->isActive());
    window->show(); // nothing shows a window that is in the tray
    EXPECT_FALSE(window->isVisible());

    emit tray.SystemIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isVisible());
    emit tray.SystemIcon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(tray.IsShown());
    EXPECT_FALSE(Timer(*window, "trayRefreshTimer")->isActive());
    EXPECT_EQ(List(*window)->selectionModel()->selectedRows().value(0).row(), 1);

    // The menu's way back.
    window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(tray.IsShown());
    tray.Menu().popup(QPoint(10, 10));
    Pick(tray.Menu(), QStringLiteral("メインウィンドウを開く"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(tray.IsShown());
}

// Through the tray, as an ordinary minimised window, and after a start in
// the tray: the window comes back where it was, as large as it was.
TEST_F(ShellTest, MinimiseAndRestoreKeepTheWindowsPlaceAndSize)
{
    struct Case {
        bool tray;
        const char* settings;
    };
    for (const Case& c : {Case{true, ""}, Case{false, ""}, Case{true, "CHKGOTASK=1\r\n"}}) {
        trayAvailable = c.tray;
        auto window = Start(Rows(2, c.settings));
        if (Tray(*window).IsShown())
            DoubleClickTray(*window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->move(120, 80);
        window->resize(window->width() + 30, window->height());
        QCoreApplication::processEvents();
        const QRect before = window->geometry();
        for (int round = 0; round < 3; ++round) {
            window->showMinimized();
            QCoreApplication::processEvents();
            EXPECT_EQ(Tray(*window).IsShown(), c.tray);
            if (c.tray)
                emit Tray(*window).SystemIcon().activated(QSystemTrayIcon::DoubleClick);
            else
                window->showNormal();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
            EXPECT_EQ(window->geometry(), before) << c.tray << c.settings << round;
        }
        Close(*window);
    }
}

TEST_F(ShellTest, WithoutANotificationAreaTheWindowStaysAnOrdinaryMinimisedWindow)
{
    trayAvailable = false;
    auto window = Start(Rows(1, "CHKGOTASK=1\r\n"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(Tray(*window).IsShown());
    window->showNormal();
    window->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(Tray(*window).IsShown());
}

TEST_F(ShellTest, StartInTheTrayKeepsTheWindowHiddenWithTheFirstTip)
{
    auto window = Start(Rows(1, "CHKGOTASK=1\r\n"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(Tray(*window).IsShown());
    EXPECT_EQ(Tray(*window).Picture(), TrayPictureApp);
    EXPECT_EQ(Tray(*window).Tip(), QStringLiteral("meigara"));
    EXPECT_TRUE(Timer(*window, "trayFirstTextTimer")->isActive());
    Tick(*window, "trayFirstTextTimer");
    EXPECT_FALSE(Timer(*window, "trayFirstTextTimer")->isActive());
    EXPECT_EQ(Tray(*window).Tip(), QStringLiteral(" \n  現値  前日差 "));
    EXPECT_EQ(Tray(*window).Picture(), TrayPictureFlat);
}

// A second start of the program asks the running window to come up.
TEST_F(ShellTest, ASecondStartBringsTheWindowOutOfTheTray)
{
    auto window = Start(Rows(1, "CHKGOTASK=1\r\n"));
    ASSERT_TRUE(Tray(*window).IsShown());
    RaiseListener listener;
    QObject::connect(&listener, &RaiseListener::RaiseRequested, window.get(), &MainWindow::BringToFront);
    ASSERT_TRUE(listener.Listen());
    EXPECT_FALSE(AskToRaise(listener.Address() + QStringLiteral("-gone")));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(AskToRaise(listener.Address()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); }));
    EXPECT_FALSE(Tray(*window).IsShown());
}

TEST_F(ShellTest, LinkUrlDialogChoosesAnEntryAndOkStoresIt)
{
    auto window = Start(Rows(1));
    QTest::mouseClick(Control(*window, "settingsButton"), Qt::LeftButton);
    QMenu* menu = ActivePopup();
    ASSERT_NE(menu, nullptr);
    QString editText;
    QString label;
    OnNextModal([&](QDialog& dialog) {
        EXPECT_FALSE(dialog.windowIcon().isNull());
        auto* stock = dialog.findChild<QComboBox*>(QStringLiteral("stockLinkCombo"));
        stock->showPopup();
        QAbstractItemView* view = stock->view();
        EXPECT_EQ(stock->itemText(3), QStringLiteral("1日株価")); // the list shows labels
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(3, 0)).center());
        editText = stock->currentText();
        label = dialog.findChild<QLabel*>(QStringLiteral("stockLinkNameLabel"))->text();
        QTest::mouseClick(Button(dialog, QStringLiteral("OK")), Qt::LeftButton);
    });
    Pick(*menu, QStringLiteral("銘柄リストのリンクURL設定"));
    ASSERT_TRUE(WaitForDialogs(1));
    QCoreApplication::processEvents(); // the confirmed choice is applied
    EXPECT_EQ(editText, QStringLiteral("http://quote.yahoo.co.jp/q?s=銘柄.市場&d=1d"));
    EXPECT_EQ(label, QStringLiteral("1日株価"));

    // "リンクを開く" uses the new choice at once.
    List(*window)->selectRow(0);
    window->OpenSelectedRowLink();
    EXPECT_EQ(opened.urls, (QStringList{"http://quote.yahoo.co.jp/q?s=7203.t&d=1d"}));
    Close(*window);
    const std::string saved = folder.ReadSettings();
    EXPECT_NE(saved.find(S("OPEN_URL=http://quote.yahoo.co.jp/q?s=銘柄.市場&d=1d\r\n")), std::string::npos);
    EXPECT_NE(saved.find(S("STOCK_LINK=1日株価\r\n")), std::string::npos);
}

TEST_F(ShellTest, LinkUrlDialogCancelChangesNothingAndOnlyTheWidthChanges)
{
    Settings settings;
    settings.marketCodes[0] = S("abcdef");
    settings.marketCodes[1] = S("ab東京");
    const Settings before = settings;
    const std::vector<std::string> indexLinks = {S("Yahoo日経    _http://i/998407"), "no separator"};
    const std::vector<std::string> stockLinks = {S("1日株価        _http://s/?c=銘柄")};
    {
        LinkUrlDialog dialog(settings, indexLinks, stockLinks);
        dialog.show();
        auto* index = dialog.findChild<QComboBox*>(QStringLiteral("indexLinkCombo"));
        auto* stock = dialog.findChild<QComboBox*>(QStringLiteral("stockLinkCombo"));
        const int comboWidth = index->width();
        dialog.resize(dialog.width() + 100, dialog.height() + 100);
        QCoreApplication::processEvents();
        EXPECT_EQ(dialog.height(), 170);
        EXPECT_EQ(index->width(), comboWidth + 100);
        EXPECT_EQ(stock->width(), comboWidth + 100);

        index->setFocus();
        QTest::keyClick(index, Qt::Key_Down);
        EXPECT_EQ(index->currentText(), QStringLiteral("http://i/998407"));
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("indexLinkNameLabel"))->text(), QStringLiteral("Yahoo日経"));
        QTest::mouseClick(Button(dialog, QStringLiteral("ｷｬﾝｾﾙ")), Qt::LeftButton);
    }
    EXPECT_EQ(settings.indexOpenUrl, before.indexOpenUrl);
    EXPECT_EQ(settings.indexLinkName, before.indexLinkName);

    // OK keeps a hand-typed address with the last chosen label, and the
    // hidden market letters come back cut to 4 bytes.
    LinkUrlDialog dialog(settings, indexLinks, stockLinks);
    auto* stock = dialog.findChild<QComboBox*>(QStringLiteral("stockLinkCombo"));
    stock->setEditText(QStringLiteral("http://typed/銘柄"));
    dialog.accept();
    dialog.ApplyTo(settings);
    EXPECT_EQ(settings.quoteOpenUrl, S("http://typed/銘柄"));
    EXPECT_EQ(settings.stockLinkName, before.stockLinkName);
    EXPECT_EQ(settings.marketCodes[0], "abcd");
    EXPECT_EQ(settings.marketCodes[1], "ab" + S("東"));
    EXPECT_EQ(settings.marketCodes[2], before.marketCodes[2]);
}

TEST_F(ShellTest, LinkLabelsColourTheIndexBandAndOpenTheProductPage)
{
    auto window = Start();
    struct Case {
        const char* text;
        QColor colour;
    };
    const Case cases[] = {{" +120.50 ", QColor(255, 64, 64)}, {" -3.2 ", QColor(64, 255, 255)},
                          {" 0.00 ", Qt::white}, {"+-1", QColor(64, 255, 255)}, {"", Qt::white}};
    for (const Case& c : cases)
        EXPECT_EQ(LinkLabels::ChangeColour(QString::fromUtf8(c.text)), c.colour) << c.text;

    auto* change = static_cast<QLabel*>(Control(*window, "nikkeiChangeLabel"));
    change->setText(QStringLiteral("+120.50"));
    const QImage drawn = change->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::black));
    bool reddish = false;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            reddish = reddish || (drawn.pixelColor(x, y).red() > 128 && drawn.pixelColor(x, y).green() < 128);
    EXPECT_TRUE(reddish);

    for (const char* id : {"nikkeiLabel", "topixLabel", "jasdaqLabel", "verUpLabel"})
        EXPECT_EQ(Control(*window, id)->cursor().shape(), Qt::PointingHandCursor) << id;
    for (const char* id : {"futuresLabel", "nikkeiChangeLabel"})
        EXPECT_NE(Control(*window, id)->cursor().shape(), Qt::PointingHandCursor) << id;

    QWidget* verUp = Control(*window, "verUpLabel");
    EXPECT_EQ(verUp->palette().color(QPalette::WindowText), QColor(50, 50, 255));
    EXPECT_FALSE(verUp->font().underline());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(verUp, &enter);
    EXPECT_TRUE(verUp->font().underline());
    EXPECT_TRUE(verUp->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(verUp, &leave);
    EXPECT_FALSE(verUp->font().underline());

    QTest::mouseClick(verUp, Qt::LeftButton);
    EXPECT_EQ(opened.urls, (QStringList{QString::fromStdString(ProductPageUrl())}));
}

TEST_F(ShellTest, DisclosureMenuListsTheStocksHistoryAndOpensTheChosenEntry)
{
    sim::MarketSimulator simulator;
    ASSERT_GT(simulator.Start(0), 0);
    folder.WriteSettings(S("[MEIGARA_DATA]\r\nKOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=4503\r\nSIJOU1=東証\r\n"
                           "[SPECIALKEY]\r\nTEKIJI_URL=") + simulator.ListingBase() + "pages=2/\r\n");
    auto window = std::make_unique<MainWindow>(folder.Folder(), clock);
    QSignalSpy scanned(window.get(), &MainWindow::DisclosurePassFinished);
    window->Start();
    ASSERT_TRUE(scanned.wait(20000));
    ASSERT_FALSE(Cell(*window, 0, ColDisclosure).isEmpty());
    ASSERT_TRUE(Cell(*window, 1, ColDisclosure).isEmpty());

    // The day's history of the stock: a title with "_", one title as a UTF-8
    // listing page gave it, and the last line kept twice as the file does.
    WriteFileBytes(folder.Folder() + "20261207/7203/kaijistr.txt",
                   S("09:00 決算短信 _http://h/inbs/a.pdf\r\n10:30 株主総会資料_電子提供措置事項 _http://h/inbs/b.pdf\r\n") +
                       "11:00 配当予想 _http://h/inbs/c.pdf\r\n11:00 配当予想 _http://h/inbs/c.pdf\r\n");
    QMenu* menu = RightClick(*window, 0, ColDisclosure);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu), (QStringList{"09:00 決算短信 ", "10:30 株主総会資料_電子提供措置事項 ", "11:00 配当予想 "}));
    Pick(*menu, QStringLiteral("10:30 株主総会資料_電子提供措置事項 "));
    EXPECT_EQ(opened.urls, (QStringList{"http://h/inbs/b.pdf"}));

    // A disclosure cell without a find gives the link menu.
    menu = RightClick(*window, 1, ColDisclosure);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(*menu).value(0), QStringLiteral("リンクを開く"));
    menu->close();

    // In the tray the stock's disclosures show in the picture and the tip.
    List(*window)->selectRow(0);
    window->showMinimized();
    EXPECT_EQ(Tray(*window).Picture(), TrayPictureFlatNews);
    EXPECT_TRUE(Tray(*window).Tip().endsWith(QStringLiteral("\n適時あり")));
}
