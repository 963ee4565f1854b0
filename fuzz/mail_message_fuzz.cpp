// A mail built from texts that came from outside: a disclosure title in the
// body, a stock's name, the address and server a user typed.
#include <string>
#include <vector>

#include "core/mail/mail_message.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

// Every CR starts a CRLF and every LF ends one.
bool CrlfOnly(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))
            return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    }
    return true;
}

void CheckHeader(std::string_view header)
{
    static const std::vector<std::string_view> kFields = {
        "From: ", "To: ", "Subject: ", "Date: ", "Message-ID: ", "MIME-Version: ", "Content-Type: ", "Content-Transfer-Encoding: "};
    std::size_t field = 0;
    while (!header.empty()) {
        const std::size_t end = header.find("\r\n");
        FUZZ_CHECK(end != std::string_view::npos);
        const std::string_view line = header.substr(0, end);
        FUZZ_CHECK(line.find('\r') == std::string_view::npos && line.find('\n') == std::string_view::npos);
        // A line is the next field or a folded continuation of the name or
        // the subject.
        if (field < kFields.size() && line.starts_with(kFields[field]))
            ++field;
        else
            FUZZ_CHECK((field == 1 || field == 3) && line.starts_with(" =?UTF-8?B?"));
        header.remove_prefix(end + 2);
    }
    FUZZ_CHECK(field == kFields.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 5);
    MailMessage message;
    message.senderName = parts[0];
    message.address = parts[1];
    message.subject = parts[2];
    message.body = parts[4];
    message.date = 1700000000;
    message.messageId = NewMessageId(message.address);

    const std::string text = BuildMailMessage(message);
    const std::size_t blank = text.find("\r\n\r\n");
    FUZZ_CHECK(blank != std::string::npos);
    CheckHeader(std::string_view(text).substr(0, blank + 2));
    const std::string_view body = std::string_view(text).substr(blank + 4);
    FUZZ_CHECK(CrlfOnly(body) && (body.empty() || body.ends_with("\r\n")));

    // A server setting becomes a libcurl address with a scheme, a host and a
    // port, or nothing.
    if (const std::optional<std::string> url = MailServerUrl(parts[3])) {
        FUZZ_CHECK(url->starts_with("smtp://") || url->starts_with("smtps://"));
        FUZZ_CHECK(url->find_first_of(" \t\r\n@/", url->find("://") + 3) == std::string::npos);
    }
    return 0;
}
