#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/mail/mail_message.h"
#include "core/mail/notification_mails.h"
#include "support/sjis_literals.h"

using namespace zelmora;

TEST(MailServerSetting, FormsUsersTypeBecomeOneAddressWithAPort)
{
    const struct {
        const char* setting;
        std::optional<std::string> url;
    } cases[] = {
        {"mail.example.jp", "smtp://mail.example.jp:25"},
        {" mail.example.jp:587 ", "smtp://mail.example.jp:587"},
        {"SMTP://mail.example.jp:2525/", "smtp://mail.example.jp:2525"},
        {"smtps://mail.example.jp", "smtps://mail.example.jp:465"},
        {"[::1]:2525", "smtp://[::1]:2525"},
        {"", std::nullopt},
        {"smtp://", std::nullopt},
        {"mail.example.jp:", std::nullopt},
        {"mail.example.jp:65536", std::nullopt},
        {"mail.example.jp:25x", std::nullopt},
        {"user:pw@mail.example.jp", std::nullopt},
        {"http://mail.example.jp", std::nullopt},
        {"mail example.jp", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailServerUrl(c.setting), c.url) << c.setting;
}

TEST(NotificationMails, DisclosureSubjectIsTheFirstFourCharactersOfTheCode)
{
    const std::pair<std::string, std::string> cases[] = {
        {"7203", "7203"}, {"998407", "9984"}, {"12", "12"}, {S("７２０３５"), S("７２０３")}};
    for (const auto& [code, subject] : cases)
        EXPECT_EQ(DisclosureMailSubject(code), subject) << code;
    EXPECT_EQ(ComposePriceMail({}).subject + ComposePriceMail({}).body, "");
}

TEST(MailMessage, HeaderLinesStaySingleAndEveryBodyLineEndsInCrlf)
{
    const struct {
        const char* what;
        const char* body;
        const char* wireBody;
    } cases[] = {
        {"no final line break", "10:00 title ", "10:00 title \r\n"},
        {"LF lines", "a\nb\n", "a\r\nb\r\n"},
        {"CR, LF and CRLF lines", "a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd\r\n"},
        {"empty body", "", ""},
    };
    for (const auto& c : cases) {
        // The sender refuses such an address; the message keeps it on its lines all the same.
        const MailMessage message{"Zel\r\nBcc: x@y", "me@example.jp\r\nBcc: x@y", "line\nBcc: x@y", c.body, 0,
                                  "1.2@example.jp\r\nBcc: x@y"};
        const std::string text = BuildMailMessage(message);
        const std::size_t blank = text.find("\r\n\r\n");
        ASSERT_NE(blank, std::string::npos) << c.what;
        EXPECT_EQ(text.substr(blank + 4), c.wireBody) << c.what;
        EXPECT_EQ(text.find("\nBcc"), std::string::npos) << c.what;
        EXPECT_TRUE(text.starts_with("From: \"Zel  Bcc: x@y\" <me@example.jp  Bcc: x@y>\r\nTo: <me@example.jp  Bcc: x@y>\r\n"
                                     "Subject: =?UTF-8?B?"))
            << c.what;
        EXPECT_NE(text.find("\r\nMessage-ID: <1.2@example.jp  Bcc: x@y>\r\n"), std::string::npos) << c.what;
    }
}
