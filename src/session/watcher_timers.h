#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace zelmora {

class Watcher;

// The polling interval is chosen in seconds within these bounds.
inline constexpr int kMinQuoteIntervalSeconds = 3;
inline constexpr int kMaxQuoteIntervalSeconds = 180;
inline constexpr int kDefaultQuoteIntervalSeconds = 30;
inline constexpr std::chrono::milliseconds kDisclosurePeriod{170'000};

// The timers that drive the watcher: quote polling and disclosure passes
// while connected, and the two price mail timers. Each tick asks the
// watcher what to do.
class WatcherTimers : public QObject {
    Q_OBJECT
public:
    WatcherTimers(Watcher& watcher, QObject* parent);

    // Polling: quote passes every `seconds` while the market is open, a
    // disclosure pass every 170 s.
    void StartPolling(int seconds);
    void StopPolling();
    bool IsPolling() const { return m_polling; }
    // Quote passes pause (the list was emptied) until polling is connected again.
    void PauseQuotes();

    void ArmMailTimersAtStart();
    // After the mail settings were confirmed.
    void RearmMailTimers();
    void StopAll();

private:
    void OnMarketCloseMailTimer();

    Watcher& m_watcher;
    QTimer m_quoteTimer;
    QTimer m_disclosureTimer;
    QTimer m_priceMailTimer;
    QTimer m_marketCloseMailTimer;
    bool m_polling = false;
};

} // namespace zelmora
