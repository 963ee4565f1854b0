#include "market_simulator.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "market_simulator_disclosures.h"

namespace zelmora::sim {

struct MarketSimulator::Impl {
    explicit Impl(Config c) : config(std::move(c)) {}

    void RegisterRoutes();
    void RegisterQuotePages();
    void RegisterDisclosurePages();

    void ServeQuotePage(const httplib::Request& request, httplib::Response& response);
    void Send(httplib::Response& response, int status, std::string body, const PageOptions& options);
    LocalTime Now() const { return config.clock ? config.clock->Now() : systemClock.Now(); }
    // Waits up to ms; false when the simulator is stopping.
    bool Sleep(int ms);

    Config config;
    SystemClock systemClock;
    httplib::Server server;
    std::thread thread;
    int port = -1;
    std::atomic<std::size_t> requests{0};
    std::atomic<std::size_t> connections{0};
    std::vector<std::string> disclosureRequests; // guarded by mutex
    std::vector<std::string> xbrlRequests;       // guarded by mutex
    std::atomic<bool> listenEnded{false};

    std::mutex mutex; // also guards config.defaults
    std::condition_variable wake;
    bool stopping = false;
};

// Runs each accepted connection on a pool thread after the latency, and
// counts the connections.
class ConnectionQueue : public httplib::TaskQueue {
public:
    ConnectionQueue(int latencyMs, std::atomic<std::size_t>& connections)
        : m_pool(CPPHTTPLIB_THREAD_POOL_COUNT), m_latencyMs(latencyMs), m_connections(connections)
    {
    }
    void enqueue(std::function<void()> serve) override
    {
        ++m_connections;
        m_pool.enqueue([serve = std::move(serve), ms = m_latencyMs] {
            if (ms > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            serve();
        });
    }
    void shutdown() override { m_pool.shutdown(); }

private:
    httplib::ThreadPool m_pool;
    int m_latencyMs;
    std::atomic<std::size_t>& m_connections;
};

void MarketSimulator::Impl::RegisterRoutes()
{
    // Headers and body go out in separate writes; without this a reused
    // connection waits for delayed ACKs.
    server.set_tcp_nodelay(true);
    // A whole pass fits on one kept-alive connection.
    server.set_keep_alive_max_count(1000);
    server.new_task_queue = [this] { return new ConnectionQueue(config.latencyMs, connections); };
    RegisterQuotePages();
    RegisterDisclosurePages();
}

void MarketSimulator::Impl::RegisterDisclosurePages()
{
    auto note = [this](const httplib::Request& request) {
        const std::lock_guard hold(mutex);
        disclosureRequests.push_back(request.path);
    };
    server.Get(R"(/inbs/(?:([^/]*)/)?I_list_(\d{3})_(\d{8})\.html)",
               [this, note](const httplib::Request& request, httplib::Response& response) {
                   note(request);
                   ListingOptions options;
                   if (!ApplyListingOptions(options, request.matches[1].str())) {
                       response.status = 400;
                       return;
                   }
                   if (options.slowMs > 0 && !Sleep(options.slowMs))
                       return;
                   const std::string body = RenderListingPageUtf8(request.matches[3], std::stoi(request.matches[2]), options);
                   if (body.empty()) {
                       response.status = 404;
                       response.set_content(RenderErrorPageUtf8(404), "text/html; charset=UTF-8");
                       return;
                   }
                   response.set_content(EncodePage(body, options.encoding),
                                        std::string("text/html; charset=") + CharsetName(options.encoding));
               });
    server.Get("/disclosure/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(EncodePage(RenderDisclosurePortalUtf8(), PageEncoding::ShiftJis), "text/html; charset=Shift_JIS");
    });
    // XBRL ZIPs of the listings' earnings entries.
    server.Get(R"(/inbs/(?:([^/]*)/)?X(\d{8})-(\d{4})\.zip)", [this](const httplib::Request& request, httplib::Response& response) {
        {
            const std::lock_guard hold(mutex);
            xbrlRequests.push_back(request.path);
        }
        ListingOptions options;
        std::string zip;
        if (ApplyListingOptions(options, request.matches[1].str())) {
            if (options.slowDocumentMs > 0 && !Sleep(options.slowDocumentMs))
                return;
            zip = XbrlZipFor(request.matches[2], request.matches[3], options);
        }
        if (zip.empty()) {
            response.status = 404;
            return;
        }
        response.set_content(zip, "application/zip");
    });
    // Documents behind the links, wherever a link points.
    server.Get(R"(/.*\.(pdf|html?|xml|zip|exe))", [this, note](const httplib::Request& request, httplib::Response& response) {
        note(request);
        // Documents below a listing's options segment follow its slowdoc.
        static const std::regex optionsSegment("^/inbs/([^/]*=[^/]*)/");
        std::smatch segment;
        ListingOptions options;
        if (std::regex_search(request.path, segment, optionsSegment) && ApplyListingOptions(options, segment[1].str())
            && options.slowDocumentMs > 0 && !Sleep(options.slowDocumentMs))
            return;
        response.set_content(RenderDocument(request.path), "application/pdf");
    });
}

void MarketSimulator::Impl::RegisterQuotePages()
{
    server.Get("/q", [this](const httplib::Request& request, httplib::Response& response) {
        ServeQuotePage(request, response);
    });
}

void MarketSimulator::Impl::ServeQuotePage(const httplib::Request& request, httplib::Response& response)
{
    ++requests;
    PageOptions options;
    {
        const std::lock_guard hold(mutex);
        options = config.defaults;
    }
    for (const auto& [name, value] : request.params)
        ApplyPageOption(options, name, value);

    if (options.status != 200) {
        Send(response, options.status, RenderErrorPageUtf8(options.status), options);
        return;
    }
    Send(response, 200, RenderQuotePageUtf8(request.get_param_value("s"), Now(), options), options);
}

void MarketSimulator::Impl::Send(httplib::Response& response, int status, std::string body, const PageOptions& options)
{
    response.status = status;
    const std::string type = std::string("text/html; charset=") + CharsetName(options.encoding);
    auto page = std::make_shared<const std::string>(EncodePage(body, options.encoding));
    if (options.slowMs == 0 && !options.cut) {
        response.set_content(*page, type);
        return;
    }

    std::size_t sendBytes = page->size();
    if (options.cut) {
        std::size_t lines = 0;
        for (std::size_t i = 0; i < page->size(); ++i) {
            if ((*page)[i] == '\n' && ++lines == static_cast<std::size_t>(kCutAfterLines)) {
                sendBytes = i + 1;
                break;
            }
        }
        if (sendBytes == page->size())
            sendBytes = page->size() / 2;
    }
    // The headers go out first; the provider then delays and sends the body.
    const int slowMs = options.slowMs;
    response.set_content_provider(
        page->size(), type, [this, page, sendBytes, slowMs](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0 && slowMs > 0 && !Sleep(slowMs))
                return false;
            if (offset >= sendBytes)
                return false; // closes the connection short of Content-Length
            return sink.write(page->data() + offset, sendBytes - offset);
        });
}

bool MarketSimulator::Impl::Sleep(int ms)
{
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

MarketSimulator::MarketSimulator() : MarketSimulator(Config{}) {}

MarketSimulator::MarketSimulator(Config config) : m_impl(std::make_unique<Impl>(std::move(config)))
{
    m_impl->RegisterRoutes();
}

MarketSimulator::~MarketSimulator()
{
    Stop();
}

int MarketSimulator::Start(int port)
{
    Impl& impl = *m_impl;
    if (impl.port >= 0 || impl.thread.joinable())
        return -1;
    if (port == 0)
        impl.port = impl.server.bind_to_any_port("127.0.0.1");
    else
        impl.port = impl.server.bind_to_port("127.0.0.1", port) ? port : -1;
    if (impl.port < 0)
        return -1;
    impl.thread = std::thread([&impl] {
        impl.server.listen_after_bind();
        impl.listenEnded = true;
    });
    // A stop() before the server runs would be lost, so wait for it.
    while (!impl.server.is_running() && !impl.listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return impl.port;
}

void MarketSimulator::Stop()
{
    Impl& impl = *m_impl;
    {
        std::lock_guard lock(impl.mutex);
        impl.stopping = true;
    }
    impl.wake.notify_all();
    if (impl.thread.joinable()) {
        impl.server.stop();
        impl.thread.join();
    }
}

void MarketSimulator::SetDefaults(const PageOptions& defaults)
{
    const std::lock_guard hold(m_impl->mutex);
    m_impl->config.defaults = defaults;
}

int MarketSimulator::Port() const
{
    return m_impl->port;
}

std::string MarketSimulator::BaseAddress() const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
}

std::string MarketSimulator::QuoteAddress(std::string_view symbol) const
{
    return BaseAddress() + "/q?s=" + std::string(symbol);
}

std::size_t MarketSimulator::RequestCount() const
{
    return m_impl->requests;
}

std::size_t MarketSimulator::ConnectionCount() const
{
    return m_impl->connections;
}

std::string MarketSimulator::ListingBase() const
{
    return BaseAddress() + "/inbs/";
}

std::vector<std::string> MarketSimulator::DisclosureRequests() const
{
    const std::lock_guard hold(m_impl->mutex);
    return m_impl->disclosureRequests;
}

std::vector<std::string> MarketSimulator::XbrlRequests() const
{
    const std::lock_guard hold(m_impl->mutex);
    return m_impl->xbrlRequests;
}

} // namespace zelmora::sim
