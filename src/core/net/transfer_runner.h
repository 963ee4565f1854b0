#pragma once

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <vector>

#include "core/net/network_limits.h"
#include "core/net/stop_flag.h"

// What every libcurl transfer of the program shares: owned handles, the
// one-time library set-up, the limits and TLS checks of a transfer, and a
// way to run it that a stop flag can end at any moment.
namespace zelmora {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, SlistDeleter>;
using CurlMultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

// Sets the library up once, from whichever thread comes first.
bool CurlReady();

// Time-outs, the low-speed limit, certificate checks and a quick exit past a
// name lookup still running; false when libcurl refused one of them.
bool SetTransferLimits(CURL* handle, const NetworkLimits& limits);

// Runs transfers of easy handles one at a time. Connections stay open in
// the runner between transfers, so the next request to the same host
// reuses them. A raised stop flag ends a transfer at once: raising it shuts
// down the connections of the transfer in flight, so no peer that keeps
// silent (a mail server that never answers, say) holds it any longer, and
// libcurl's progress callback and the runner's loop give up on it.
class TransferRunner {
public:
    explicit TransferRunner(const StopFlag* stop);
    TransferRunner(const TransferRunner&) = delete;
    TransferRunner& operator=(const TransferRunner&) = delete;

    bool IsReady() const { return m_multi != nullptr; }
    // The transfer's result; CURLE_ABORTED_BY_CALLBACK once stop was raised.
    CURLcode Perform(CURL* handle);

    // The sockets libcurl opened for the runner and has not closed yet.
    class Connections : public StopFlag::Waker {
    public:
        explicit Connections(const StopFlag* stop) : stop(stop) {}
        void Opened(curl_socket_t socket);
        int Close(curl_socket_t socket);
        // Every read and write on them fails from now on; libcurl still
        // closes them itself.
        void Wake() override;

        const StopFlag* const stop;

    private:
        std::mutex m_mutex;
        std::vector<curl_socket_t> m_sockets;
    };

private:
    CURLcode Drive(CURL* handle);

    Connections m_connections;
    CurlMultiHandle m_multi;
};

} // namespace zelmora
