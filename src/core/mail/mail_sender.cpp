#include "core/mail/mail_sender.h"

#include <algorithm>

namespace zelmora {

MailSender::MailSender(const StopFlag& stop, Finished finished, NetworkLimits limits, OutboxRound outboxRound)
    : m_stop(stop), m_finished(std::move(finished)), m_limits(limits), m_outboxRound(std::move(outboxRound)),
      m_worker("zelmora-mail", [this] { SendWaiting(); })
{
}

MailSender::~MailSender()
{
    Stop();
}

bool MailSender::Queue(OutgoingMail mail)
{
    bool dropped = false;
    {
        const std::lock_guard hold(m_mutex);
        if (m_waiting.size() >= kQueueCapacity) {
            const auto oldestPrice = std::find_if(m_waiting.begin(), m_waiting.end(),
                                                  [](const OutgoingMail& m) { return m.kind == MailKind::Price; });
            if (oldestPrice != m_waiting.end()) {
                m_waiting.erase(oldestPrice);
                dropped = true;
            } else if (mail.kind == MailKind::Price) {
                return false;
            }
        }
        m_waiting.push_back(std::move(mail));
    }
    m_worker.Request();
    return !dropped;
}

void MailSender::SendWaiting()
{
    for (;;) {
        if (m_stop.IsRaised())
            return;
        if (m_outboxRound && m_outboxRound())
            continue;
        OutgoingMail mail;
        {
            const std::lock_guard hold(m_mutex);
            if (m_waiting.empty() || m_stop.IsRaised())
                return;
            mail = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
        m_finished(mail.kind, TrySendSmtpMail(mail.account, mail.senderText, mail.subject, mail.body, m_limits, &m_stop));
    }
}

void MailSender::Stop()
{
    m_worker.Stop();
    const std::lock_guard hold(m_mutex);
    m_waiting.clear();
}

} // namespace zelmora
