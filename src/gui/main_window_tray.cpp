// The tray side of the main window: going to the notification area on
// minimising or at start, the icon's tip and picture, its menu, and coming
// back.

#include <QEvent>
#include <QLabel>
#include <QTableView>
#include <QTimer>

#include "core/text/texts.h"
#include "core/tray/tray_texts.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui/popup_menu.h"
#include "gui/sjis_qstring.h"
#include "gui/tray_icon.h"
#include "gui/tray_menu.h"

namespace zelmora {

void MainWindow::ConnectTray()
{
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::MenuOpening, this, &MainWindow::OnTrayMenuOpening);
    connect(m_tray, &TrayIcon::DoubleClicked, this, &MainWindow::RestoreFromTray);
    SendCommandsTo(m_tray->Menu(), this, [this](int command, bool withMouse) { OnCommand(command, withMouse); });
}

// Without a notification area the window starts minimised instead, so
// there is always a way back to it.
void MainWindow::GoToTrayAtStart()
{
    if (!IsTrayAvailable()) {
        SelectRow(m_settings.m_selectedItem);
        showMinimized();
        return;
    }
    AddTrayIcon(texts::Sjis(texts::TrayFirstTip));
    m_timers[TrayFirstTextTimer]->start(kTrayFirstTextPeriod);
    m_timers[TrayRefreshTimer]->start(kTrayRefreshPeriod);
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
    m_timers[TrayFirstTextTimer]->start(kTrayFirstTextPeriod);
    m_timers[TrayRefreshTimer]->start(kTrayRefreshPeriod);
    // Hidden once the state change is through, so that the desktop keeps
    // no minimised window of it.
    QTimer::singleShot(0, this, [this] {
        if (m_inTray)
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
    m_inTray = 1;
    m_tray->Add(tip);
}

void MainWindow::RemoveTrayIcon()
{
    m_inTray = 0;
    m_tray->Remove();
}

void MainWindow::UpdateTrayIcon()
{
    if (!m_inTray)
        return;
    std::string tip;
    TrayPicture picture;
    {
        const std::lock_guard hold(m_rowsLock);
        const auto row = static_cast<std::size_t>(m_settings.m_selectedItem);
        tip = BuildTrayTip(m_watchList, row);
        picture = TrayPictureOfRow(m_watchList, row);
    }
    m_tray->Modify(picture, tip);
}

void MainWindow::ClampTrayRow()
{
    const int rows = static_cast<int>(m_watchList.RowCount());
    if (rows > 0 && (m_settings.m_selectedItem < 0 || m_settings.m_selectedItem > rows - 1))
        m_settings.m_selectedItem = 0;
}

void MainWindow::RestoreFromTray()
{
    m_timers[TrayRefreshTimer]->stop();
    RemoveTrayIcon();
    showNormal();
    raise();
    activateWindow();
    SelectRow(m_settings.m_selectedItem);
}

void MainWindow::OnTrayMenuOpening(QMenu& menu)
{
    TrayMenuContent content;
    const QString indexChange = static_cast<QLabel*>(m_controls.at(IDC_INDEX1_CHANGE))->text();
    content.indexText = static_cast<QLabel*>(m_controls.at(IDC_INDEX1))->text() + QLatin1Char(' ') + indexChange;
    content.indexMark = MarkOfIndexChange(ToSjis(indexChange));
    ClampTrayRow();
    {
        const std::lock_guard hold(m_rowsLock);
        for (std::size_t row = 0; row < m_watchList.RowCount(); ++row)
            content.rows.push_back({ToQString(BuildTrayRowLabel(m_watchList, row)), MarkOfTrend(m_watchList.Cell(row, ColTrend))});
    }
    if (!content.rows.empty())
        content.trayRow = m_settings.m_selectedItem;
    content.startInTray = m_settings.m_startInTray == 1;
    FillTrayMenu(menu, content);
}

void MainWindow::ChooseTrayRow(std::size_t row, bool pickedWithMouse)
{
    m_settings.m_selectedItem = static_cast<int>(row);
    UpdateTrayIcon();
    if (pickedWithMouse && m_settings.m_openUrlOnClick == 1)
        OpenRowLink(static_cast<int>(row));
}

} // namespace zelmora
