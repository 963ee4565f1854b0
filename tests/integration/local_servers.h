#pragma once

// Small servers on 127.0.0.1 that integration tests start themselves.

#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace zelmora::testing {

// Runs an httplib server (plain or TLS) on a free port for the life of the
// object. Register routes on `server` before Start().
template <class Server>
class Serving {
public:
    template <class... Args>
    explicit Serving(Args&&... args) : server(std::forward<Args>(args)...)
    {
    }
    ~Serving()
    {
        server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }
    Serving(const Serving&) = delete;
    Serving& operator=(const Serving&) = delete;

    int Start()
    {
        port = server.bind_to_any_port("127.0.0.1");
        if (port < 0)
            return port;
        m_thread = std::thread([this] {
            server.listen_after_bind();
            m_ended = true;
        });
        while (!server.is_running() && !m_ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return port;
    }

    std::string Address(const std::string& scheme, const std::string& path) const
    {
        return scheme + "://127.0.0.1:" + std::to_string(port) + path;
    }

    Server server;
    int port = -1;

private:
    std::thread m_thread;
    std::atomic<bool> m_ended{false};
};

// A bare TCP server for answers no HTTP library would give: each accepted
// connection is handed to `handler` on the server's thread, one after the other.
class RawServer {
public:
    using Handler = std::function<void(int fd)>;

    explicit RawServer(Handler handler) : m_handler(std::move(handler))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listen, 8) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~RawServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return m_port; }
    std::string Address(const std::string& path = "/q?s=7203.t") const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    void Run()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            m_handler(fd);
            ::close(fd);
        }
    }

    Handler m_handler;
    int m_listen = -1;
    int m_port = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Accepts every connection and never says a word on it, for up to ten
// seconds or until the peer hangs up: a server that hangs. Connections close
// when it is destroyed.
class HangingServer {
public:
    static constexpr std::chrono::seconds kHang{10};

    HangingServer()
        : m_server([this](int fd) {
              m_accepted.fetch_add(1);
              const auto deadline = std::chrono::steady_clock::now() + kHang;
              char buffer[4096];
              while (!m_released && std::chrono::steady_clock::now() < deadline) {
                  pollfd p{fd, POLLIN, 0};
                  if (::poll(&p, 1, 20) > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0)
                      return;
              }
          })
    {
    }
    ~HangingServer() { m_released = true; }

    int Port() const { return m_server.Port(); }
    std::string Address(const std::string& path = "/q?s=7203.t") const { return m_server.Address(path); }
    int Accepted() const { return m_accepted.load(); }

private:
    std::atomic<bool> m_released{false};
    std::atomic<int> m_accepted{0};
    RawServer m_server;
};

// Reads a request head up to its blank line; empty when the peer closed first.
inline std::string ReadRequestHead(int fd)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return {};
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

// False as soon as the peer no longer takes data.
inline bool SendAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Waits until the peer closes its side; bounded so that a test cannot hang.
inline bool WaitForPeerClose(int fd, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
    return false;
}

// A port on 127.0.0.1 where nothing listens (bound a moment ago, then freed).
inline int UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace zelmora::testing
