#pragma once

#include <chrono>

#include "core/schedule/clock.h"

namespace zelmora {

// Near a session's close the close-mail timer looks every minute, else every ten.
inline constexpr std::chrono::milliseconds kMarketCloseWatchPeriod{60'000};
inline constexpr std::chrono::milliseconds kMarketCloseIdlePeriod{600'000};
// The price mail timer runs this many milliseconds per minute of its interval.
inline constexpr std::chrono::milliseconds kPriceMailPeriodPerMinute{60'000};

// What a tick of the market-close mail timer does while price mail is on:
// whether it mails the prices, and when it looks again.
struct CloseMailStep {
    bool sendMail = false;
    std::chrono::milliseconds next{};
};
CloseMailStep MarketCloseMailStep(const LocalTime& now);

// Period of the market-close mail timer when price mail is on at start:
// minute by minute in the hours of a session's close, else ten minutes.
std::chrono::milliseconds MarketCloseMailStartPeriod(const LocalTime& now);

// Arming the market-close mail timer when the mail settings are confirmed
// with price mail on. Late in a closing hour a running timer keeps its
// rhythm; a stopped one starts minute by minute.
struct CloseMailArming {
    std::chrono::milliseconds period{};
    bool keepRunningTimer = false;
};
CloseMailArming MarketCloseMailArmingAtConfirm(const LocalTime& now);

// Period of the price mail timer, for the interval in use (PriceMailMinutes),
// so the timer never fires without pause.
std::chrono::milliseconds PriceMailPeriod(int intervalMinutes);

} // namespace zelmora
