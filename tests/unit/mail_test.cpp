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
