#include "core/quotes/http_get.h"

#include "core/text/sjis.h"

namespace zelmora {

bool IsHttpAddress(std::string_view address)
{
    return StartsWithIgnoringAsciiCase(address, "http://") || StartsWithIgnoringAsciiCase(address, "https://");
}

bool AnswersOk(CURL* handle)
{
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status == 200;
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
    opt(CURLOPT_WRITEFUNCTION, write);
    opt(CURLOPT_WRITEDATA, data);
    if (!set || !SetTransferLimits(h, limits))
        return {};
    return handle;
}

} // namespace zelmora
