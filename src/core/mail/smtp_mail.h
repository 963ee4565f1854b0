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

// Blocks until the attempt is over or stop is raised; nonzero when the
// server accepted the mail. Safe to call from two threads at once. Subject
// and body may come in any Japanese encoding; they are sent as UTF-8.
int SendSmtpMail(const MailAccount& account, const std::string& senderText, const std::string& subject,
                 const std::string& body, const NetworkLimits& limits = kMailLimits, const StopFlag* stop = nullptr);

} // namespace zelmora
