#include "core/mail/smtp_mail.h"

#include <memory>
#include <string_view>

#include "core/mail/mail_message.h"
#include "core/net/curl_easy.h"
#include "core/text/code_page.h"
#include "core/text/encoding_converter.h"

namespace zelmora {
namespace {

std::size_t ReadMessage(char* buffer, std::size_t size, std::size_t count, void* user)
{
    auto* rest = static_cast<std::string_view*>(user);
    const std::size_t bytes = std::min(size * count, rest->size());
    rest->copy(buffer, bytes);
    rest->remove_prefix(bytes);
    return bytes;
}

// The program's texts are Shift_JIS, disclosure titles whatever the listing
// page had; the mail carries UTF-8.
std::string ToUtf8(const std::string& text)
{
    std::string sjis;
    ConvertToShiftJis(text, sjis);
    return SjisToUtf8(sjis);
}

int Send(const MailAccount& account, const std::string& senderText, const std::string& subject,
         const std::string& body, const NetworkLimits& limits, const StopFlag* stop)
{
    const std::optional<std::string> url = MailServerUrl(account.server);
    if (!url || !IsPlainMailAddress(account.address) || !CurlReady())
        return 0;

    MailMessage message;
    message.senderName = senderText;
    message.address = account.address;
    message.subject = ToUtf8(subject);
    message.body = ToUtf8(body);
    message.date = std::time(nullptr);
    message.messageId = NewMessageId(account.address);
    const std::string text = BuildMailMessage(message);
    std::string_view unsent = text;

    CurlHandle handle(curl_easy_init());
    if (!handle)
        return 0;
    const std::string mailbox = "<" + account.address + ">";
    CurlList recipients(curl_slist_append(nullptr, mailbox.c_str()));
    if (!recipients)
        return 0;

    CURL* h = handle.get();
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(h, option, value) == CURLE_OK; };
    opt(CURLOPT_URL, url->c_str());
    opt(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // smtp:// switches to TLS when the server offers STARTTLS.
    opt(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!account.user.empty()) {
        opt(CURLOPT_USERNAME, account.user.c_str());
        opt(CURLOPT_PASSWORD, account.password.c_str());
    }
    opt(CURLOPT_MAIL_FROM, mailbox.c_str());
    opt(CURLOPT_MAIL_RCPT, recipients.get());
    opt(CURLOPT_UPLOAD, 1L);
    opt(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
    opt(CURLOPT_READFUNCTION, &ReadMessage);
    opt(CURLOPT_READDATA, &unsent);
    if (!set || !SetTransferLimits(h, limits))
        return 0;
    // libcurl doubles a leading "." of a body line, so a line holding only
    // "." does not end the mail early.
    TransferRunner runner(stop);
    return runner.Perform(h) == CURLE_OK ? 1 : 0;
}

} // namespace

int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                 const std::string& body, const NetworkLimits& limits, const StopFlag* stop)
{
    try {
        return Send(account, senderText, subject, body, limits, stop);
    } catch (...) {
        return 0;
    }
}

} // namespace zelmora
