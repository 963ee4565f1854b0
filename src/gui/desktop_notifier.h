#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <optional>
#include <string>

#include "core/disclosure/history_line.h"
#include "core/engine/watcher_observer.h"

class QDBusPendingCallWatcher;

namespace zelmora {

class TrayIcon;
class Watcher;

// The bus the notification service is looked for on: the session bus, or
// the bus at the address a test sets. Returns the address it replaces
// (empty for the session bus). Read when a notifier is made.
QString SetNotificationBusAddress(const QString& address);

// Shows each new disclosure of today on the desktop, while the switch of
// the settings menu is on: through the freedesktop notification service,
// else as a message of the tray icon while the icon is shown, else not at
// all. Clicking one opens the disclosure as the disclosure menu does. A
// pass shows at most five, then one that counts the rest.
// The price alerts of a quote pass show as one notice, whose click opens
// the first stock's quote page.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    DesktopNotifier(const Watcher& watcher, TrayIcon& tray, QObject* parent);

    void OnDisclosureFound(const DisclosureReport& report);
    void OnAlertsFired(const AlertReport& report);
    void OnPassFinished(const PassReport& report);

private slots:
    // Signals of the notification service.
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);

private:
    // What a click opens: the line of the stock's history with this entry,
    // or a web page.
    struct Target {
        StockDisclosures stock;
        std::string entryText;
        std::string webAddress;
    };
    struct Notice {
        QString summary;
        QString body;
        std::optional<Target> target;
    };

    void Show(Notice notice);
    void AskCapabilities();
    void OnCapabilities(QDBusPendingCallWatcher* call);
    void SendWaiting();
    void Send(const Notice& notice);
    void ShowInTray(const Notice& notice);
    void Remember(uint id, const Target& target);
    static void Open(const Target& target);

    const Watcher& m_watcher;
    TrayIcon& m_tray;
    QDBusConnection m_bus;
    // Notices held until the service has said whether it reads markup.
    std::deque<Notice> m_waiting;
    std::optional<bool> m_serviceReadsMarkup;
    bool m_askingCapabilities = false;
    // The service's ids of the notices shown, and what each opens.
    std::map<uint, Target> m_shown;
    std::optional<Target> m_trayMessageTarget;
    int m_noticesThisPass = 0;
    int m_heldThisPass = 0;
};

} // namespace zelmora
