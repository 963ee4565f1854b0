#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "core/net/transfer_runner.h"

// The one way the program makes an HTTP GET: only http and https (also
// after redirects), its agent name, past caches, redirects, time-outs and
// TLS checks from the network limits, and a stop flag that ends it early.
namespace zelmora {

// libcurl would otherwise guess a scheme for "example" or accept file: and
// other protocols from a hand-edited address.
bool IsHttpAddress(std::string_view address);

// Takes the body of an answer with status 200, chunk by chunk.
class BodySink {
public:
    virtual ~BodySink() = default;
    // False ends the transfer here.
    virtual bool Take(std::string_view chunk) = 0;
};

// A sink that hands each chunk to the handler (false ends the transfer). A throw
// ends the transfer too, and is remembered: it must not cross libcurl.
template <class Handler>
class ChunkSink : public BodySink {
public:
    explicit ChunkSink(Handler handler) : m_handler(std::move(handler)) {}

    bool Take(std::string_view chunk) override
    {
        try {
            return m_handler(chunk);
        } catch (...) {
            broken = true;
            return false;
        }
    }

    bool broken = false;

private:
    Handler m_handler;
};

struct HttpAnswer {
    CURLcode result = CURLE_FAILED_INIT;
    long status = 0;              // the final status, 0 when none arrived
    bool stoppedBySink = false;   // the sink asked for no more
    bool stoppedForStatus = false; // the answer was no 200; its body was not read
};

// GETs that share one handle, and so one connection per host, for as long
// as the session lives: a pass opens one for all its pages. One thread at a
// time uses a session.
class HttpSession {
public:
    explicit HttpSession(const StopFlag* stop = nullptr);

    // One GET of address; the body of a 200 answer goes to sink. An address
    // that is no http address, or a handle libcurl cannot set up, gives
    // result CURLE_FAILED_INIT and sends nothing.
    HttpAnswer Get(const std::string& address, const NetworkLimits& limits, BodySink& sink);
    // GETs of this session answered with status 200 and read as far as
    // their sinks wanted; a body cut off on the way does not count.
    int PagesReceived() const { return m_pagesReceived; }

private:
    CurlHandle m_handle;
    CurlList m_headers;
    TransferRunner m_runner;
    int m_pagesReceived = 0;
};

} // namespace zelmora
