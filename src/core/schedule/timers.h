#pragma once

#include <chrono>

namespace zelmora {

// The main window's timers; the id is the timer's index.
enum TimerId {
    QuoteTimer,
    TrayRefreshTimer,
    TrayFirstTextTimer,
    DisclosureTimer,
    DateSettleTimer,
    PriceMailTimer,
    MarketCloseMailTimer,
    TimerCount
};

inline constexpr std::chrono::milliseconds kTrayRefreshPeriod{20'000};
inline constexpr std::chrono::milliseconds kTrayFirstTextPeriod{2'000};
inline constexpr std::chrono::milliseconds kDisclosurePeriod{170'000};
inline constexpr std::chrono::milliseconds kDateSettlePeriod{1'000};
// Near a session's close the close-mail timer looks every minute, else every ten.
inline constexpr std::chrono::milliseconds kMarketCloseWatchPeriod{60'000};
inline constexpr std::chrono::milliseconds kMarketCloseIdlePeriod{600'000};
// The price mail timer runs this many milliseconds per minute of its interval.
inline constexpr std::chrono::milliseconds kPriceMailPeriodPerMinute{60'000};

// The quote interval is chosen in seconds within these bounds.
inline constexpr int kMinQuoteIntervalSeconds = 3;
inline constexpr int kMaxQuoteIntervalSeconds = 180;
inline constexpr int kDefaultQuoteIntervalSeconds = 30;

} // namespace zelmora
