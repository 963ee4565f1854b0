#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/schedule/clock.h"
#include "market_simulator_pages.h"

namespace zelmora::sim {

// A local HTTP server for the demo and the tests, bound to 127.0.0.1 only.
// Serves GET /q?s=SYMBOL quote pages; query parameters (enc, missing, status,
// slow, cut, noanchor, layout) override the defaults of the configuration
// per page.
// Serves timely-disclosure listings at /inbs/[OPTIONS/]I_list_NNN_yyyymmdd.html
// (see market_simulator_disclosures.h), documents at any path ending in
// .pdf, .htm, .html, .xml, .zip or .exe, the XBRL ZIPs of listings with
// xbrl=1 at /inbs/[OPTIONS/]X<date>-<code>.zip, and the portal page /disclosure/.
class MarketSimulator {
public:
    struct Config {
        PageOptions defaults;
        const Clock* clock = nullptr; // nullptr: the system clock; must outlive the simulator
        // Each new connection waits this long before it is served, as the
        // handshakes of a real network would; requests on a kept-alive
        // connection do not.
        int latencyMs = 0;
    };

    MarketSimulator();
    explicit MarketSimulator(Config config);
    ~MarketSimulator();
    MarketSimulator(const MarketSimulator&) = delete;
    MarketSimulator& operator=(const MarketSimulator&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and serves on a thread of
    // its own. Returns the port, or -1 when it could not bind. Once only.
    int Start(int port = 0);
    // Stops serving; pending slow answers end at once. Idempotent.
    void Stop();

    // New defaults for the pages served from now on: a quote service that
    // changes its layout, or breaks down, while a program watches it.
    void SetDefaults(const PageOptions& defaults);

    int Port() const;
    std::string BaseAddress() const; // http://127.0.0.1:PORT
    std::string QuoteAddress(std::string_view symbol) const;
    std::size_t RequestCount() const;    // quote pages
    std::size_t ConnectionCount() const; // connections accepted
    std::string ListingBase() const;  // http://127.0.0.1:PORT/inbs/
    // Paths of the listing pages and documents asked for, in order.
    std::vector<std::string> DisclosureRequests() const;
    // Paths of the XBRL ZIPs asked for, in order.
    std::vector<std::string> XbrlRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace zelmora::sim
