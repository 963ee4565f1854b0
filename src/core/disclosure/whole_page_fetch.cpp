#include "core/disclosure/whole_page_fetch.h"

#include "core/platform/atomic_file.h"
#include "core/quotes/http_get.h"

namespace zelmora {
namespace {

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
    if (!AnswersOk(transfer->handle)) {
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

WholeBody Fetch(const std::string& address, std::size_t maxBytes, const NetworkLimits& limits)
{
    WholeBody result;
    Transfer transfer;
    transfer.maxBytes = maxBytes;
    CurlHeaders headers;
    const CurlHandle handle = OpenHttpGet(address, limits, headers, &WriteBody, &transfer);
    if (!handle)
        return result;
    CURL* h = handle.get();
    transfer.handle = h;

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
