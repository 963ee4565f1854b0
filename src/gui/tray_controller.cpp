#include "gui/tray_controller.h"

#include <QLabel>
#include <QWidget>
#include <QWindow>

#include "core/engine/watcher.h"
#include "core/text/texts.h"
#include "core/tray/tray_texts.h"
#include "gui/desktop_opener.h"
#include "gui/tray_icon.h"
#include "gui/tray_menu.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr std::chrono::milliseconds kTrayRefreshPeriod{20'000};
constexpr std::chrono::milliseconds kTrayFirstTextPeriod{2'000};

} // namespace

TrayController::TrayController(QWidget& window, Watcher& watcher, const QLabel& nikkeiLabel,
                               const QLabel& nikkeiChangeLabel)
    : QObject(&window), m_window(window), m_watcher(watcher), m_nikkeiLabel(nikkeiLabel),
      m_nikkeiChangeLabel(nikkeiChangeLabel), m_icon(new TrayIcon(this))
{
    setObjectName(QStringLiteral("trayController"));
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_refreshTimer.setObjectName(QStringLiteral("trayRefreshTimer"));
    m_firstTextTimer.setObjectName(QStringLiteral("trayFirstTextTimer"));
    for (QTimer* timer : {&m_refreshTimer, &m_firstTextTimer})
        timer->setParent(this);
    connect(m_icon, &TrayIcon::MenuOpening, this, &TrayController::OnMenuOpening);
    connect(m_icon, &TrayIcon::DoubleClicked, this, &TrayController::Restore);
    TrayMenu& menu = m_icon->Menu();
    // Each choice runs once the menu has closed.
    connect(&menu, &TrayMenu::IndexChosen, this, [this] { OpenWebPage(m_watcher.CurrentSettings().indexOpenUrl); },
            Qt::QueuedConnection);
    connect(&menu, &TrayMenu::RowChosen, this, &TrayController::ChooseRow, Qt::QueuedConnection);
    connect(&menu, &TrayMenu::OpenWindowChosen, this, &TrayController::Restore, Qt::QueuedConnection);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TrayController::OnRefreshTimer);
    connect(&m_firstTextTimer, &QTimer::timeout, this, &TrayController::OnFirstTextTimer);
}

bool TrayController::GoToTrayAtStart()
{
    if (!IsTrayAvailable())
        return false;
    Enter();
    return true;
}

void TrayController::MinimiseToTray()
{
    Enter();
    Update();
    // Hidden once the state change is through, so that the desktop keeps
    // no minimised window of it; hidden as a normal window, or it would come
    // back minimised and go straight back to the tray. Its place is pinned
    // first: a window the desktop placed would be placed anew.
    QTimer::singleShot(0, this, [this] {
        if (!m_inTray)
            return;
        m_window.windowHandle()->setPosition(m_window.geometry().topLeft());
        m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
        m_window.hide();
    });
}

void TrayController::Enter()
{
    m_inTray = true;
    m_icon->Add(texts::Sjis(texts::TrayFirstTip));
    m_firstTextTimer.start(kTrayFirstTextPeriod);
    m_refreshTimer.start(kTrayRefreshPeriod);
}

void TrayController::Remove()
{
    m_inTray = false;
    m_icon->Remove();
}

void TrayController::Restore()
{
    m_refreshTimer.stop();
    Remove();
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
    emit Restored();
}

void TrayController::Update()
{
    if (!m_inTray)
        return;
    const auto row = static_cast<std::size_t>(m_watcher.CurrentSettings().selectedRow);
    const bool layoutWarning = m_watcher.LayoutWarning();
    const bool quotesBlind = m_watcher.QuotesBlind();
    std::string tip;
    TrayPicture picture;
    m_watcher.ReadRows([&](const WatchList& list) {
        tip = BuildTrayTip(list, row, layoutWarning, quotesBlind);
        picture = TrayPictureOfRow(list, row);
    });
    m_icon->Modify(picture, tip);
}

void TrayController::StopRefresh()
{
    m_refreshTimer.stop();
}

void TrayController::Leave()
{
    m_refreshTimer.stop();
    m_firstTextTimer.stop();
    Remove();
}

void TrayController::OnRefreshTimer()
{
    if (m_watcher.RowCount() == 0)
        return;
    m_watcher.ClampSelectedRow();
    Update();
}

// Once: its tip always holds text.
void TrayController::OnFirstTextTimer()
{
    m_firstTextTimer.stop();
    OnRefreshTimer();
}

void TrayController::OnMenuOpening(TrayMenu& menu)
{
    TrayMenuContent content;
    const QString indexChange = m_nikkeiChangeLabel.text();
    content.indexText = m_nikkeiLabel.text() + QLatin1Char(' ') + indexChange;
    content.indexMark = MarkOfIndexChange(ToSjis(indexChange));
    const int trayRow = m_watcher.ClampSelectedRow();
    m_watcher.ReadRows([&](const WatchList& list) {
        for (std::size_t row = 0; row < list.RowCount(); ++row)
            content.rows.push_back({ToQString(BuildTrayRowLabel(list, row)), MarkOfTrend(list.Cell(row, ColTrend))});
    });
    if (!content.rows.empty())
        content.trayRow = trayRow;
    content.startInTray = m_watcher.CurrentSettings().startInTray;
    menu.Fill(content);
}

// A row picked with the mouse also opens the stock's page, when the
// settings say so. A row that went away since the menu opened is no choice.
void TrayController::ChooseRow(int row, bool pickedWithMouse)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_watcher.RowCount())
        return;
    m_watcher.ChangeSettings([row](Settings& s) { s.selectedRow = row; });
    Update();
    if (pickedWithMouse && m_watcher.CurrentSettings().openUrlOnClick)
        emit RowPageRequested(row);
}

} // namespace zelmora
