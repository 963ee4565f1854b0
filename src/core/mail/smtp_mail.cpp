#include "core/mail/smtp_mail.h"

#include <curl/curl.h>

#include <memory>
#include <string_view>

#include "core/mail/mail_message.h"
#include "core/text/code_page.h"
#include "core/text/encoding_converter.h"

namespace zelmora {
namespace {

bool CurlReady()
{
    // Function-local static: initialised once, thread-safe.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

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
         const std::string& body, const NetworkLimits& limits)
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

    std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle)
        return 0;
    const std::string mailbox = "<" + account.address + ">";
    std::unique_ptr<curl_slist, SlistDeleter> recipients(curl_slist_append(nullptr, mailbox.c_str()));
    if (!recipients)
        return 0;

    CURL* h = handle.get();
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(h, option, value) == CURLE_OK; };
    opt(CURLOPT_URL, url->c_str());
    opt(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // smtp:// switches to TLS when the server offers STARTTLS.
    opt(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    opt(CURLOPT_SSL_VERIFYPEER, 1L);
    opt(CURLOPT_SSL_VERIFYHOST, 2L);
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
    opt(CURLOPT_NOSIGNAL, 1L);
    opt(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    opt(CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    if (limits.lowSpeedBytesPerSecond > 0) {
        opt(CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
        opt(CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    }
    if (!set)
        return 0;
    // libcurl doubles a leading "." of a body line, so a line holding only
    // "." does not end the mail early.
    return curl_easy_perform(h) == CURLE_OK ? 1 : 0;
}

} // namespace

int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject, const std::string& body)
{
    return SendSmtpMail(account, senderText, subject, body, kMailLimits);
}

int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                 const std::string& body, const NetworkLimits& limits)
{
    try {
        return Send(account, senderText, subject, body, limits);
    } catch (...) {
        return 0;
    }
}

} // namespace zelmora
