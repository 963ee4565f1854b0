#include "gui/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>

#include <utility>

#include "core/engine/watcher.h"
#include "core/links/link_template.h"
#include "core/version.h"
#include "gui/art.h"
#include "gui/desktop_opener.h"
#include "session/sjis_qstring.h"
#include "gui/tray_icon.h"

namespace zelmora {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

constexpr int kNoticesPerPass = 5;
// A service that does not answer within this is taken as absent.
constexpr int kCallTimeoutMs = 5'000;
constexpr int kTrayMessageMs = 10'000;
// Ids of shown notices kept for their clicks; a service that never says
// that one closed cannot make the list grow without end.
constexpr std::size_t kRememberedNotices = 64;

QString& BusAddress()
{
    static QString address;
    return address;
}

QDBusConnection NotificationBus()
{
    const QString& address = BusAddress();
    if (address.isEmpty())
        return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(address, QStringLiteral("zelmora-notifications ") + address);
}

} // namespace

QString SetNotificationBusAddress(const QString& address)
{
    return std::exchange(BusAddress(), address);
}

DesktopNotifier::DesktopNotifier(const Watcher& watcher, TrayIcon& tray, QObject* parent)
    : QObject(parent), m_watcher(watcher), m_tray(tray), m_bus(NotificationBus())
{
    if (m_bus.isConnected()) {
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(OnActionInvoked(uint, QString)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(OnNotificationClosed(uint, uint)));
    }
    connect(&m_tray.SystemIcon(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_trayMessageTarget)
            Open(*m_trayMessageTarget);
    });
}

// The switch counts at each disclosure, so turning it off silences a pass
// that is running.
void DesktopNotifier::OnDisclosureFound(const DisclosureReport& report)
{
    if (!m_watcher.CurrentSettings().disclosureNotifyOn)
        return;
    if (m_noticesThisPass == kNoticesPerPass) {
        ++m_heldThisPass;
        return;
    }
    ++m_noticesThisPass;
    // Wherever the row stands now: rows may have moved since the hit.
    const QString name = ToQString(m_watcher.NameOfStock(report.code));
    // The figures of an earnings release under its entry line.
    const QString body =
        ToQString(report.entryText) + (report.figures.empty() ? QString() : QLatin1Char('\n') + ToQString(report.figures));
    Show({ToQString(report.code) + (name.isEmpty() ? QString() : QLatin1Char(' ') + name), body,
          Target{m_watcher.DisclosuresOfStock(report.code), report.entryText, {}}});
}

// One stock: its quote in the summary and a line per condition; several:
// the mail's subject, and each stock's quote with its conditions.
void DesktopNotifier::OnAlertsFired(const AlertReport& report)
{
    if (report.firings.empty())
        return;
    const AlertFiring& first = report.firings.front();
    QStringList lines;
    for (const AlertFiring& firing : report.firings) {
        if (report.firings.size() > 1)
            lines << ToQString(AlertSummary(firing));
        for (const std::string& line : AlertConditionLines(firing))
            lines << ToQString(line);
    }
    const QString summary =
        ToQString(report.firings.size() == 1 ? AlertSummary(first) : AlertMailSubject(report.firings));
    const Settings settings = m_watcher.CurrentSettings();
    const std::string page =
        ExpandLinkTemplate(settings.quoteOpenUrl, first.code, MarketLetterFor(first.market, settings.marketCodes));
    Show({summary, lines.join(QLatin1Char('\n')), Target{{}, {}, page}});
}

void DesktopNotifier::OnPassFinished(const PassReport& report)
{
    if (report.kind != PassKind::Disclosure)
        return;
    if (m_heldThisPass > 0)
        Show({QStringLiteral("ほか%1件の新しい開示").arg(m_heldThisPass), {}, std::nullopt});
    m_noticesThisPass = 0;
    m_heldThisPass = 0;
}

void DesktopNotifier::Show(Notice notice)
{
    if (!m_bus.isConnected()) {
        ShowInTray(notice);
        return;
    }
    m_waiting.push_back(std::move(notice));
    if (m_serviceReadsMarkup)
        SendWaiting();
    else
        AskCapabilities();
}

// Whether the service reads the body as markup decides how a title with
// "&" or "<" must be written; it is asked once it answers at all.
void DesktopNotifier::AskCapabilities()
{
    if (m_askingCapabilities)
        return;
    m_askingCapabilities = true;
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::OnCapabilities);
}

void DesktopNotifier::OnCapabilities(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    m_askingCapabilities = false;
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
        while (!m_waiting.empty()) {
            ShowInTray(m_waiting.front());
            m_waiting.pop_front();
        }
        return;
    }
    m_serviceReadsMarkup = reply.value().contains(QStringLiteral("body-markup"));
    SendWaiting();
}

void DesktopNotifier::SendWaiting()
{
    while (!m_waiting.empty()) {
        Send(m_waiting.front());
        m_waiting.pop_front();
    }
}

void DesktopNotifier::Send(const Notice& notice)
{
    const QString appId = QString::fromStdString(AppId());
    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions = notice.target ? QStringList{kDefaultAction, QStringLiteral("開く")} : QStringList();
    const QVariantMap hints = {{QStringLiteral("desktop-entry"), appId}};
    notify << QStringLiteral("Zelmora") << 0u << appId << notice.summary
           << (*m_serviceReadsMarkup ? notice.body.toHtmlEscaped() : notice.body) << actions << hints << -1;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(notify, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, notice] {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            // The service went away: ask again next time, and show this one
            // where it still can be shown.
            m_serviceReadsMarkup.reset();
            ShowInTray(notice);
        } else if (notice.target) {
            Remember(reply.value(), *notice.target);
        }
    });
}

void DesktopNotifier::ShowInTray(const Notice& notice)
{
    if (!m_tray.IsShown())
        return;
    m_trayMessageTarget = notice.target;
    m_tray.SystemIcon().showMessage(notice.summary, notice.body, ProgramIcon(), kTrayMessageMs);
}

void DesktopNotifier::Remember(uint id, const Target& target)
{
    m_shown.insert_or_assign(id, target);
    while (m_shown.size() > kRememberedNotices)
        m_shown.erase(m_shown.begin());
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action)
{
    const auto shown = m_shown.find(id);
    if (shown == m_shown.end() || action != kDefaultAction)
        return;
    Open(shown->second);
}

void DesktopNotifier::OnNotificationClosed(uint id, uint)
{
    m_shown.erase(id);
}

void DesktopNotifier::Open(const Target& target)
{
    if (!target.webAddress.empty())
        OpenWebPage(target.webAddress);
    else
        OpenDisclosure(OpeningOfEntry(target.stock, target.entryText));
}

} // namespace zelmora
