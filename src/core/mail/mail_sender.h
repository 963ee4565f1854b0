#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "core/mail/smtp_mail.h"
#include "core/net/stop_flag.h"
#include "core/platform/repeating_worker.h"

namespace zelmora {

enum class MailKind { Price, Disclosure, Test };

struct OutgoingMail {
    MailKind kind = MailKind::Price;
    MailAccount account;
    std::string senderText;
    std::string subject;
    std::string body;
};

// Sends mails one after the other on one thread, so a slow server holds
// back mail, never the program. It serves two sources: the owner's outbox,
// whose mails survive a close (asked first, through outboxRound), and mails
// that may be lost, held here in memory. Those are bounded: a price mail is
// soon out of date, so a full queue drops the oldest waiting price mail;
// other mails are never dropped.
class MailSender {
public:
    using Finished = std::function<void(MailKind kind, MailFailure failure)>;
    // Makes one attempt at a due outbox mail; false when none is due.
    using OutboxRound = std::function<bool()>;
    static constexpr std::size_t kQueueCapacity = 8;

    MailSender(const StopFlag& stop, Finished finished, NetworkLimits limits = kMailLimits, OutboxRound outboxRound = {});
    ~MailSender();

    // Queues the mail; false when a price mail was dropped to make room
    // (the oldest waiting one, or this one when no other is waiting).
    bool Queue(OutgoingMail mail);
    // The outbox may have a mail due.
    void Wake() { m_worker.Request(); }
    // Sends nothing more: mails waiting in memory are dropped, the one on
    // its way ends as soon as the stop flag is raised.
    void Stop();
    bool IsBusy() const { return m_worker.IsBusy(); }

private:
    void SendWaiting();

    const StopFlag& m_stop;
    const Finished m_finished;
    const NetworkLimits m_limits;
    const OutboxRound m_outboxRound;
    std::mutex m_mutex;
    std::deque<OutgoingMail> m_waiting;
    RepeatingWorker m_worker;
};

} // namespace zelmora
