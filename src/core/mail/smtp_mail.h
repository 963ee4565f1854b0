#pragma once

#include <string>

#include "core/net/network_limits.h"
#include "core/net/stop_flag.h"

namespace zelmora {

// Where and as whom mail is sent: the SMTP setting (host, host:port,
// smtp://host[:port] or smtps://host[:port]), the one address mail goes from
// and to, and an optional login.
struct MailAccount {
    std::string server;
    std::string address;
    std::string user;
    std::string password;
};

// Why a mail did not go out.
enum class MailFailure {
    None,           // the server accepted it
    NotReached,     // no connection: name unknown, port closed, no answer in time
    LoginRefused,   // the server turned the user and password down
    NoEncryption,   // a login was to be sent, but the server offers no STARTTLS
    AddressRefused, // the server would not take the address as sender or recipient
    Stopped,        // the program is closing
    Other,          // a bad setting, or anything else the server or network did
};

// Blocks until the attempt is over or stop is raised. Safe to call from two
// threads at once. Subject and body may come in any Japanese encoding; they
// are sent as UTF-8. With a login, smtp:// insists on STARTTLS except on
// this machine itself (see LoginNeedsStartTls).
MailFailure TrySendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                            const std::string& body, const NetworkLimits& limits = kMailLimits,
                            const StopFlag* stop = nullptr);

// Blocks until the attempt is over or stop is raised; nonzero when the
// server accepted the mail. Safe to call from two threads at once. Subject
// and body may come in any Japanese encoding; they are sent as UTF-8.
int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                 const std::string& body, const NetworkLimits& limits = kMailLimits, const StopFlag* stop = nullptr);

} // namespace zelmora
