#include "core/disclosure/whole_page_fetch.h"

#include <curl/curl.h>

#include <memory>
#include <string_view>

#include "core/platform/atomic_file.h"

namespace zelmora {
namespace {

bool CurlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool IsHttpAddress(std::string_view address)
{
    auto startsWith = [&](std::string_view scheme) {
        if (address.size() < scheme.size())
            return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            const char c = address[i];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

struct Transfer {
    CURL* handle = nullptr;
    std::size_t maxBytes = 0;
    std::string body;
    bool stoppedForStatus = false;
    bool tooLarge = false;
    bool broken = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    const std::size_t stop = bytes == 0 ? 1 : 0;
    long status = 0;
    curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        transfer->stoppedForStatus = true;
        return stop;
    }
    if (bytes > transfer->maxBytes - transfer->body.size()) {
        transfer->tooLarge = true;
        return stop;
    }
    try {
        transfer->body.append(data, bytes);
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

WholeBody Fetch(const std::string& address, std::size_t maxBytes, const NetworkLimits& limits)
{
    WholeBody result;
    if (!IsHttpAddress(address) || !CurlReady())
        return result;
    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle)
        return result;
    CURL* h = handle.get();

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    for (const char* line : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(headers.get(), line);
        if (!grown)
            return result;
        headers.release();
        headers.reset(grown);
    }

    Transfer transfer;
    transfer.handle = h;
    transfer.maxBytes = maxBytes;

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
        return result;

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    if (transfer.broken)
        return result;
    if (transfer.tooLarge) {
        result.kind = WholeBody::TooLarge;
        return result;
    }
    if (transfer.stoppedForStatus || (code == CURLE_OK && result.status != 200)) {
        result.kind = WholeBody::HttpStatus;
        return result;
    }
    if (code != CURLE_OK)
        return result;
    result.kind = WholeBody::Ok;
    result.bytes = std::move(transfer.body);
    return result;
}

} // namespace

WholeBody FetchWholeBody(const std::string& address, std::size_t maxBytes, const NetworkLimits& limits)
{
    try {
        return Fetch(address, maxBytes, limits);
    } catch (...) {
        return {};
    }
}

std::string DownloadDocument(const std::string& address, const std::string& path, const NetworkLimits& limits)
{
    const WholeBody document = FetchWholeBody(address, kMaxDocumentBytes, limits);
    if (document.kind == WholeBody::Ok && !path.empty())
        WriteFileAtomically(path, document.bytes);
    return std::to_string(document.status);
}

} // namespace zelmora
