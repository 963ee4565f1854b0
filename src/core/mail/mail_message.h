#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zelmora {

// One plain-text mail from and to the same address, all text in UTF-8.
struct MailMessage {
    std::string senderName;
    std::string address;
    std::string subject;
    std::string body;
    std::time_t date = 0;
    std::string messageId; // without the angle brackets
};

// The message as it goes over the wire: header lines, a blank line and the
// body, all lines ending in CRLF. Line breaks inside the name, address,
// subject and message id become blanks, so no text can add a header line
// of its own.
std::string BuildMailMessage(const MailMessage& message);

// The subject as RFC 2047 encoded words (UTF-8, base64), folded so that no
// line grows too long; empty for an empty subject.
std::string EncodeHeaderText(std::string_view utf8);

// The libcurl address for the SMTP setting: "smtp://host:port" (25 when no
// port is given) or "smtps://host:port" (465). Nothing for a setting that is
// no host, has a path, a login part or a bad port.
std::optional<std::string> MailServerUrl(std::string_view setting);

// Whether a login to the server at url (as MailServerUrl gives it) must
// wait for STARTTLS: yes for smtp:// with a user, unless the host is this
// machine itself (localhost, 127.0.0.1, ::1). smtps:// is TLS from the start.
bool LoginNeedsStartTls(std::string_view url, std::string_view user);

// True for an address that can stand in an SMTP command and a header line:
// printable ASCII without blanks, angle brackets or quotes.
bool IsPlainMailAddress(std::string_view address);

// A new unique message id for mail from address.
std::string NewMessageId(std::string_view address);

} // namespace zelmora
