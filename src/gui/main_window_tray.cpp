// The tray side of the main window: going to the notification area on
// minimising or at start, the icon's tip and picture, its menu, and coming
// back.

#include <QEvent>
#include <QLabel>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include "core/text/texts.h"
#include "core/tray/tray_texts.h"
#include "gui/desktop_opener.h"
#include "gui/main_window.h"
#include "session/sjis_qstring.h"
#include "gui/tray_icon.h"
#include "gui/tray_menu.h"

namespace zelmora {
namespace {

constexpr std::chrono::milliseconds kTrayRefreshPeriod{20'000};
constexpr std::chrono::milliseconds kTrayFirstTextPeriod{2'000};

} // namespace

void MainWindow::ConnectTray()
{
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::MenuOpening, this, &MainWindow::OnTrayMenuOpening);
    connect(m_tray, &TrayIcon::DoubleClicked, this, &MainWindow::RestoreFromTray);
    TrayMenu& menu = m_tray->Menu();
    // Each choice runs once the menu has closed.
    connect(&menu, &TrayMenu::IndexChosen, this, [this] { OpenWebPage(m_watcher->CurrentSettings().m_indexOpenUrl); },
            Qt::QueuedConnection);
    connect(&menu, &TrayMenu::RowChosen, this, &MainWindow::ChooseTrayRow, Qt::QueuedConnection);
    connect(&menu, &TrayMenu::OpenWindowChosen, this, &MainWindow::RestoreFromTray, Qt::QueuedConnection);
    connect(&menu, &TrayMenu::StartInTrayToggled, this, &MainWindow::ToggleStartInTray, Qt::QueuedConnection);
    connect(&menu, &TrayMenu::CloseChosen, this, &QWidget::close, Qt::QueuedConnection);
    connect(&m_trayRefreshTimer, &QTimer::timeout, this, &MainWindow::OnTrayRefreshTimer);
    connect(&m_trayFirstTextTimer, &QTimer::timeout, this, &MainWindow::OnTrayFirstTextTimer);
}

// Without a notification area the window starts minimised instead, so
// there is always a way back to it.
void MainWindow::GoToTrayAtStart()
{
    if (!IsTrayAvailable()) {
        SelectRow(m_watcher->CurrentSettings().m_selectedItem);
        showMinimized();
        return;
    }
    AddTrayIcon(texts::Sjis(texts::TrayFirstTip));
    m_trayFirstTextTimer.start(kTrayFirstTextPeriod);
    m_trayRefreshTimer.start(kTrayRefreshPeriod);
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_inTray && IsTrayAvailable())
        MinimiseToTray();
}

void MainWindow::MinimiseToTray()
{
    AddTrayIcon(texts::Sjis(texts::TrayFirstTip));
    UpdateTrayIcon();
    m_trayFirstTextTimer.start(kTrayFirstTextPeriod);
    m_trayRefreshTimer.start(kTrayRefreshPeriod);
    // Hidden once the state change is through, so that the desktop keeps
    // no minimised window of it; hidden as a normal window, or it would come
    // back minimised and go straight back to the tray. Its place is pinned
    // first: a window the desktop placed would be placed anew.
    QTimer::singleShot(0, this, [this] {
        if (!m_inTray)
            return;
        windowHandle()->setPosition(geometry().topLeft());
        setWindowState(windowState() & ~Qt::WindowMinimized);
        hide();
    });
}

void MainWindow::setVisible(bool visible)
{
    if (visible && m_inTray)
        return;
    QWidget::setVisible(visible);
}

void MainWindow::AddTrayIcon(const std::string& tip)
{
    m_inTray = true;
    m_tray->Add(tip);
}

void MainWindow::RemoveTrayIcon()
{
    m_inTray = false;
    m_tray->Remove();
}

// The tray follows the selected row.
void MainWindow::UpdateTrayIcon()
{
    if (!m_inTray)
        return;
    const auto row = static_cast<std::size_t>(m_watcher->CurrentSettings().m_selectedItem);
    const bool layoutWarning = m_watcher->LayoutWarning();
    const bool quotesBlind = m_watcher->QuotesBlind();
    std::string tip;
    TrayPicture picture;
    m_watcher->ReadRows([&](const WatchList& list) {
        tip = BuildTrayTip(list, row, layoutWarning, quotesBlind);
        picture = TrayPictureOfRow(list, row);
    });
    m_tray->Modify(picture, tip);
}

void MainWindow::OnTrayRefreshTimer()
{
    if (m_watcher->RowCount() == 0)
        return;
    m_watcher->ClampSelectedRow();
    UpdateTrayIcon();
}

// Once: its tip always holds text.
void MainWindow::OnTrayFirstTextTimer()
{
    m_trayFirstTextTimer.stop();
    OnTrayRefreshTimer();
}

void MainWindow::RestoreFromTray()
{
    m_trayRefreshTimer.stop();
    RemoveTrayIcon();
    showNormal();
    raise();
    activateWindow();
    SelectRow(m_watcher->CurrentSettings().m_selectedItem);
}

void MainWindow::BringToFront()
{
    if (m_shutDown)
        return;
    if (m_inTray) {
        RestoreFromTray();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::OnTrayMenuOpening(TrayMenu& menu)
{
    TrayMenuContent content;
    const QString indexChange = m_indexChangeLabels[0]->text();
    content.indexText = m_indexLabels[0]->text() + QLatin1Char(' ') + indexChange;
    content.indexMark = MarkOfIndexChange(ToSjis(indexChange));
    const int trayRow = m_watcher->ClampSelectedRow();
    m_watcher->ReadRows([&](const WatchList& list) {
        for (std::size_t row = 0; row < list.RowCount(); ++row)
            content.rows.push_back({ToQString(BuildTrayRowLabel(list, row)), MarkOfTrend(list.Cell(row, ColTrend))});
    });
    if (!content.rows.empty())
        content.trayRow = trayRow;
    content.startInTray = m_watcher->CurrentSettings().m_startInTray;
    menu.Fill(content);
}

// A row picked with the mouse also opens the stock's page, when the
// settings say so. A row that went away since the menu opened is no choice.
void MainWindow::ChooseTrayRow(int row, bool pickedWithMouse)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_watcher->RowCount())
        return;
    m_watcher->ChangeSettings([row](Settings& s) { s.m_selectedItem = row; });
    UpdateTrayIcon();
    if (pickedWithMouse && m_watcher->CurrentSettings().m_openUrlOnClick)
        OpenRowLink(row);
}

} // namespace zelmora
