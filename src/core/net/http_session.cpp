#include "core/net/http_session.h"

#include "core/text/sjis.h"

namespace zelmora {
namespace {

struct Transfer {
    CURL* handle;
    BodySink& sink;
    HttpAnswer& answer;
};

// True while the answer being received is a 200; redirect bodies never
// reach the write callback, so there it is the final status.
bool AnswersOk(CURL* handle)
{
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status == 200;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    // A short count makes libcurl stop with CURLE_WRITE_ERROR.
    const std::size_t stop = bytes == 0 ? 1 : 0;
    if (!AnswersOk(transfer->handle)) {
        transfer->answer.stoppedForStatus = true;
        return stop;
    }
    if (!transfer->sink.Take(std::string_view(data, bytes))) {
        transfer->answer.stoppedBySink = true;
        return stop;
    }
    return bytes;
}

CurlList NoCacheHeaders()
{
    CurlList headers;
    for (const char* line : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist* grown = curl_slist_append(headers.get(), line);
        if (!grown)
            return {};
        headers.release();
        headers.reset(grown);
    }
    return headers;
}

} // namespace

bool IsHttpAddress(std::string_view address)
{
    return StartsWithIgnoringAsciiCase(address, "http://") || StartsWithIgnoringAsciiCase(address, "https://");
}

HttpSession::HttpSession(const StopFlag* stop) : m_runner(stop)
{
    if (!CurlReady() || !m_runner.IsReady())
        return;
    m_headers = NoCacheHeaders();
    m_handle.reset(curl_easy_init());
    if (!m_headers || !m_handle)
        m_handle.reset();
}

HttpAnswer HttpSession::Get(const std::string& address, const NetworkLimits& limits, BodySink& sink)
{
    HttpAnswer answer;
    CURL* h = m_handle.get();
    if (!h || !IsHttpAddress(address))
        return answer;
    Transfer transfer{h, sink, answer};
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(h, option, value) == CURLE_OK; };
    opt(CURLOPT_URL, address.c_str());
    opt(CURLOPT_PROTOCOLS_STR, "http,https");
    opt(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    opt(CURLOPT_USERAGENT, kUserAgent);
    opt(CURLOPT_HTTPHEADER, m_headers.get());
    opt(CURLOPT_FOLLOWLOCATION, 1L);
    opt(CURLOPT_MAXREDIRS, limits.maxRedirects);
    opt(CURLOPT_WRITEFUNCTION, &WriteBody);
    opt(CURLOPT_WRITEDATA, &transfer);
    if (!set || !SetTransferLimits(h, limits))
        return answer;
    answer.result = m_runner.Perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &answer.status);
    const bool received = answer.result == CURLE_OK || answer.stoppedBySink;
    m_pagesReceived += answer.status == 200 && received ? 1 : 0;
    return answer;
}

} // namespace zelmora
