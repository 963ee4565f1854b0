#pragma once

#include <chrono>

// Every network request of the program takes its limits from here, so that
// shutdown, which waits for running passes, is bounded.
namespace zelmora {

inline constexpr const char* kUserAgent = "HTTP Get Test Application ver-1.00";

inline constexpr std::chrono::milliseconds kConnectTimeout{10'000};
inline constexpr std::chrono::milliseconds kPageTimeout{20'000};
// A transfer below this rate for this long is given up before the page
// time-out, so a stalled server frees the pass early.
inline constexpr long kLowSpeedBytesPerSecond = 100;
inline constexpr std::chrono::seconds kLowSpeedTime{10};
inline constexpr long kMaxRedirects = 10;

struct NetworkLimits {
    std::chrono::milliseconds connectTimeout = kConnectTimeout;
    std::chrono::milliseconds totalTimeout = kPageTimeout;
    long lowSpeedBytesPerSecond = kLowSpeedBytesPerSecond; // 0: no low-speed limit
    std::chrono::seconds lowSpeedTime = kLowSpeedTime;
    long maxRedirects = kMaxRedirects;
};

// What the program uses for quote pages.
inline constexpr NetworkLimits kPageLimits{};

// One mail exchange, greeting to goodbye, is given this long; closing the
// program waits at most this for a mail still being sent. Servers may think
// a while after the mail's end, so there is no low-speed limit.
inline constexpr std::chrono::milliseconds kMailTimeout{30'000};
inline constexpr NetworkLimits kMailLimits{kConnectTimeout, kMailTimeout, 0, kLowSpeedTime, 0};

} // namespace zelmora
