// The window's longest stall while the watcher works against a slow local
// service: a 1 ms timer on the window's thread measures its own lateness
// while quote passes, lookups, price mails and disclosure passes run. Every
// page and listing answers 300 ms late; the mail server never answers.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <vector>

#include "core/text/code_page.h"
#include "gui/main_window.h"
#include "integration/local_servers.h"
#include "market_simulator.h"

namespace {

class TradingClock : public zelmora::Clock {
public:
    zelmora::LocalTime Now() const override { return {2026, 12, 7, 10, 0, 0, 1}; }
};

std::string Settings(const zelmora::sim::MarketSimulator& market, int mailPort)
{
    const char* codes[] = {"7203", "6758", "9984", "8306", "9432", "6501", "7974", "8058",
                           "6861", "4063", "1301", "2914", "3382", "4755", "6098"};
    std::string ini = "[MEIGARA_DATA]\r\nKOSUU=15\r\n";
    for (int i = 0; i < 15; ++i)
        ini += "NUM" + std::to_string(i) + "=" + codes[i] + "\r\n";
    ini += "[LINK_JOUHOU]\r\nBASE_URL=" + market.BaseAddress() + zelmora::Utf8ToSjis("/q?slow=300&s=銘柄.市場") + "\r\n";
    ini += "[SPECIALKEY]\r\nTEKIJI_URL=" + market.ListingBase() + "slow=300/\r\nKABUKAMAIL=1\r\nTEKIJIMAIL=1\r\n";
    ini += "SMTP=127.0.0.1:" + std::to_string(mailPort) + "\r\nADDRESS=kabu@example.jp\r\n";
    return ini;
}

void BM_WindowStallWhileTheWatcherWorks(benchmark::State& state)
{
    zelmora::sim::MarketSimulator market;
    market.Start();
    zelmora::testing::HangingServer mailServer;
    QTemporaryDir folder;
    std::ofstream(folder.filePath(QStringLiteral("base_data.ini")).toStdString(), std::ios::binary)
        << Settings(market, mailServer.Port());

    const TradingClock clock;
    std::vector<double> lateness;
    for (auto _ : state) {
        zelmora::MainWindow window(folder.path().toStdString() + "/", clock);
        window.Start();

        // The user and the timers keep the watcher busy.
        int step = 0;
        QTimer work;
        QObject::connect(&work, &QTimer::timeout, [&] {
            ++step;
            QMetaObject::invokeMethod(window.findChild<QTimer*>(QStringLiteral("quoteTimer")), "timeout");
            window.findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(QString::number(4000 + step));
            if (step % 3 == 0)
                QMetaObject::invokeMethod(window.findChild<QTimer*>(QStringLiteral("priceMailTimer")), "timeout");
            if (step % 4 == 0)
                window.findChild<QPushButton*>(QStringLiteral("disclosureCheckButton"))->click();
        });
        work.start(250);

        QElapsedTimer clockOfTicks;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        qint64 last = -1;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clockOfTicks.nsecsElapsed();
            if (last >= 0)
                lateness.push_back(static_cast<double>(now - last) / 1e6 - 1.0);
            last = now;
        });
        clockOfTicks.start();
        tick.start(1);

        QEventLoop loop;
        QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
        loop.exec();
        tick.stop();
        work.stop();
        window.close();
    }
    std::sort(lateness.begin(), lateness.end());
    state.counters["max_stall_ms"] = lateness.empty() ? 0 : lateness.back();
    state.counters["p99_stall_ms"] = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
    state.counters["ticks"] = static_cast<double>(lateness.size());
}
BENCHMARK(BM_WindowStallWhileTheWatcherWorks)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
