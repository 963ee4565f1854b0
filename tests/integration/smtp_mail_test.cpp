#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "core/mail/notification_mails.h"
#include "core/mail/smtp_mail.h"
#include "core/text/code_page.h"
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

// A listing page's title as it came, in UTF-8.
const std::string kListingTitle = "2027年3月期 第2四半期決算短信〔日本基準〕（連結）";

} // namespace

TEST(SmtpMail, MailsArriveWithSenderNameSubjectAndBodyIntact)
{
    SmtpTestServer server;
    ASSERT_GT(server.Port(), 0);

    const PriceMail prices = ComposePriceMail({{"7203", "15:00", "2,345", "+15", S("△ ")},
                                               {"9984", "14:59", "6,012", "-120", S("▼ ")},
                                               {"6758", "", "", "", ""}});
    const struct {
        const char* what;
        std::string subject;
        std::string body;
        std::string expectedSubject; // UTF-8
        std::string expectedBody;    // UTF-8
    } cases[] = {
        {"price mail", prices.subject, prices.body, "15:00",
         "7203 2,345 +15△ \n9984 6,012 -120▼ \n6758  \n"},
        {"disclosure with the listing's UTF-8 title", DisclosureMailSubject("72030"),
         DisclosureMailBody("15:00 " + kListingTitle + " "), "7203", "15:00 " + kListingTitle + " \n"},
        {"line ends in the subject cannot add a header", S("9984\r\nBcc: evil@example.jp"), "x", "9984  Bcc: evil@example.jp", "x\n"},
        {"a lone dot does not end the mail", "dot", "first\n.\nlast\n", "dot", "first\n.\nlast\n"},
        {"a long Japanese subject is folded and comes back whole",
         S("株価のお知らせ：トヨタ自動車、ソフトバンクグループ、ソニーグループの終値"), "",
         "株価のお知らせ：トヨタ自動車、ソフトバンクグループ、ソニーグループの終値", ""},
    };
    std::size_t n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(SendSmtpMail(Account(server.Server()), "zelmora", c.subject, c.body), 0);
        ASSERT_TRUE(server.WaitForMails(++n));
        EXPECT_EQ(server.Field(n, "subject"), c.expectedSubject);
        EXPECT_EQ(server.Field(n, "body"), c.expectedBody);
        EXPECT_EQ(server.Field(n, "from_name"), "zelmora");
        EXPECT_EQ(server.Field(n, "from_address"), kAddress);
        EXPECT_EQ(server.Field(n, "to"), kAddress);
        EXPECT_EQ(server.Field(n, "mail_from"), kAddress);
        EXPECT_EQ(server.Field(n, "rcpt_to"), kAddress);
        EXPECT_EQ(server.Field(n, "content_type"), "text/plain;utf-8");
        EXPECT_FALSE(server.Field(n, "date").empty());
        EXPECT_FALSE(server.Field(n, "message_id").empty());
        const std::string raw = server.Field(n, "raw");
        EXPECT_EQ(raw.find("\nBcc:"), std::string::npos);
    }
}

TEST(SmtpMail, ServersThatRefuseOrDoNotAnswerGiveZero)
{
    SmtpTestServer refusing({.refuse = 1});
    ASSERT_GT(refusing.Port(), 0);
    zelmora::testing::RawServer silent([](int fd) { zelmora::testing::WaitForPeerClose(fd, std::chrono::seconds(5)); });
    NetworkLimits quick;
    quick.totalTimeout = std::chrono::milliseconds(1500);

    const struct {
        const char* what;
        MailAccount account;
    } cases[] = {
        {"server refuses the mail", Account(refusing.Server())},
        {"nothing listens", Account("127.0.0.1:" + std::to_string(zelmora::testing::UnusedPort()))},
        {"server never greets", Account("smtp://127.0.0.1:" + std::to_string(silent.Port()))},
        {"setting with a path", Account("smtp://127.0.0.1:" + std::to_string(refusing.Port()) + "/x")},
        {"address that would add a recipient", {refusing.Server(), "a@example.jp>\r\nRCPT TO:<b@example.jp", "", ""}},
        {"empty address", {refusing.Server(), "", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SendSmtpMail(c.account, "zelmora", "s", "b", quick), 0);
    }
    // Only the first case reached the server's DATA; it accepts what follows.
    EXPECT_NE(SendSmtpMail(Account(refusing.Server()), "zelmora", "s", "b"), 0);
    ASSERT_TRUE(refusing.WaitForMails(1));
    EXPECT_EQ(refusing.MailCount(), 1u);
}

TEST(SmtpMail, LogsInWhenTheServerRequiresIt)
{
    SmtpTestServer server({.user = "taro", .password = "se cret"});
    ASSERT_GT(server.Port(), 0);
    const struct {
        const char* what;
        std::string user;
        std::string password;
        bool sent;
    } cases[] = {
        {"no login", "", "", false},
        {"wrong password", "taro", "guess", false},
        {"right login", "taro", "se cret", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MailAccount account{"smtp://127.0.0.1:" + std::to_string(server.Port()), kAddress, c.user, c.password};
        EXPECT_EQ(SendSmtpMail(account, "zelmora", "login", "body") != 0, c.sent);
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
    EXPECT_NE(results[0], 0);
    EXPECT_NE(results[1], 0);
    ASSERT_TRUE(server.WaitForMails(2));
    EXPECT_EQ((std::set<std::string>{server.Field(1, "subject"), server.Field(2, "subject")}),
              (std::set<std::string>{"price", "7203"}));
    EXPECT_NE(server.Field(1, "message_id"), server.Field(2, "message_id"));
}
