// zelmora-market-sim: the local market simulator for the demo.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

#include "market_simulator.h"

namespace {

void Usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: zelmora-market-sim --port N [--enc sjis|euc|utf8] [--missing price]\n"
                 "                          [--status N] [--slow MS] [--cut] [--noanchor]\n"
                 "                          [--latency MS] [--layout table|dl|json]\n"
                 "Serves quote pages on 127.0.0.1:N at /q?s=CODE.M and /q?s=998407 (998405, 23337, 5040469).\n"
                 "Serves disclosure listings at /inbs/I_list_001_yyyymmdd.html (options as a path\n"
                 "segment: /inbs/pages=3,enc=utf8,hostile=1,big=1,slow=MS/I_list_001_yyyymmdd.html)\n"
                 "and documents.\n"
                 "--port 0 picks a free port. The first line printed is \"port N\".\n"
                 "--latency MS delays each new connection, as the handshakes of a real network would.\n"
                 "The flags apply to every page; the same names work as query parameters per page.\n");
}

} // namespace

int main(int argc, char** argv)
{
    using zelmora::sim::ApplyPageOption;
    zelmora::sim::MarketSimulator::Config config;
    int port = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--port") {
            const char* v = value();
            char* end = nullptr;
            const long parsed = v ? std::strtol(v, &end, 10) : -1;
            ok = v && *v != '\0' && *end == '\0' && parsed >= 0 && parsed <= 65535;
            port = static_cast<int>(parsed);
        } else if (arg == "--latency") {
            const char* v = value();
            char* end = nullptr;
            const long parsed = v ? std::strtol(v, &end, 10) : -1;
            ok = v && *v != '\0' && *end == '\0' && parsed >= 0 && parsed <= 60'000;
            config.latencyMs = static_cast<int>(parsed);
        } else if (arg == "--cut" || arg == "--noanchor") {
            ok = ApplyPageOption(config.defaults, arg.substr(2), "1");
        } else if (arg == "--enc" || arg == "--missing" || arg == "--status" || arg == "--slow" || arg == "--layout") {
            const char* v = value();
            ok = v && ApplyPageOption(config.defaults, arg.substr(2), v);
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "zelmora-market-sim: bad argument: %s\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    if (port < 0) {
        Usage(stderr);
        return 2;
    }

    // Block the stop signals before any thread starts, then wait for one.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    zelmora::sim::MarketSimulator simulator(config);
    const int bound = simulator.Start(port);
    if (bound < 0) {
        std::fprintf(stderr, "zelmora-market-sim: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("port %d\n", bound);
    std::fflush(stdout);
    std::fprintf(stderr, "zelmora-market-sim: serving %s\n", simulator.QuoteAddress("7203.t").c_str());

    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.Stop();
    return 0;
}
