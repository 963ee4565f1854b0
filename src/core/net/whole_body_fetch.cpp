#include "core/net/whole_body_fetch.h"

namespace zelmora {
namespace {

class WholeSink : public BodySink {
public:
    explicit WholeSink(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

    bool Take(std::string_view chunk) override
    {
        if (chunk.size() > m_maxBytes - body.size()) {
            tooLarge = true;
            return false;
        }
        try {
            body.append(chunk);
        } catch (...) {
            broken = true;
            return false;
        }
        return true;
    }

    std::string body;
    bool tooLarge = false;
    bool broken = false;

private:
    std::size_t m_maxBytes;
};

WholeBody Fetch(HttpSession& session, const std::string& address, std::size_t maxBytes, const NetworkLimits& limits)
{
    WholeBody result;
    WholeSink sink(maxBytes);
    const HttpAnswer answer = session.Get(address, limits, sink);
    result.status = answer.status;
    if (sink.broken)
        return result;
    if (sink.tooLarge) {
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
    result.bytes = std::move(sink.body);
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
