#include "core/net/whole_body_fetch.h"

namespace zelmora {
namespace {

WholeBody Fetch(HttpSession& session, const std::string& address, std::size_t maxBytes, const NetworkLimits& limits)
{
    WholeBody result;
    std::string body;
    bool tooLarge = false;
    ChunkSink sink([&](std::string_view chunk) {
        if (chunk.size() > maxBytes - body.size()) {
            tooLarge = true;
            return false;
        }
        body.append(chunk);
        return true;
    });
    const HttpAnswer answer = session.Get(address, limits, sink);
    result.status = answer.status;
    if (sink.broken)
        return result;
    if (tooLarge) {
        result.kind = WholeBody::TooLarge;
        return result;
    }
    if (answer.stoppedForStatus || (answer.result == CURLE_OK && answer.status != 200)) {
        result.kind = WholeBody::HttpStatus;
        return result;
    }
    if (answer.result != CURLE_OK)
        return result;
    result.kind = WholeBody::Ok;
    result.bytes = std::move(body);
    return result;
}

} // namespace

WholeBody FetchWholeBody(HttpSession& session, const std::string& address, std::size_t maxBytes,
                         const NetworkLimits& limits)
{
    try {
        return Fetch(session, address, maxBytes, limits);
    } catch (...) {
        return {};
    }
}

} // namespace zelmora
