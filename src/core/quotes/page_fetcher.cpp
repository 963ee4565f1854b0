#include "core/quotes/page_fetcher.h"

#include "core/quotes/page_window_cutter.h"

namespace zelmora {
namespace {

// Reading a rest this short costs less than a new connection for the next
// page; a longer one is cut off.
constexpr std::size_t kMaxDroppedRestBytes = 256u << 10;

FetchOutcome StatusOutcome(long status)
{
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::HttpStatus;
    outcome.status = std::to_string(status);
    return outcome;
}

FetchOutcome Fetch(HttpSession& session, const std::string& address, const PieceWindow& window,
                   const NetworkLimits& limits)
{
    PageWindowCutter cutter(window);
    std::size_t dropped = 0;
    ChunkSink sink([&](std::string_view chunk) {
        if (cutter.Done()) {
            dropped += chunk.size();
            return dropped <= kMaxDroppedRestBytes;
        }
        cutter.Feed(chunk);
        return true;
    });
    const HttpAnswer answer = session.Get(address, limits, sink);
    if (sink.broken)
        return {};
    if (answer.stoppedForStatus)
        return StatusOutcome(answer.status);
    // Whatever happened to the rest of the body, a whole window is a page.
    const bool complete = answer.result == CURLE_OK || cutter.Done();
    if (!complete)
        return {};
    if (answer.status != 200)
        return StatusOutcome(answer.status);

    cutter.Finish();
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::Ok;
    outcome.window = cutter.TakeWindow();
    return outcome;
}

} // namespace

FetchOutcome FetchPageWindow(HttpSession& session, const std::string& address, const PieceWindow& window,
                             const NetworkLimits& limits)
{
    try {
        return Fetch(session, address, window, limits);
    } catch (...) {
        return {};
    }
}

FetchOutcome FetchPageWindow(const std::string& address, const PieceWindow& window, const NetworkLimits& limits)
{
    try {
        HttpSession session;
        return Fetch(session, address, window, limits);
    } catch (...) {
        return {};
    }
}

} // namespace zelmora
