#include "core/quotes/page_fetcher.h"

#include "core/quotes/page_window_cutter.h"

namespace zelmora {
namespace {

// Reading a rest this short costs less than a new connection for the next
// page; a longer one is cut off.
constexpr std::size_t kMaxDroppedRestBytes = 256u << 10;

class WindowSink : public BodySink {
public:
    explicit WindowSink(const PieceWindow& window) : cutter(window) {}

    bool Take(std::string_view chunk) override
    {
        if (cutter.Done()) {
            m_dropped += chunk.size();
            return m_dropped <= kMaxDroppedRestBytes;
        }
        try {
            cutter.Feed(chunk);
        } catch (...) {
            broken = true;
            return false;
        }
        return true;
    }

    PageWindowCutter cutter;
    bool broken = false;

private:
    std::size_t m_dropped = 0;
};

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
    WindowSink sink(window);
    const HttpAnswer answer = session.Get(address, limits, sink);
    if (sink.broken)
        return {};
    if (answer.stoppedForStatus)
        return StatusOutcome(answer.status);
    // Whatever happened to the rest of the body, a whole window is a page.
    const bool complete = answer.result == CURLE_OK || sink.cutter.Done();
    if (!complete)
        return {};
    if (answer.status != 200)
        return StatusOutcome(answer.status);

    sink.cutter.Finish();
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::Ok;
    outcome.window = sink.cutter.TakeWindow();
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
