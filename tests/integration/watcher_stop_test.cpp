// Stopping the watcher while a transfer hangs, and the one-thread-per-kind
// bound; they also run under ThreadSanitizer.

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "integration/local_servers.h"
#include "integration/watcher_fixture.h"
#include "support/watcher_threads.h"

using namespace zelmora;
using zelmora::testing::HangingServer;
using zelmora::testing::WatcherTest;

namespace {

class WatcherStop : public WatcherTest {
protected:
    // Waits until the hanging server holds a connection, then stops the
    // watcher: it must be back long before the server would answer.
    void ExpectStopWhileHanging(const HangingServer& hanging)
    {
        for (int i = 0; i < 1000 && hanging.Accepted() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(hanging.Accepted(), 0);
        const auto started = std::chrono::steady_clock::now();
        watcher->Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - started, HangingServer::kHang / 2);
        EXPECT_EQ(watcher->BusyWorkers(), 0);
        EXPECT_TRUE(watcher->Save());
    }

};

} // namespace

TEST_F(WatcherStop, StoppingEndsAHangingQuotePage)
{
    HangingServer hanging;
    WriteSettings({{"7203", "東証"}}, "BASE_URL=" + hanging.Address(S("/q?s=銘柄.市場")) + "\r\n");
    Start();
    watcher->RequestQuotePass();
    ExpectStopWhileHanging(hanging);
}

TEST_F(WatcherStop, StoppingEndsAHangingListingPage)
{
    HangingServer hanging;
    WriteSettings({{"7203", "東証"}}, "", "TEKIJI_URL=" + hanging.Address("/inbs/") + "\r\n");
    Start();
    watcher->RequestDisclosurePass();
    ExpectStopWhileHanging(hanging);
}

// The listing answers; the document behind its first link hangs. Nothing
// of the document is left behind.
TEST_F(WatcherStop, StoppingEndsAHangingDocumentAndLeavesNoPartOfIt)
{
    WriteSettings({{"7203", "東証"}}, "",
                  "TEKIJI_URL=" + simulator->ListingBase() + "slowdoc=10000/\r\nORVEKSENYOU=1\r\n");
    Start();
    watcher->RequestDisclosurePass();
    for (int i = 0; i < 1000 && simulator->DisclosureRequests().size() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(simulator->DisclosureRequests().size(), 2u); // the listing and the document
    const auto started = std::chrono::steady_clock::now();
    watcher->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(root / "20261207/7203"))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, std::set<std::string>{"kaijistr.txt"}); // what it wrote stays, no half document
}

TEST_F(WatcherStop, StoppingEndsAHangingMail)
{
    HangingServer hanging;
    WriteSettings({{"7203", "東証"}}, "",
                  "KABUKAMAIL=1\r\nSMTP=127.0.0.1:" + std::to_string(hanging.Port()) + "\r\nADDRESS=kabu@example.jp\r\n");
    Start();
    watcher->SendPriceMail();
    watcher->SendPriceMail(); // waits behind the first, and is dropped at the stop
    ExpectStopWhileHanging(hanging);
}

// Ticks against a service that never answers: one pass thread, not one per
// tick, and one more pass once the hanging one ends.
TEST_F(WatcherStop, TwentyTicksAgainstAHangingServiceHoldOnePassThread)
{
    HangingServer hanging;
    WriteSettings({{"7203", "東証"}}, "BASE_URL=" + hanging.Address(S("/q?s=銘柄.市場")) + "\r\n");
    Start();
    int most = 0;
    for (int tick = 0; tick < 20; ++tick) {
        watcher->OnQuoteTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        most = std::max(most, WatcherThreadCount());
        EXPECT_EQ(watcher->BusyWorkers(), 1) << tick;
    }
    EXPECT_EQ(most, 1);
}
