#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "core/mail/mail_sender.h"
#include "core/mail/notification_mails.h"
#include "core/mail/smtp_mail.h"
#include "integration/local_servers.h"
#include "integration/smtp_test_server.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::SmtpTestServer;

namespace {

constexpr const char* kAddress = "kabu@example.jp";

MailAccount Account(const std::string& server)
{
    return {server, kAddress, "", ""};
}

} // namespace

TEST(SmtpMail, MailsArriveWithSenderNameSubjectAndBodyIntact)
{
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    const PriceMail prices = ComposePriceMail({{"7203", S("トヨタ自動車"), "15:00", "2,345", "+15", S("△ ")},
                                               {"9984", "SBG\r\nBcc: x", "14:59", "6,012", "-120", S("▼ ")},
                                               {"6758", "", "", "", "", ""}},
                                              {S("日経平均株価 ( 15:00 ) 38,000.12 +120.34")});
    // Disclosure titles come in the listing page's encoding, here UTF-8.
    const std::string title = "2027年3月期 第2四半期決算短信〔日本基準〕（連結）";
    const std::string longSubject = "株価のお知らせ：トヨタ自動車、ソフトバンクグループ、ソニーグループの終値";
    const struct {
        std::string subject, body;
        std::string expectedSubject, expectedBody; // UTF-8
    } cases[] = {
        {prices.subject, prices.body, "15:00",
         "7203 トヨタ自動車 2,345 +15△ \n9984 SBG  Bcc: x 6,012 -120▼ \n6758  \n\n日経平均株価 ( 15:00 ) 38,000.12 +120.34\n"},
        {DisclosureMailSubject("72030"), DisclosureMailBody("15:00 " + title + " ", "トヨタ自動車", "http://h/a.pdf"),
         "7203", "15:00 " + title + " \nトヨタ自動車\nhttp://h/a.pdf\n"},
        {S("9984\r\nBcc: evil@example.jp"), "x", "9984  Bcc: evil@example.jp", "x\n"},
        {"dot", "first\n.\nlast\n", "dot", "first\n.\nlast\n"},
        {S(longSubject.c_str()), "", longSubject, ""},
    };
    std::size_t n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expectedSubject);
        ASSERT_NE(SendSmtpMail(Account(server.Server()), "zelmora", c.subject, c.body), 0);
        ASSERT_TRUE(server.WaitForMails(++n));
        EXPECT_EQ(server.Field(n, "subject"), c.expectedSubject);
        EXPECT_EQ(server.Field(n, "body"), c.expectedBody);
        EXPECT_EQ(server.Field(n, "from_name") + " " + server.Field(n, "from_address") + " " + server.Field(n, "to") + " " +
                      server.Field(n, "rcpt_to") + " " + server.Field(n, "content_type"),
                  "zelmora kabu@example.jp kabu@example.jp kabu@example.jp text/plain;utf-8");
        EXPECT_FALSE(server.Field(n, "date").empty() || server.Field(n, "message_id").empty());
        EXPECT_EQ(server.Field(n, "raw").find("\nBcc:"), std::string::npos);
    }
}

TEST(SmtpMail, ServersThatRefuseOrDoNotAnswerGiveZero)
{
    SmtpTestServer refusing({.refuse = 1});
    ASSERT_GT(refusing.Port(), 0);
    zelmora::testing::RawServer silent([](int fd) { zelmora::testing::WaitForPeerClose(fd, std::chrono::seconds(5)); });
    NetworkLimits quick;
    quick.totalTimeout = std::chrono::milliseconds(1500);
    const MailAccount cases[] = {
        Account(refusing.Server()),
        Account("127.0.0.1:" + std::to_string(zelmora::testing::UnusedPort())),
        Account("smtp://127.0.0.1:" + std::to_string(silent.Port())),
        Account(refusing.Server() + "/path"),
        {refusing.Server(), "a@example.jp>\r\nRCPT TO:<b@example.jp", "", ""},
        {refusing.Server(), "", "", ""},
    };
    for (const MailAccount& account : cases)
        EXPECT_EQ(SendSmtpMail(account, "zelmora", "s", "b", quick), 0) << account.server << " " << account.address;
    // Only the first reached the server; it takes the next mail.
    EXPECT_NE(SendSmtpMail(Account(refusing.Server()), "zelmora", "s", "b"), 0);
    EXPECT_TRUE(refusing.WaitForMails(1));
    EXPECT_EQ(refusing.MailCount(), 1u);
}

TEST(SmtpMail, LogsInWhenTheServerRequiresIt)
{
    SmtpTestServer server({.user = "taro", .password = "se cret"});
    ASSERT_GT(server.Port(), 0);
    const struct {
        std::string user, password;
        bool sent;
        MailFailure failure;
    } cases[] = {{"", "", false, MailFailure::LoginRefused},
                 {"taro", "guess", false, MailFailure::LoginRefused},
                 {"taro", "se cret", true, MailFailure::None}};
    for (const auto& c : cases) {
        const MailAccount account{"smtp://" + server.Server(), kAddress, c.user, c.password};
        const MailFailure failure = TrySendSmtpMail(account, "zelmora", "login", "body");
        EXPECT_EQ(failure == MailFailure::None, c.sent) << c.user << " " << c.password;
        EXPECT_EQ(failure, c.failure) << c.user << " " << c.password;
    }
    ASSERT_TRUE(server.WaitForMails(1));
    EXPECT_EQ(server.Field(1, "login"), "taro");
    EXPECT_EQ(server.MailCount(), 1u);
}

TEST(SmtpMail, TwoSendsAtOnce)
{
    // Each mail is answered late, so the two exchanges overlap.
    SmtpTestServer server({.delayMs = 300});
    ASSERT_GT(server.Port(), 0);
    int results[2] = {0, 0};
    std::thread window([&] { results[0] = SendSmtpMail(Account(server.Server()), "zelmora", "price", "1"); });
    std::thread pass([&] { results[1] = SendSmtpMail(Account(server.Server()), "zelmora", "7203", "2"); });
    window.join();
    pass.join();
    EXPECT_TRUE(results[0] != 0 && results[1] != 0);
    ASSERT_TRUE(server.WaitForMails(2));
    EXPECT_EQ((std::set<std::string>{server.Field(1, "subject"), server.Field(2, "subject")}),
              (std::set<std::string>{"price", "7203"}));
}

// One sender, one mail at a time; a full queue makes room by dropping the
// oldest waiting price mail, never a disclosure mail.
TEST(MailSender, AFullQueueDropsTheOldestPriceMailsAndKeepsTheDisclosureMail)
{
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);
    StopFlag stop;
    std::mutex lock;
    std::vector<std::pair<MailKind, bool>> finished;
    // The sender stays with the first mail until the test has queued the rest.
    std::promise<void> firstSent;
    std::promise<void> allQueued;
    std::shared_future<void> queued = allQueued.get_future().share();
    MailSender sender(stop, [&](MailKind kind, MailFailure failure) {
        std::unique_lock hold(lock);
        finished.emplace_back(kind, failure == MailFailure::None);
        if (finished.size() == 1) {
            hold.unlock();
            firstSent.set_value();
            queued.wait();
        }
    });
    auto mail = [&](MailKind kind, const std::string& subject) {
        return OutgoingMail{kind, Account(server.Server()), "zelmora", subject, "body"};
    };
    int dropped = 0;
    for (int i = 0; i < 12; ++i) {
        dropped += sender.Queue(mail(MailKind::Price, "price " + std::to_string(i))) ? 0 : 1;
        if (i == 0)
            firstSent.get_future().wait();
    }
    dropped += sender.Queue(mail(MailKind::Disclosure, "7203")) ? 0 : 1;
    allQueued.set_value();
    // One taken off the queue, eight waiting: four price mails made room.
    EXPECT_EQ(dropped, 4);
    ASSERT_TRUE(server.WaitForMails(9));
    std::vector<std::string> subjects;
    for (std::size_t n = 1; n <= 9; ++n)
        subjects.push_back(server.Field(n, "subject"));
    EXPECT_EQ(subjects, (std::vector<std::string>{"price 0", "price 5", "price 6", "price 7", "price 8", "price 9",
                                                  "price 10", "price 11", "7203"}));
    sender.Stop();
    const std::lock_guard hold(lock);
    EXPECT_EQ(finished.size(), 9u);
}

// The server has the whole mail and thinks it over; a stop does not wait
// for its answer, nor for the goodbye after it.
TEST(MailSender, StoppingEndsAMailWhoseAnswerIsStillToCome)
{
    SmtpTestServer server({.delayMs = 5000});
    ASSERT_GT(server.Port(), 0);
    StopFlag stop;
    bool sent = true;
    MailSender sender(stop, [&](MailKind, MailFailure failure) { sent = failure == MailFailure::None; });
    sender.Queue(OutgoingMail{MailKind::Price, Account(server.Server()), "zelmora", "s", "body"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto started = std::chrono::steady_clock::now();
    stop.Raise();
    sender.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_FALSE(sent);
}
