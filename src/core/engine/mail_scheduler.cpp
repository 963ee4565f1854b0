#include "core/engine/mail_scheduler.h"

#include "core/disclosure/pending_notice.h"
#include "core/mail/notification_mails.h"
#include "core/schedule/mail_schedule.h"
#include "core/schedule/market_hours.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr const char* kSenderName = "zelmora";
constexpr const char* kTestMailSubject = "test mail";
constexpr const char* kTestMailBody = "OK";

MailAccount AccountOf(const Settings& s)
{
    return {s.smtpServer, s.mailAddress, s.smtpUser, s.smtpPassword};
}

} // namespace

MailScheduler::MailScheduler(std::string programFolder, const Clock& clock, StopFlag& stop, WatcherObserver& observer,
                             const WatchListStore& rows, const PassStatus& status, std::function<Settings()> settings)
    : m_programFolder(std::move(programFolder)), m_clock(clock), m_stop(stop), m_observer(observer), m_rows(rows),
      m_status(status), m_settings(std::move(settings)), m_outbox(m_programFolder),
      m_mail(m_stop, [this](MailKind kind, MailFailure failure) { OnMailSent(kind, failure); }, kMailLimits,
             [this] { return SendOutboxMail(); })
{
}

// A login without a password waits for the secret store.
void MailScheduler::Load(std::filesystem::file_time_type startTime)
{
    const Settings s = m_settings();
    {
        const std::lock_guard hold(m_lock);
        m_passwordReady = s.smtpUser.empty() || !s.smtpPassword.empty();
    }
    m_outbox.Load(startTime);
    OnOutboxTick();
}

void MailScheduler::Stop()
{
    m_mail.Stop();
}

bool MailScheduler::IsBusy() const
{
    return m_mail.IsBusy();
}

// Outside trading hours the tick sends nothing but the timer keeps running,
// so a program left running overnight mails again the next trading day.
void MailScheduler::OnPriceMailTick()
{
    if (m_settings().priceMailOn && IsMarketOpen(m_clock.Now()))
        SendPriceMail();
}

std::optional<std::chrono::milliseconds> MailScheduler::OnMarketCloseMailTick()
{
    if (!m_settings().priceMailOn)
        return std::nullopt;
    const CloseMailStep step = MarketCloseMailStep(m_clock.Now());
    if (step.sendMail)
        SendPriceMail();
    return step.next;
}

MailTimerPlan MailScheduler::MailTimersAtStart() const
{
    const Settings settings = m_settings();
    if (!settings.priceMailOn)
        return {};
    return {PriceMailPeriod(settings.priceMailInterval), MarketCloseMailStartPeriod(m_clock.Now()), false};
}

MailTimerPlan MailScheduler::MailTimersAtConfirm() const
{
    const Settings settings = m_settings();
    if (!settings.priceMailOn)
        return {};
    const CloseMailArming arming = MarketCloseMailArmingAtConfirm(m_clock.Now());
    return {PriceMailPeriod(settings.priceMailInterval), arming.period, arming.keepRunningTimer};
}

void MailScheduler::SendPriceMail()
{
    std::vector<PriceMailRow> rows;
    m_rows.Read([&](const WatchList& list) {
        for (std::size_t row = 0; row < list.RowCount(); ++row) {
            rows.push_back({list.Cell(row, ColCode), list.Cell(row, ColName), list.Cell(row, ColTime),
                            list.Cell(row, ColPrice), list.Cell(row, ColChange), list.Cell(row, ColTrend)});
        }
    });
    PriceMail mail = ComposePriceMail(rows, m_status.IndexLines());
    mail.body.insert(0, m_status.StalePricesNote());
    QueueMail({MailKind::Price, AccountOf(m_settings()), kSenderName, mail.subject, mail.body});
}

void MailScheduler::SendTestMail(const MailAccount& account)
{
    QueueMail({MailKind::Test, account, kSenderName, kTestMailSubject, kTestMailBody});
}

// The switch is read as each new disclosure is found, so turning
// disclosure mail on or off counts at once, also in a running pass.
bool MailScheduler::KeepDisclosureMail(const std::string& id, const std::string& code, const std::string& entryText,
                                       const std::string& documentAddress, const std::string& figures)
{
    const Settings s = m_settings();
    if (!s.disclosureMailOn)
        return true;
    const OutboxMail mail{{}, m_clock.Instant(), s.smtpServer, s.mailAddress, s.smtpUser, kSenderName,
                          DisclosureMailSubject(code),
                          DisclosureMailBody(entryText, m_rows.NameOf(code), documentAddress, figures)};
    int givenUp = 0;
    const bool kept = m_outbox.Add(id, mail, givenUp);
    if (givenUp > 0)
        ReportGivenUp();
    return kept;
}

bool MailScheduler::KeepAlertMail(const std::vector<AlertFiring>& firings, const std::string& stamp)
{
    const Settings s = m_settings();
    if (!s.alertMailOn || firings.empty())
        return true;
    const std::string subject = SingleLine(AlertMailSubject(firings));
    const std::string body = AlertMailBody(firings);
    const OutboxMail mail{{}, m_clock.Instant(), s.smtpServer, s.mailAddress, s.smtpUser, kSenderName, subject, body};
    int givenUp = 0;
    const bool kept = m_outbox.Add(DisclosureId(stamp, subject, body), mail, givenUp);
    if (givenUp > 0)
        ReportGivenUp();
    OnOutboxTick();
    return kept;
}

void MailScheduler::QueueMail(OutgoingMail mail)
{
    if (m_stop.IsRaised())
        return;
    if (!m_mail.Queue(std::move(mail)))
        m_observer.MailFinished({MailKind::Price, false, texts::Sjis(texts::PriceMailDropped), MailFailure::None,
                                 m_outbox.Waiting()});
}

// A failed mail shows until the next mail of its kind goes out.
void MailScheduler::OnMailSent(MailKind kind, MailFailure failure, bool alertMail)
{
    const bool sent = failure == MailFailure::None;
    std::string text = texts::Sjis(texts::MailSendError);
    if (sent && kind == MailKind::Price)
        text = PriceMailStatus();
    else if (sent && kind == MailKind::Disclosure)
        text = DisclosureMailStatus();
    else if (sent)
        text = texts::Sjis(texts::MailSent);
    m_observer.MailFinished({kind, sent, text, failure, m_outbox.Waiting(), false, alertMail});
}

// One attempt at the oldest due mail of the outbox, on the mail thread. The
// password is the one of the settings as long as they still name the
// mail's server and user; the file never holds it.
bool MailScheduler::SendOutboxMail()
{
    const Instant now = m_clock.Instant();
    if (m_outbox.GiveUpExpired(now) > 0)
        ReportGivenUp();
    const MailAccount current = AccountOf(m_settings());
    const std::optional<OutboxMail> mail = m_outbox.TakeDue(now, PasswordReady());
    if (!mail)
        return false;
    MailAccount account{mail->server, mail->address, mail->user, {}};
    if (current.server == mail->server && current.user == mail->user)
        account.password = current.password;
    const MailFailure failure = TrySendSmtpMail(account, mail->senderText, mail->subject, mail->body, kMailLimits, &m_stop);
    if (failure == MailFailure::Stopped) {
        m_outbox.Released(mail->id);
        return false;
    }
    if (failure == MailFailure::None)
        m_outbox.Accepted(mail->id);
    else
        m_outbox.Failed(mail->id, m_clock.Instant());
    // Outbox files keep no kind; an alert mail's subject tells it.
    OnMailSent(MailKind::Disclosure, failure, mail->subject.rfind(texts::Sjis(texts::AlertMailSubject), 0) == 0);
    return true;
}

void MailScheduler::ReportGivenUp()
{
    m_observer.MailFinished({MailKind::Disclosure, false, texts::Sjis(texts::MailsGivenUp), MailFailure::Other,
                             m_outbox.Waiting(), true});
}

void MailScheduler::OnOutboxTick()
{
    if (!m_stop.IsRaised() && m_outbox.AnyDue(m_clock.Instant(), PasswordReady()))
        m_mail.Wake();
}

bool MailScheduler::PasswordReady() const
{
    const std::lock_guard hold(m_lock);
    return m_passwordReady;
}

void MailScheduler::SetMailPasswordReady(bool ready)
{
    {
        const std::lock_guard hold(m_lock);
        m_passwordReady = ready;
    }
    OnOutboxTick();
}

std::size_t MailScheduler::WaitingMails() const
{
    return m_outbox.Waiting();
}

std::string MailScheduler::PriceMailStatus() const
{
    return PriceMailStatusText(m_settings());
}

std::string MailScheduler::DisclosureMailStatus() const
{
    const std::size_t waiting = m_outbox.Waiting();
    if (waiting > 0)
        return texts::Format(texts::MailsWaitingFormat, std::to_string(waiting));
    return DisclosureMailStatusText(m_settings());
}

} // namespace zelmora
