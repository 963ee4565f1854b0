// Disclosure mails through the outbox: a close, a server that is down and a
// password still to come lose none of them. They also run under
// ThreadSanitizer.

#include <filesystem>
#include <thread>

#include "core/text/texts.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "integration/watcher_fixture.h"

using namespace zelmora;
using zelmora::testing::SmtpServerOptions;
using zelmora::testing::SmtpTestServer;
using zelmora::testing::WatcherTest;
namespace fs = std::filesystem;

namespace {

// 6758 has one disclosure today.
class WatcherOutbox : public WatcherTest {
protected:
    void Start(const std::string& server, const std::string& login = "")
    {
        WriteSettings({{"6758", "東証"}}, "",
                      "TEKIJI_URL=" + simulator->ListingBase() + "\r\nTEKIJIMAIL=1\r\nSMTP=" + server +
                          "\r\nADDRESS=kabu@example.jp\r\n" + login);
        WatcherTest::Start();
    }
    void RunPass()
    {
        const int before = observer.Get([](auto& o) { return o.Finished(PassKind::Disclosure); });
        watcher->RequestDisclosurePass();
        ASSERT_TRUE(observer.WaitForPasses(PassKind::Disclosure, before + 1));
    }
    // Once the workers are idle, every attempt asked for has reported.
    std::size_t MailReports()
    {
        while (watcher->BusyWorkers() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return observer.Get([](auto& o) { return o.mails.size(); });
    }
    void Tick(int hour, int minute)
    {
        clock.Set({2026, 12, 7, hour, minute, 0, 1});
        watcher->OnOutboxTick();
    }
    std::size_t OutboxFiles() const
    {
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(root / "outbox"))
            files += entry.path().extension() == ".mail" ? 1 : 0;
        return files;
    }
};

} // namespace

TEST_F(WatcherOutbox, AMailCutShortByACloseGoesOutOnceAtTheNextStart)
{
    SmtpTestServer server({.hold = 1});
    ASSERT_GT(server.Port(), 0);
    Start(server.Server());
    RunPass();
    ASSERT_TRUE(server.WaitForHeld(1));
    watcher->Stop();
    watcher.reset();
    EXPECT_EQ(OutboxFiles(), 1u);
    EXPECT_EQ(server.MailCount(), 0u);

    WatcherTest::Start();
    ASSERT_TRUE(server.WaitForMails(1));
    EXPECT_EQ(server.Field(1, "subject"), "6758");
    RunPass(); // the history knows it
    EXPECT_EQ(MailReports(), 1u);
    EXPECT_EQ(server.MailCount(), 1u);
    EXPECT_EQ(OutboxFiles(), 0u);
    EXPECT_EQ(watcher->DisclosureMailStatus(), texts::Sjis(texts::DisclosureMailStatus));

    // Its notice was never marked shown: it waits for this start, today only.
    const std::vector<DisclosureReport> notices = watcher->PendingNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].code + " " + std::to_string(notices[0].row), "6758 0");
    watcher->NoticeShown(notices[0]);
    EXPECT_TRUE(watcher->PendingNotices().empty());
}

TEST_F(WatcherOutbox, AServerDownAtFirstGetsTheMailOnceItIsUp)
{
    const int port = zelmora::testing::UnusedPort();
    Start("127.0.0.1:" + std::to_string(port));
    RunPass();
    ASSERT_TRUE(observer.WaitUntil([](auto& o) { return o.mails.size() == 1; }));
    const MailReport failed = observer.Get([](auto& o) { return o.mails.back(); });
    EXPECT_EQ(failed.failure, MailFailure::NotReached);
    EXPECT_EQ(failed.waiting, 1u);
    EXPECT_EQ(watcher->DisclosureMailStatus(), texts::Format(texts::MailsWaitingFormat, std::string("1")));

    Tick(10, 1); // one minute after the first attempt: the second
    ASSERT_TRUE(observer.WaitUntil([](auto& o) { return o.mails.size() == 2; }));
    SmtpTestServer server({.port = port});
    ASSERT_EQ(server.Port(), port);
    Tick(10, 2); // the next is due two minutes after the second
    EXPECT_EQ(MailReports(), 2u);
    Tick(10, 3);
    ASSERT_TRUE(server.WaitForMails(1));
    EXPECT_EQ(MailReports(), 3u);
    EXPECT_TRUE(observer.Get([](auto& o) { return o.mails.back().sent; }));
    Tick(11, 0);
    EXPECT_EQ(MailReports(), 3u);
    EXPECT_EQ(server.MailCount(), 1u);
    EXPECT_EQ(watcher->WaitingMails(), 0u);
}

TEST_F(WatcherOutbox, AMailWithALoginWaitsForThePassword)
{
    SmtpTestServer server({.user = "taro", .password = "se cret"});
    ASSERT_GT(server.Port(), 0);
    Start(server.Server(), "SMTPUSER=taro\r\n");
    RunPass();
    watcher->OnOutboxTick();
    EXPECT_EQ(MailReports(), 0u);
    EXPECT_EQ(watcher->WaitingMails(), 1u);

    watcher->ChangeSettings([](Settings& s) { s.smtpPassword = "se cret"; });
    watcher->SetMailPasswordReady(true);
    ASSERT_TRUE(server.WaitForMails(1));
    EXPECT_EQ(server.Field(1, "login"), "taro");
    EXPECT_EQ(MailReports(), 1u);
}

// After a day the mail goes to outbox/failed, and the owner hears of it.
TEST_F(WatcherOutbox, AMailUnsentForADayMovesToFailed)
{
    Start("127.0.0.1:" + std::to_string(zelmora::testing::UnusedPort()));
    RunPass();
    ASSERT_TRUE(observer.WaitUntil([](auto& o) { return o.mails.size() == 1; }));
    clock.Set({2026, 12, 8, 10, 0, 0, 2});
    watcher->OnOutboxTick();
    ASSERT_TRUE(observer.WaitUntil([](auto& o) { return o.mails.size() == 2; }));
    const MailReport report = observer.Get([](auto& o) { return o.mails.back(); });
    EXPECT_TRUE(report.givenUp);
    EXPECT_EQ(report.statusText, texts::Sjis(texts::MailsGivenUp));
    EXPECT_EQ(OutboxFiles(), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "outbox/failed"), fs::directory_iterator()), 1);
    EXPECT_TRUE(watcher->PendingNotices().empty()); // yesterday's
}
