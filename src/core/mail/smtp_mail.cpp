#include "core/mail/smtp_mail.h"

#include <memory>
#include <string_view>

#include "core/mail/mail_message.h"
#include "core/net/transfer_runner.h"
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

MailFailure FailureOf(CURLcode code, const char* error, const StopFlag* stop)
{
    if (code != CURLE_OK && stop && stop->IsRaised())
        return MailFailure::Stopped;
    const std::string_view text = error;
    switch (code) {
    case CURLE_OK:
        return MailFailure::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return MailFailure::NotReached;
    case CURLE_LOGIN_DENIED:
        return MailFailure::LoginRefused;
    case CURLE_USE_SSL_FAILED:
        return MailFailure::NoEncryption;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        // libcurl's own words for a refused MAIL FROM or RCPT TO; 530 is
        // a server that wants a login first.
        if (text.starts_with("MAIL failed: 530"))
            return MailFailure::LoginRefused;
        if (text.starts_with("MAIL failed") || text.starts_with("RCPT failed"))
            return MailFailure::AddressRefused;
        return MailFailure::Other;
    default:
        return MailFailure::Other;
    }
}

MailFailure Send(const MailAccount& account, const std::string& senderText, const std::string& subject,
         const std::string& body, const NetworkLimits& limits, const StopFlag* stop)
{
    const std::optional<std::string> url = MailServerUrl(account.server);
    if (!url || !IsPlainMailAddress(account.address) || !CurlReady())
        return MailFailure::Other;

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
        return MailFailure::Other;
    const std::string mailbox = "<" + account.address + ">";
    CurlList recipients(curl_slist_append(nullptr, mailbox.c_str()));
    if (!recipients)
        return MailFailure::Other;

    CURL* h = handle.get();
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(h, option, value) == CURLE_OK; };
    opt(CURLOPT_URL, url->c_str());
    opt(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    // smtp:// switches to TLS when the server offers STARTTLS; a password
    // goes over the network only encrypted.
    const bool tlsRequired = LoginNeedsStartTls(*url, account.user);
    opt(CURLOPT_USE_SSL, static_cast<long>(tlsRequired ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    char error[CURL_ERROR_SIZE] = "";
    opt(CURLOPT_ERRORBUFFER, error);
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
        return MailFailure::Other;
    // libcurl doubles a leading "." of a body line, so a line holding only
    // "." does not end the mail early.
    TransferRunner runner(stop);
    const CURLcode result = runner.Perform(h);
    return FailureOf(result, error, stop);
}

} // namespace

MailFailure TrySendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                            const std::string& body, const NetworkLimits& limits, const StopFlag* stop)
{
    try {
        return Send(account, senderText, subject, body, limits, stop);
    } catch (...) {
        return MailFailure::Other;
    }
}

int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                 const std::string& body, const NetworkLimits& limits, const StopFlag* stop)
{
    return TrySendSmtpMail(account, senderText, subject, body, limits, stop) == MailFailure::None ? 1 : 0;
}

} // namespace zelmora
