#include "session/watcher_timers.h"

#include "core/engine/watcher.h"

namespace zelmora {

WatcherTimers::WatcherTimers(Watcher& watcher, QObject* parent) : QObject(parent), m_watcher(watcher)
{
    m_quoteTimer.setObjectName(QStringLiteral("quoteTimer"));
    m_disclosureTimer.setObjectName(QStringLiteral("disclosureTimer"));
    m_priceMailTimer.setObjectName(QStringLiteral("priceMailTimer"));
    m_marketCloseMailTimer.setObjectName(QStringLiteral("marketCloseMailTimer"));
    for (QTimer* timer : {&m_quoteTimer, &m_disclosureTimer, &m_priceMailTimer, &m_marketCloseMailTimer})
        timer->setParent(this);
    connect(&m_quoteTimer, &QTimer::timeout, this, [this] { m_watcher.OnQuoteTick(); });
    connect(&m_disclosureTimer, &QTimer::timeout, this, [this] { m_watcher.RequestDisclosurePass(); });
    connect(&m_priceMailTimer, &QTimer::timeout, this, [this] { m_watcher.OnPriceMailTick(); });
    connect(&m_marketCloseMailTimer, &QTimer::timeout, this, &WatcherTimers::OnMarketCloseMailTimer);
}

void WatcherTimers::StartPolling(int seconds)
{
    m_polling = true;
    m_quoteTimer.start(std::chrono::seconds(seconds));
    m_disclosureTimer.start(kDisclosurePeriod);
}

void WatcherTimers::StopPolling()
{
    m_polling = false;
    m_quoteTimer.stop();
    m_disclosureTimer.stop();
}

void WatcherTimers::PauseQuotes()
{
    m_quoteTimer.stop();
}

void WatcherTimers::ArmMailTimersAtStart()
{
    const MailTimerPlan plan = m_watcher.MailTimersAtStart();
    if (plan.priceMail)
        m_priceMailTimer.start(*plan.priceMail);
    if (plan.marketCloseMail)
        m_marketCloseMailTimer.start(*plan.marketCloseMail);
}

void WatcherTimers::RearmMailTimers()
{
    const MailTimerPlan plan = m_watcher.MailTimersAtConfirm();
    if (!plan.priceMail) {
        m_priceMailTimer.stop();
        m_marketCloseMailTimer.stop();
        return;
    }
    m_priceMailTimer.start(*plan.priceMail);
    if (!(plan.keepRunningCloseTimer && m_marketCloseMailTimer.isActive()))
        m_marketCloseMailTimer.start(*plan.marketCloseMail);
}

void WatcherTimers::StopAll()
{
    StopPolling();
    m_priceMailTimer.stop();
    m_marketCloseMailTimer.stop();
}

void WatcherTimers::OnMarketCloseMailTimer()
{
    m_marketCloseMailTimer.stop();
    if (const auto next = m_watcher.OnMarketCloseMailTick())
        m_marketCloseMailTimer.start(*next);
}

} // namespace zelmora
