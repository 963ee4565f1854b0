// Every text of the window, its dialogs and its menus shows whole. CTest runs
// this suite with each Japanese face a Debian desktop is likely to have and
// at several scales (tests/gui/CMakeLists.txt).

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/dayrecord/day_record.h"
#include "core/disclosure/history_file.h"
#include "gui/day_chart.h"
#include "gui/day_chart_window.h"
#include "gui/dialog_units.h"
#include "gui/mail_settings_dialog.h"
#include "gui/main_window.h"
#include "gui/tray_icon.h"
#include "gui_test_support.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

// The rectangle a control draws its text in, as the style lays it out.
QRect TextRect(const QWidget& control)
{
    QStyle* style = control.style();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return label->contentsRect().marginsRemoved(QMargins(label->margin(), 0, label->margin(), 0));
    if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.frame = combo->hasFrame();
        const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        return field.adjusted(1, 0, -1, 0); // the label keeps a pixel off either side
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        return style->subElementRect(QStyle::SE_LineEditContents, &option, edit).adjusted(2, 0, -2, 0);
    }
    QStyleOptionButton option;
    option.initFrom(&control);
    option.text = static_cast<const QAbstractButton&>(control).text();
    if (qobject_cast<const QCheckBox*>(&control))
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, &control);
    if (qobject_cast<const QRadioButton*>(&control))
        return style->subElementRect(QStyle::SE_RadioButtonContents, &option, &control);
    if (static_cast<const QPushButton&>(control).autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    return style->subElementRect(QStyle::SE_PushButtonContents, &option, &control);
}

QString Name(const QWidget& control)
{
    if (control.objectName().isEmpty())
        return QString::fromLatin1(control.metaObject()->className());
    return control.objectName();
}

bool IsTextControl(const QWidget& control)
{
    return qobject_cast<const QLabel*>(&control) || qobject_cast<const QAbstractButton*>(&control)
           || qobject_cast<const QComboBox*>(&control) || qobject_cast<const QLineEdit*>(&control);
}

void ExpectFits(const QWidget& control, const QString& text)
{
    EXPECT_LE(control.fontMetrics().horizontalAdvance(text), TextRect(control).width())
        << Name(control).toStdString() << ": " << text.toStdString();
}

// The texts a control shows: its own, or every item of a drop list. An
// editable combo and what a user types into an edit scroll by design; their
// fields are left out.
QStringList ShownTexts(const QWidget& control)
{
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return {label->text()};
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        return {button->text()};
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        return {edit->isReadOnly() ? edit->text() : QString()};
    QStringList items;
    const auto& combo = static_cast<const QComboBox&>(control);
    for (int i = 0; i < combo.count() && !combo.isEditable(); ++i)
        items << combo.itemText(i);
    return items;
}

// Every shown label, button, combo and edit of the window shows its texts
// whole, lies within the window and overlaps no other control more than the
// layout's own joints do.
void ExpectEveryTextWhole(QWidget& window)
{
    const DialogUnits units(window.font());
    std::vector<QWidget*> shown;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!IsTextControl(*control) || !control->isVisible() || control->window() != &window
            || qobject_cast<QComboBox*>(control->parentWidget()))
            continue;
        for (const QString& text : ShownTexts(*control))
            ExpectFits(*control, text);
        const QRect place(control->mapTo(&window, QPoint()), control->size());
        EXPECT_TRUE(window.rect().contains(place)) << Name(*control).toStdString();
        for (const QWidget* other : shown) {
            if (other->parentWidget() != control->parentWidget())
                continue;
            const QRect overlap = other->geometry().intersected(control->geometry());
            EXPECT_LE(overlap.width(), units.X(1))
                << Name(*control).toStdString() << " over " << Name(*other).toStdString();
        }
        shown.push_back(control);
    }
}

class FittingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldTray = SetTrayAvailability([] { return true; });
        ASSERT_GT(simulator.Start(0), 0);
        clock.now = {2026, 12, 31, 10, 0, 0, 4};
        std::string ini = "[MEIGARA_DATA]\r\nKOSUU=15\r\n";
        for (int i = 0; i < 15; ++i)
            ini += "NUM" + std::to_string(i) + "=" + std::to_string(7201 + i) + "\r\nSIJOU" + std::to_string(i) + "=" + S("東証") + "\r\n";
        ini += "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() + S("/q?s=銘柄.市場") + "\r\n";
        folder.WriteSettings(ini);
        window = std::make_unique<MainWindow>(folder.Folder(), clock);
        QSignalSpy passed(window.get(), &MainWindow::QuotePassFinished);
        window->Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(passed.wait(20000));
    }

    void TearDown() override { SetTrayAvailability(m_oldTray); }

    static void SetTexts(QWidget& window, const char* name, const QStringList& texts)
    {
        auto* label = Control<QLabel>(window, name);
        for (const QString& text : texts) {
            label->setText(text);
            ExpectFits(*label, text);
        }
    }

    // Keeps a picture named by what it shows and by the face and scale of
    // this run.
    void KeepPicture(QWidget& widget, const QString& what) const
    {
        const QString run = QFontInfo(window->font()).family().remove(QLatin1Char(' ')) + QStringLiteral("-x")
                            + QString::number(window->devicePixelRatio());
        QDir().mkpath(QStringLiteral(ZELMORA_SCREENSHOT_DIR));
        const QString path = QStringLiteral(ZELMORA_SCREENSHOT_DIR "/%1-%2.png").arg(what, run);
        EXPECT_TRUE(widget.grab().save(path));
    }

    sim::MarketSimulator simulator;
    FixedClock clock;
    ProgramFolderFixture folder;
    std::unique_ptr<MainWindow> window;

private:
    TrayAvailability m_oldTray;
};

} // namespace

TEST_F(FittingTest, TheWindowShowsEveryTextWholeAndTheListNeverScrollsSideways)
{
    // The widest of what the watcher reports into the labels.
    for (const char* value : {"nikkeiLabel", "topixLabel", "jasdaqLabel", "futuresLabel"})
        SetTexts(*window, value, {"日経平均 ( 15:00 ) 99,999.99", "日経先物 ( 15:00 ) 99,999.99", "JASDAQ ( 15:00 ) 99,999.99"});
    for (const char* change : {"nikkeiChangeLabel", "topixChangeLabel", "jasdaqChangeLabel", "futuresChangeLabel"})
        SetTexts(*window, change, {" -9,999.99 "});
    SetTexts(*window, "statusLabel", {"データ取得中"});
    SetTexts(*window, "priceMailStatusLabel",
             {"株価場終了後にメール", "株価を10分毎にメール", "株価を1440分毎にメール", "送信エラー", "株価メール破棄"});
    SetTexts(*window, "disclosureMailStatusLabel", {"適時開示をメール", "送信エラー"});
    auto* dates = Control<QComboBox>(*window, "dateCombo");
    EXPECT_EQ(dates->itemText(0), QStringLiteral("20261231"));
    EXPECT_EQ(Control<QComboBox>(*window, "marketCombo")->count(), 7);

    // The last row fills the entry row; every control keeps its texts whole.
    QTableView* list = Control<QTableView>(*window, "watchList");
    ASSERT_EQ(list->model()->rowCount(), 15);
    list->selectRow(14);
    ASSERT_FALSE(Text(*window, "priceEdit").isEmpty());
    ExpectEveryTextWhole(*window);

    // Fifteen rows in view at the first size, whole; the columns fill the
    // list, and a click in any column leaves the list where it was sideways.
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(list->visualRect(list->model()->index(14, 0)).bottom(), list->viewport()->height());
    QScrollBar* sideways = list->horizontalScrollBar();
    EXPECT_EQ(sideways->maximum(), 0);
    EXPECT_FALSE(sideways->isVisible());
    int columns = 0;
    for (int column = 0; column < list->model()->columnCount(); ++column)
        columns += list->columnWidth(column);
    EXPECT_EQ(columns, list->viewport()->width());
    for (int column = 0; column < list->model()->columnCount(); ++column) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(14, column)).center());
        EXPECT_EQ(sideways->value(), 0) << column;
    }

    KeepPicture(*window, QStringLiteral("main-window"));
}

TEST_F(FittingTest, DialogsAndMessageBoxesShowTheirTextsWholeWithACloseButtonOnly)
{
    const auto frameOfADialog = [](const QDialog& dialog) {
        const Qt::WindowFlags flags = dialog.windowFlags();
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint) << dialog.windowTitle().toStdString();
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << dialog.windowTitle().toStdString();
    };
    const auto opened = [this] { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); };

    window->ShowMailSettings();
    QDialog* dialog = opened();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    frameOfADialog(*dialog);
    SetTexts(*dialog, "testMailResultLabel", {"送信しました", "送信エラー"});
    // Why a test mail failed wraps within its label.
    auto* reason = Control<QLabel>(*dialog, "testMailReasonLabel");
    for (MailFailure failure : {MailFailure::NotReached, MailFailure::LoginRefused, MailFailure::NoEncryption,
                                MailFailure::AddressRefused}) {
        reason->setText(TestMailReason(failure));
        EXPECT_LE(reason->heightForWidth(reason->width()), reason->height()) << reason->text().toStdString();
    }
    ExpectEveryTextWhole(*dialog);
    KeepPicture(*dialog, QStringLiteral("mail-settings"));
    dialog->reject();

    const std::pair<void (MainWindow::*)(), QString> others[] = {{&MainWindow::ShowLinkUrlSettings, QStringLiteral("link-url")},
                                                                 {&MainWindow::ShowAboutDialog, QStringLiteral("about")}};
    for (const auto& [open, what] : others) {
        (window.get()->*open)();
        dialog = opened();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        frameOfADialog(*dialog);
        ExpectEveryTextWhole(*dialog);
        KeepPicture(*dialog, what);
        dialog->reject();
    }

    // The alert dialog names a bad field and keeps OK disabled until the
    // thresholds read, full-width digits and "," among them.
    window->ShowAlertSettings();
    dialog = opened();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    frameOfADialog(*dialog);
    auto* ok = Control<QPushButton>(*dialog, "okButton");
    Control<QLineEdit>(*dialog, "upperEdit")->setText(QStringLiteral("2,7OO"));
    EXPECT_EQ(Text(*dialog, "problemLabel"), QStringLiteral("上限は正の数で入力してください"));
    EXPECT_FALSE(ok->isEnabled());
    Control<QLineEdit>(*dialog, "upperEdit")->setText(QStringLiteral("２，７００"));
    Control<QLineEdit>(*dialog, "lowerEdit")->setText(QStringLiteral("2700"));
    EXPECT_EQ(Text(*dialog, "problemLabel"), QStringLiteral("上限は下限より大きくしてください"));
    EXPECT_FALSE(ok->isEnabled());
    ExpectEveryTextWhole(*dialog);
    Control<QLineEdit>(*dialog, "upperEdit")->setText(QStringLiteral("3,000"));
    Control<QLineEdit>(*dialog, "rateEdit")->setText(QStringLiteral("2.5"));
    EXPECT_TRUE(ok->isEnabled());
    ExpectEveryTextWhole(*dialog);
    KeepPicture(*dialog, QStringLiteral("alert-settings"));
    ok->click();
    EXPECT_EQ(AlertThresholdsText(SessionEngine(*window).AlertsOf(0)), "3000_2700_2.5");

    // The sixteenth stock: the message box, titled with the whole title.
    QSignalSpy looked(window.get(), &MainWindow::EntryRowLookedUp);
    Control<QLineEdit>(*window, "codeEdit")->setText(QStringLiteral("4755"));
    ASSERT_TRUE(looked.wait(10000));
    window->AddToWatchList();
    auto* box = qobject_cast<QMessageBox*>(opened());
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    EXPECT_EQ(box->text(), QStringLiteral("登録できるアイテム数は15個までです。"));
    frameOfADialog(*box);
    ExpectEveryTextWhole(*box);
    KeepPicture(*box, QStringLiteral("message-box"));
    QFont title = box->font();
    title.setBold(true);
    EXPECT_GT(box->width(), QFontMetrics(title).horizontalAdvance(box->windowTitle()) + 2 * QFontMetrics(title).height());
    box->accept();
}

// A menu draws each item in its own font only when that font has a glyph
// for every character; else part of the item comes out in another face. On
// a desktop's screen, fifteen rows and the commands stay in one column.
TEST_F(FittingTest, MenusDrawEveryItemInOneFace)
{
    window->showMinimized();
    ASSERT_TRUE(Tray(*window).IsShown());
    QMenu& tray = Tray(*window).Menu();
    tray.popup(QPoint(100, 100));
    ASSERT_EQ(QApplication::activePopupWidget(), &tray);
    KeepPicture(tray, QStringLiteral("tray-menu"));
    tray.close();
    DoubleClickTray(*window);
    window->ShowSettingsMenu();
    auto* settings = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(settings, nullptr);
    KeepPicture(*settings, QStringLiteral("settings-menu"));
    for (const QMenu* menu : {static_cast<const QMenu*>(&tray), static_cast<const QMenu*>(settings)}) {
        EXPECT_EQ(QFontInfo(menu->font()).family(), QFontInfo(window->font()).family());
        const QFontMetrics metrics = menu->fontMetrics();
        int rows = 0;
        for (QAction* item : menu->actions()) {
            EXPECT_EQ(menu->actionGeometry(item).x(), menu->actionGeometry(menu->actions().front()).x())
                << "one column: " << item->text().toStdString();
            rows += item->text().startsWith(QLatin1Char(' ')) ? 1 : 0;
            for (const char32_t c : item->text().toUcs4())
                EXPECT_TRUE(metrics.inFontUcs4(c)) << item->text().toStdString();
        }
        EXPECT_EQ(rows, menu == &tray ? 15 : 0);
    }
    settings->close();
}

// The chart of the first row, opened from the list's menu, draws the close
// before the day (price minus change, dashed) and a threshold on the rows of
// pixels their prices give (the row's 上限), and its header shows whole.
TEST_F(FittingTest, TheChartDrawsThePreviousCloseAndAThresholdWhereTheirPricesStand)
{
    const std::string record = DayRecordPath(folder.Folder(), "20261231", "7201");
    std::filesystem::create_directories(std::filesystem::path(record).parent_path());
    std::ofstream lines(record, std::ios::binary);
    for (int minute = 9 * 60; minute <= 14 * 60 + 30; minute += 2) {
        const int price = 1010 + static_cast<int>(std::lround(18 * std::sin(minute / 40.0)));
        char line[64];
        std::snprintf(line, sizeof line, "%02d:%02d,%d,%d,%d\r\n", minute / 60, minute % 60, price, price - 990, minute * 900);
        lines << line;
    }
    lines.close();
    std::ofstream(HistoryFilePath(folder.Folder(), "20261231", "7201"), std::ios::binary)
        << S("13:00 業績予想の修正に関するお知らせ_http://127.0.0.1/a.pdf\r\n");

    SessionEngine(*window).SetAlerts(0, ParseAlertThresholds("1040__"));

    QTableView* list = Control<QTableView>(*window, "watchList");
    const QPoint cell = list->visualRect(list->model()->index(0, 1)).center();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, list->viewport()->mapTo(window.get(), cell));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* item : menu->actions()) {
        if (item->text() == QStringLiteral("チャート..."))
            item->trigger();
    }
    menu->close();
    DayChartWindow* chart = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (chart = window->findChild<DayChartWindow*>()) != nullptr; }, 5000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chart));
    ExpectEveryTextWhole(*chart);
    KeepPicture(*chart, QStringLiteral("chart"));

    auto* day = chart->findChild<DayChart*>();
    const QImage picture = day->grab().toImage();
    const QRect area = day->PriceArea();
    const PriceSpan range = day->PriceRange();
    const qreal ratio = picture.devicePixelRatio();
    // The share of the plot's width inked within two pixels of the price's row.
    const auto inked = [&](double price, int offset, const QColor& ink) {
        const int y = static_cast<int>(std::lround((area.top() + (range.high - price) / (range.high - range.low) * area.height()) * ratio)) + offset;
        int hits = 0;
        const int left = static_cast<int>(area.left() * ratio) + 2;
        const int right = static_cast<int>(area.right() * ratio) - 2;
        for (int x = left; x <= right; ++x) {
            for (int dy = -2; dy <= 2; ++dy) {
                if (picture.pixelColor(x, y + dy) == ink) {
                    ++hits;
                    break;
                }
            }
        }
        return static_cast<double>(hits) / (right - left + 1);
    };
    EXPECT_GT(inked(1040, 0, ThresholdPen().color()), 0.9);
    EXPECT_LT(inked(1040, 6, ThresholdPen().color()), 0.05);
    const double dashed = inked(990, 0, PreviousClosePen().color());
    EXPECT_GT(dashed, 0.4);
    EXPECT_LT(dashed, 0.9);
    EXPECT_LT(inked(990, -6, PreviousClosePen().color()), 0.05);
}
