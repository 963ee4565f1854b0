#include "core/net/transfer_runner.h"

#include <algorithm>

#ifdef ZELMORA_CURL_OPENSSL
#include <openssl/ssl.h>
#endif
#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zelmora {
namespace {

// A raised flag shuts the connections down, which wakes the loop; it also
// looks at the flag itself at least this often, should a flag be raised
// before the transfer's connection exists.
constexpr int kStopCheckMilliseconds = 50;

using Connections = TransferRunner::Connections;

int NoteSocket(void* connections, curl_socket_t socket, curlsocktype)
{
    static_cast<Connections*>(connections)->Opened(socket);
    return CURL_SOCKOPT_OK;
}

int CloseSocket(void* connections, curl_socket_t socket)
{
    return static_cast<Connections*>(connections)->Close(socket);
}

int CheckStop(void* connections, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const Connections*>(connections)->stop->IsRaised() ? 1 : 0;
}

} // namespace

bool CurlReady()
{
    static const bool ready = [] {
#ifdef ZELMORA_CURL_OPENSSL
        // Nothing shows OpenSSL's error texts; set up first without them,
        // its start holds some 600 KiB less. Its configuration still loads.
        OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_SSL_STRINGS | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
#endif
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    return ready;
}

bool SetTransferLimits(CURL* handle, const NetworkLimits& limits)
{
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(handle, option, value) == CURLE_OK; };
    opt(CURLOPT_NOSIGNAL, 1L);
    opt(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    opt(CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    opt(CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    opt(CURLOPT_LOW_SPEED_TIME, limits.lowSpeedBytesPerSecond > 0 ? static_cast<long>(limits.lowSpeedTime.count()) : 0L);
    opt(CURLOPT_SSL_VERIFYPEER, 1L);
    opt(CURLOPT_SSL_VERIFYHOST, 2L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // A name lookup still running is left to itself, not waited for, when
    // the handle goes: a close never waits on a slow resolver.
    opt(CURLOPT_QUICK_EXIT, 1L);
#endif
    return set;
}

void Connections::Opened(curl_socket_t socket)
{
    const std::lock_guard hold(m_mutex);
    m_sockets.push_back(socket);
}

// Under the lock, so a socket is never shut down after its number went to
// another one.
int Connections::Close(curl_socket_t socket)
{
    const std::lock_guard hold(m_mutex);
    m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
#ifdef _WIN32
    return closesocket(socket);
#else
    return close(socket);
#endif
}

void Connections::Wake()
{
    const std::lock_guard hold(m_mutex);
    for (const curl_socket_t socket : m_sockets) {
#ifdef _WIN32
        shutdown(socket, SD_BOTH);
#else
        shutdown(socket, SHUT_RDWR);
#endif
    }
}

TransferRunner::TransferRunner(const StopFlag* stop) : m_connections(stop)
{
    if (CurlReady())
        m_multi.reset(curl_multi_init());
}

CURLcode TransferRunner::Perform(CURL* handle)
{
    CURLM* multi = m_multi.get();
    if (!multi)
        return CURLE_FAILED_INIT;
    const StopFlag* stop = m_connections.stop;
    if (!stop)
        return Drive(handle);
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(handle, option, value) == CURLE_OK; };
    opt(CURLOPT_SOCKOPTFUNCTION, &NoteSocket);
    opt(CURLOPT_SOCKOPTDATA, &m_connections);
    opt(CURLOPT_CLOSESOCKETFUNCTION, &CloseSocket);
    opt(CURLOPT_CLOSESOCKETDATA, &m_connections);
    opt(CURLOPT_XFERINFOFUNCTION, &CheckStop);
    opt(CURLOPT_XFERINFODATA, &m_connections);
    opt(CURLOPT_NOPROGRESS, 0L);
    if (!set)
        return CURLE_FAILED_INIT;
    stop->AddWaker(m_connections);
    // A flag raised before the waker was there is seen by the loop.
    const CURLcode result = Drive(handle);
    stop->RemoveWaker(m_connections);
    return result;
}

CURLcode TransferRunner::Drive(CURL* handle)
{
    CURLM* multi = m_multi.get();
    const StopFlag* stop = m_connections.stop;
    if (curl_multi_add_handle(multi, handle) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    int running = 1;
    while (running > 0) {
        if (stop && stop->IsRaised()) {
            m_connections.Wake();
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running > 0 && curl_multi_poll(multi, nullptr, 0, kStopCheckMilliseconds, nullptr) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == handle && running == 0)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi, handle);
    return result;
}

} // namespace zelmora
