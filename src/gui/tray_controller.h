#pragma once

#include <QObject>
#include <QTimer>

class QLabel;
class QWidget;

namespace zelmora {

class TrayIcon;
class TrayMenu;
class Watcher;

// The window's life in the notification area: going there on minimising or
// at start, the icon's tip and picture following the selected row, its
// menu, and coming back.
class TrayController : public QObject {
    Q_OBJECT
public:
    // The Nikkei 225 label and its change head the tray menu.
    TrayController(QWidget& window, Watcher& watcher, const QLabel& nikkeiLabel, const QLabel& nikkeiChangeLabel);

    TrayIcon& Icon() { return *m_icon; }
    bool InTray() const { return m_inTray; }

    // False without a notification area: the window must find another way.
    bool GoToTrayAtStart();
    void MinimiseToTray();
    // The icon goes, the window comes back.
    void Restore();
    // Shows the tip and picture of the row the tray follows.
    void Update();
    void StopRefresh();
    // At close: no timer runs, no icon stays.
    void Leave();

signals:
    // The window is back from the tray.
    void Restored();
    // A row picked with the mouse whose page the settings say to open.
    void RowPageRequested(int row);

private:
    void Enter();
    void Remove();
    void OnRefreshTimer();
    void OnFirstTextTimer();
    void OnMenuOpening(TrayMenu& menu);
    void ChooseRow(int row, bool pickedWithMouse);

    QWidget& m_window;
    Watcher& m_watcher;
    const QLabel& m_nikkeiLabel;
    const QLabel& m_nikkeiChangeLabel;
    TrayIcon* m_icon;
    QTimer m_refreshTimer;
    QTimer m_firstTextTimer;
    bool m_inTray = false;
};

} // namespace zelmora
