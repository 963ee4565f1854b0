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
        {"smtp://mail.example.jp", "smtp://mail.example.jp:25"},
        {"SMTP://mail.example.jp:2525/", "smtp://mail.example.jp:2525"},
        {"smtps://mail.example.jp", "smtps://mail.example.jp:465"},
        {"smtps://127.0.0.1:1465", "smtps://127.0.0.1:1465"},
        {"[::1]:2525", "smtp://[::1]:2525"},
        {"", std::nullopt},
        {"smtp://", std::nullopt},
        {"mail.example.jp:", std::nullopt},
        {"mail.example.jp:0", std::nullopt},
        {"mail.example.jp:65536", std::nullopt},
        {"mail.example.jp:25x", std::nullopt},
        {"user:pw@mail.example.jp", std::nullopt},
        {"mail.example.jp/path", std::nullopt},
        {"http://mail.example.jp", std::nullopt},
        {"mail example.jp", std::nullopt},
        {"[::1", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MailServerUrl(c.setting), c.url) << c.setting;
}

TEST(MailMessage, LongSubjectsFoldIntoWordsOfWholeCharacters)
{
    // 20 three-byte characters: more than one encoded word may hold.
    std::string subject;
    for (int i = 0; i < 20; ++i)
        subject += "株";
    const std::string encoded = EncodeHeaderText(subject);
    std::size_t words = 0;
    std::size_t start = 0;
    while (start < encoded.size()) {
        const std::size_t end = std::min(encoded.find("\r\n ", start), encoded.size());
        const std::string word = encoded.substr(start, end - start);
        EXPECT_LE(word.size(), 75u) << word;
        EXPECT_EQ(word.substr(0, 10), "=?UTF-8?B?");
        ++words;
        start = end + 3;
    }
    EXPECT_EQ(words, 2u);
    EXPECT_EQ(EncodeHeaderText(""), "");
}

TEST(NotificationMails, PriceMailShowsEveryRowInListOrder)
{
    EXPECT_EQ(ComposePriceMail({}).subject, "");
    EXPECT_EQ(ComposePriceMail({}).body, "");

    const PriceMail mail = ComposePriceMail({{"7203", "", "2,345", "+15", S("△ ")}, {"9984", "15:00", "", "", ""}});
    // Row 0 has no quote yet: no subject.
    EXPECT_EQ(mail.subject, "");
    EXPECT_EQ(mail.body, "7203 2,345 +15" + S("△ ") + "\n9984  \n");
}

TEST(NotificationMails, DisclosureSubjectIsTheFirstFourCharactersOfTheCode)
{
    const struct {
        std::string code;
        std::string subject;
    } cases[] = {
        {"7203", "7203"},
        {"998407", "9984"},
        {"12", "12"},
        {S("７２０３５"), S("７２０３")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisclosureMailSubject(c.code), c.subject) << c.code;
    EXPECT_EQ(DisclosureMailBody(S("15:00 決算短信 ")), S("15:00 決算短信 "));
}
