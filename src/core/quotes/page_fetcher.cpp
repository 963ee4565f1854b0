#include "core/quotes/page_fetcher.h"

#include "core/quotes/http_get.h"
#include "core/quotes/page_window_cutter.h"

namespace zelmora {
namespace {

struct Transfer {
    explicit Transfer(const PieceWindow& window) : cutter(window) {}

    CURL* handle = nullptr;
    PageWindowCutter cutter;
    bool stoppedForStatus = false;
    bool broken = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    // A short count makes libcurl stop with CURLE_WRITE_ERROR.
    const std::size_t stop = bytes == 0 ? 1 : 0;
    if (!AnswersOk(transfer->handle)) {
        transfer->stoppedForStatus = true;
        return stop;
    }
    try {
        if (transfer->cutter.Feed(std::string_view(data, bytes)))
            return stop;
    } catch (...) {
        transfer->broken = true;
        return stop;
    }
    return bytes;
}

FetchOutcome StatusOutcome(long status)
{
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::HttpStatus;
    outcome.status = std::to_string(status);
    return outcome;
}

FetchOutcome Fetch(const std::string& address, const NetworkLimits& limits, const PieceWindow& window)
{
    Transfer transfer(window);
    CurlHeaders headers;
    const CurlHandle handle = OpenHttpGet(address, limits, headers, &WriteBody, &transfer);
    if (!handle)
        return {};
    CURL* h = handle.get();
    transfer.handle = h;

    const CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);

    if (transfer.broken)
        return {};
    if (transfer.stoppedForStatus)
        return StatusOutcome(status);
    const bool complete = result == CURLE_OK || (result == CURLE_WRITE_ERROR && transfer.cutter.Done());
    if (!complete)
        return {};
    if (status != 200)
        return StatusOutcome(status);

    transfer.cutter.Finish();
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::Ok;
    outcome.window = transfer.cutter.TakeWindow();
    return outcome;
}

} // namespace

FetchOutcome FetchPageWindow(const std::string& address, const PieceWindow& window)
{
    return FetchPageWindow(address, kPageLimits, window);
}

FetchOutcome FetchPageWindow(const std::string& address, const NetworkLimits& limits, const PieceWindow& window)
{
    try {
        return Fetch(address, limits, window);
    } catch (...) {
        return {};
    }
}

} // namespace zelmora
