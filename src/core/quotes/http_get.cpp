#include "core/quotes/http_get.h"

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

} // namespace

bool IsHttpAddress(std::string_view address)
{
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

CurlHandle OpenHttpGet(const std::string& address, const NetworkLimits& limits, CurlHeaders& headers,
                       curl_write_callback write, void* data)
{
    if (!IsHttpAddress(address) || !CurlReady())
        return {};
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return {};
    CURL* h = handle.get();

    headers.reset();
    for (const char* line : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(headers.get(), line);
        if (!grown)
            return {};
        headers.release();
        headers.reset(grown);
    }

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
    opt(CURLOPT_WRITEFUNCTION, write);
    opt(CURLOPT_WRITEDATA, data);
    if (!set)
        return {};
    return handle;
}

} // namespace zelmora
