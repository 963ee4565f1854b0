// The headless watcher in this process, on a clock the test sets: the
// window's schedule and calendar, the log lines and the move to the next
// day. The built program itself runs in process_test.cpp.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sstream>

#include "app/headless_watcher.h"
#include "session/mail_password_store.h"
#include "gui_test_support.h"
#include "integration/smtp_test_server.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::SmtpServerOptions;
using zelmora::testing::SmtpTestServer;

namespace {

class HeadlessWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(simulator.Start(0), 0); }

    // Two stocks, price mail every 10 minutes to a port where nothing
    // listens, so that every mail tried fails at once.
    std::string SettingsFile() const
    {
        return S("[MEIGARA_DATA]\r\nKOSUU=2\r\nNUM0=7203\r\nSIJOU0=東証\r\nNUM1=6758\r\nSIJOU1=東証\r\n") +
               "[LINK_JOUHOU]\r\nBASE_URL=" + simulator.BaseAddress() + S("/q?s=銘柄.市場\r\n") +
               "[SPECIALKEY]\r\nTEKIJI_URL=" + simulator.ListingBase() + "pages=2/\r\n" +
               "KABUKAMAIL=1\r\nKABUKAUPDATETIME=10\r\nSMTP=127.0.0.1:9\r\nADDRESS=me@example.jp\r\n";
    }

    int Lines(const std::string& text) const
    {
        const std::string all = log.str();
        int count = 0;
        for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++count;
        return count;
    }
    bool WaitForLines(const std::string& text, int count)
    {
        return QTest::qWaitFor([&] { return Lines(text) >= count; }, 20000);
    }

    FixedClock clock;
    ProgramFolderFixture folder;
    sim::MarketSimulator simulator;
    std::ostringstream log;
};

} // namespace

TEST_F(HeadlessWatcherTest, RunsTheWindowsScheduleOnTheExchangeCalendarAndFollowsToday)
{
    clock.now = {2026, 11, 23, 10, 0, 0, 1}; // 勤労感謝の日, a Monday
    folder.WriteSettings(SettingsFile());
    HeadlessWatcher watcher(folder.Folder(), clock, log);
    watcher.Start();
    ASSERT_TRUE(WaitForLines("quote pass: 6 pages, 2 rows with quotes\n", 1)) << log.str();
    ASSERT_TRUE(WaitForLines("disclosure pass: 2 pages, 3 new disclosures\n", 1)) << log.str();
    EXPECT_EQ(log.str().substr(0, 20), "2026-11-23 10:00:00 ");
    EXPECT_EQ(Lines("watching " + folder.Folder() + ", 2 stocks\n"), 1);
    EXPECT_TRUE(Timer(watcher, "quoteTimer")->isActive());
    EXPECT_EQ(Timer(watcher, "priceMailTimer")->interval(), 10 * 60'000);

    // A holiday: the timers tick, no pass and no mail.
    Tick(watcher, "quoteTimer");
    Tick(watcher, "priceMailTimer");
    QTest::qWait(300);
    EXPECT_EQ(Lines("quote pass"), 1);
    EXPECT_EQ(Lines("mail"), 0);

    // The next day trades: a pass and a price mail, which fails.
    clock.now = {2026, 11, 24, 10, 0, 0, 2};
    Tick(watcher, "quoteTimer");
    Tick(watcher, "priceMailTimer");
    ASSERT_TRUE(WaitForLines("quote pass", 2));
    ASSERT_TRUE(WaitForLines("price mail: failed\n", 1)) << log.str();

    // The pass after midnight still scans the old day; then today's is scanned.
    Tick(watcher, "disclosureTimer");
    ASSERT_TRUE(WaitForLines("disclosure pass", 3)) << log.str();
    EXPECT_EQ(Lines("disclosure pass: 2 pages, 0 new disclosures\n"), 1);
    EXPECT_EQ(Lines("disclosure pass: 2 pages, 3 new disclosures\n"), 2);
    EXPECT_FALSE(ReadFileBytes(folder.Folder() + "20261124/7203/kaijistr.txt").empty());

    QSignalSpy finished(&watcher, &HeadlessWatcher::ShutdownFinished);
    watcher.Shutdown();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(watcher.Saved());
    EXPECT_EQ(Lines("saved base_data.ini\n"), 1);
}

// Under systemd the watcher has the user's session bus, and the secret
// store on it holds the password the window put there.
TEST_F(HeadlessWatcherTest, LogsInWithThePasswordOfTheSecretStore)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty())
        GTEST_SKIP() << "gnome-keyring-daemon is not installed";
    const SessionBus& bus = SessionBus::OfThisProcess(true);
    ASSERT_TRUE(bus.Ready() && bus.WithSecretStore()) << "no secret store on the test's session bus";
    SmtpTestServer server(SmtpServerOptions{.user = "taro", .password = "himitsu 123"});
    ASSERT_GT(server.Port(), 0);
    ASSERT_TRUE(StorePassword(QString::fromStdString("taro@" + server.Server()), QStringLiteral("himitsu 123")));
    std::string settings = SettingsFile();
    settings.replace(settings.find("127.0.0.1:9"), 11, server.Server());
    folder.WriteSettings(settings + "SMTPUSER=taro\r\n");

    HeadlessWatcher watcher(folder.Folder(), clock, log);
    QSignalSpy settled(watcher.findChild<MailPasswordStore*>(), &MailPasswordStore::Settled);
    watcher.Start();
    ASSERT_TRUE(settled.wait(15000));
    Tick(watcher, "priceMailTimer");
    ASSERT_TRUE(WaitForLines("price mail: sent\n", 1)) << log.str();
    EXPECT_EQ(server.Field(1, "login"), "taro");
    watcher.Shutdown();
    EXPECT_EQ(folder.ReadSettings().find("SMTPPASS"), std::string::npos);
}
