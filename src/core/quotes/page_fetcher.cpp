#include "core/quotes/page_fetcher.h"

#include <curl/curl.h>

#include <memory>

#include "core/quotes/page_window_cutter.h"

namespace zelmora {
namespace {

bool CurlReady()
{
    // Function-local static: initialised once, thread-safe.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// libcurl would otherwise guess a scheme for "example" or accept file: and
// other protocols from a hand-edited address.
bool IsHttpAddress(std::string_view address)
{
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

struct Transfer {
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

    // Redirect bodies never arrive here, so this is the final status.
    long status = 0;
    curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
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

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

FetchOutcome StatusOutcome(long status)
{
    FetchOutcome outcome;
    outcome.kind = FetchOutcome::HttpStatus;
    outcome.status = std::to_string(status);
    return outcome;
}

FetchOutcome Fetch(const std::string& address, const NetworkLimits& limits)
{
    if (!IsHttpAddress(address) || !CurlReady())
        return {};

    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle)
        return {};
    CURL* h = handle.get();

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    for (const char* line : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(headers.get(), line);
        if (!grown)
            return {};
        headers.release();
        headers.reset(grown);
    }

    Transfer transfer;
    transfer.handle = h;

    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(h, option, value) == CURLE_OK; };
    opt(CURLOPT_URL, address.c_str());
    opt(CURLOPT_PROTOCOLS_STR, "http,https");
    opt(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    opt(CURLOPT_USERAGENT, kUserAgent);
    opt(CURLOPT_HTTPHEADER, headers.get());
    opt(CURLOPT_FOLLOWLOCATION, 1L);
    opt(CURLOPT_MAXREDIRS, limits.maxRedirects);
    opt(CURLOPT_NOSIGNAL, 1L);
    opt(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    opt(CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    if (limits.lowSpeedBytesPerSecond > 0) {
        opt(CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
        opt(CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    }
    opt(CURLOPT_SSL_VERIFYPEER, 1L);
    opt(CURLOPT_SSL_VERIFYHOST, 2L);
    opt(CURLOPT_WRITEFUNCTION, &WriteBody);
    opt(CURLOPT_WRITEDATA, &transfer);
    if (!set)
        return {};

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

FetchOutcome FetchPageWindow(const std::string& address)
{
    return FetchPageWindow(address, kPageLimits);
}

FetchOutcome FetchPageWindow(const std::string& address, const NetworkLimits& limits)
{
    try {
        return Fetch(address, limits);
    } catch (...) {
        return {};
    }
}

} // namespace zelmora
