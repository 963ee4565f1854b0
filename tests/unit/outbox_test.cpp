#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "core/disclosure/pending_notice.h"
#include "core/mail/mail_message.h"
#include "core/mail/outbox.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using std::chrono::minutes;

TEST(Outbox, RetriesWaitLongerAfterEachFailureUpToHalfAnHour)
{
    const std::pair<int, minutes> cases[] = {{0, minutes(0)},  {1, minutes(1)},  {2, minutes(2)},   {3, minutes(4)},
                                             {4, minutes(8)},  {5, minutes(15)}, {6, minutes(30)},  {7, minutes(30)},
                                             {100, minutes(30)}};
    for (const auto& [failures, delay] : cases)
        EXPECT_EQ(RetryDelay(failures), delay) << failures;
}

TEST(MailServerSetting, ALoginOverPlainSmtpNeedsStartTlsExceptOnThisMachine)
{
    const struct {
        const char* setting;
        const char* user;
        bool needsTls;
    } cases[] = {
        {"mail.example.jp", "taro", true},        {"mail.example.jp:587", "taro", true},
        {"smtp://mail.example.jp", "taro", true}, {"smtps://mail.example.jp", "taro", false},
        {"mail.example.jp", "", false},           {"localhost", "taro", false},
        {"LOCALHOST:2525", "taro", false},        {"127.0.0.1:2525", "taro", false},
        {"[::1]:25", "taro", false},              {"localhost.example.jp", "taro", true},
        {"127.0.0.10", "taro", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoginNeedsStartTls(*MailServerUrl(c.setting), c.user), c.needsTls) << c.setting << " " << c.user;
}

// The file keeps the whole mail; the same disclosure is written once; a mail
// with a login waits behind the password while others go.
TEST(Outbox, KeepsTheMailWholeOnceAndHoldsLoginMailsBack)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zelmora-outbox-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const Instant made = Instant(std::chrono::seconds(1796600000));
    const OutboxMail login{{}, made, "mail.example.jp:587", "kabu@example.jp", "taro", "zelmora", "7203",
                           S("15:00 決算短信\r\n.\r\n")};
    OutboxMail plain = login;
    plain.user.clear();
    const std::string first = DisclosureId("20261207", "7203", "a"), second = DisclosureId("20261207", "7203", "b");
    int givenUp = 0;
    {
        Outbox outbox(pattern);
        ASSERT_TRUE(outbox.Add(first, login, givenUp) && outbox.Add(first, plain, givenUp));
        ASSERT_TRUE(outbox.Add(second, plain, givenUp));
        EXPECT_EQ(outbox.Waiting(), 2u);
    }
    Outbox outbox(pattern); // the next start
    outbox.Load(std::filesystem::file_time_type::clock::now());
    const std::optional<OutboxMail> taken = outbox.TakeDue(made, false);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->user + taken->id.substr(14, 16), second);
    EXPECT_FALSE(outbox.TakeDue(made, false));
    std::optional<OutboxMail> again = outbox.TakeDue(made, true);
    ASSERT_TRUE(again);
    EXPECT_EQ(FormatOutboxMail(*again), FormatOutboxMail(login));
    outbox.Failed(again->id, made);
    EXPECT_FALSE(outbox.AnyDue(made + minutes(1) - std::chrono::seconds(1), true));
    EXPECT_TRUE(outbox.AnyDue(made + minutes(1), true));
    std::filesystem::remove_all(pattern);
}
