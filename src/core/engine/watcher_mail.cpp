// The watcher's mail and schedule: price mails on the timers' ticks,
// disclosure and test mails, their status texts, and when each timer runs.

#include "core/disclosure/date_list.h"
#include "core/disclosure/pending_notice.h"
#include "core/engine/watcher.h"
#include "core/mail/notification_mails.h"
#include "core/schedule/mail_schedule.h"
#include "core/schedule/market_hours.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr const char* kNotificationSender = "zelmora";
constexpr const char* kTestMailSender = "FromZelmora";
constexpr const char* kTestMailSubject = "test mail";
constexpr const char* kTestMailBody = "OK";

MailAccount AccountOf(const Settings& s)
{
    return {s.m_smtpServer, s.m_mailAddress, s.m_smtpUser, s.m_smtpPassword};
}

} // namespace

void Watcher::OnQuoteTick()
{
    if (IsMarketOpen(m_clock.Now()))
        RequestQuotePass();
}

// Outside trading hours the tick sends nothing but the timer keeps running,
// so a program left running overnight mails again the next trading day.
void Watcher::OnPriceMailTick()
{
    if (CurrentSettings().m_priceMailOn && IsMarketOpen(m_clock.Now()))
        SendPriceMail();
}

std::optional<std::chrono::milliseconds> Watcher::OnMarketCloseMailTick()
{
    if (!CurrentSettings().m_priceMailOn)
        return std::nullopt;
    const CloseMailStep step = MarketCloseMailStep(m_clock.Now());
    if (step.sendMail)
        SendPriceMail();
    return step.next;
}

MailTimerPlan Watcher::MailTimersAtStart() const
{
    const Settings settings = CurrentSettings();
    if (!settings.m_priceMailOn)
        return {};
    return {PriceMailPeriod(settings.m_priceMailInterval), MarketCloseMailStartPeriod(m_clock.Now()), false};
}

MailTimerPlan Watcher::MailTimersAtConfirm() const
{
    const Settings settings = CurrentSettings();
    if (!settings.m_priceMailOn)
        return {};
    const CloseMailArming arming = MarketCloseMailArmingAtConfirm(m_clock.Now());
    return {PriceMailPeriod(settings.m_priceMailInterval), arming.period, arming.keepRunningTimer};
}

void Watcher::SendPriceMail()
{
    std::vector<PriceMailRow> rows;
    MailAccount account;
    std::string note;
    {
        const std::lock_guard hold(m_lock);
        for (std::size_t row = 0; row < m_rows.RowCount(); ++row) {
            rows.push_back({m_rows.Cell(row, ColCode), m_rows.Cell(row, ColTime), m_rows.Cell(row, ColPrice),
                            m_rows.Cell(row, ColChange), m_rows.Cell(row, ColTrend)});
        }
        account = AccountOf(m_settings);
        note = StalePricesNoteLocked();
    }
    PriceMail mail = ComposePriceMail(rows);
    mail.body.insert(0, note);
    QueueMail({MailKind::Price, account, kNotificationSender, mail.subject, mail.body});
}

void Watcher::SendTestMail(const MailAccount& account)
{
    QueueMail({MailKind::Test, account, kTestMailSender, kTestMailSubject, kTestMailBody});
}

// The switch is read as each new disclosure is found, so turning
// disclosure mail on or off counts at once, also in a running pass. The
// mail's file and the notice's are written even while the program closes:
// that is what keeps them.
bool Watcher::KeepNewDisclosure(const std::string& date, const std::string& code, const std::string& entryText)
{
    const std::string id = DisclosureId(date, code, entryText);
    if (Unrecorded(id))
        return true;
    // A notice that cannot be written is still shown now; only a close
    // right away would lose it.
    WritePendingNotice(m_programFolder, {id, date, code, entryText});
    const Settings s = CurrentSettings();
    if (!s.m_disclosureMailOn)
        return true;
    const OutboxMail mail{{}, m_clock.Instant(), s.m_smtpServer, s.m_mailAddress, s.m_smtpUser, kNotificationSender,
                          DisclosureMailSubject(code), DisclosureMailBody(entryText)};
    int givenUp = 0;
    const bool kept = m_outbox.Add(id, mail, givenUp);
    if (givenUp > 0)
        ReportGivenUp();
    return kept;
}

void Watcher::NewDisclosureRecorded(std::size_t row, const std::string& date, const std::string& code,
                                    const std::string& entryText)
{
    if (Unrecorded(DisclosureId(date, code, entryText)))
        return;
    OnOutboxTick();
    m_observer.DisclosureFound({row, code, entryText, DisclosureId(date, code, entryText)});
}

void Watcher::HistoryNotWritten(const std::string& path, const std::string& date, const std::string& code,
                                const std::string& entryText)
{
    std::string shown;
    {
        const std::lock_guard hold(m_lock);
        m_unrecorded.insert(DisclosureId(date, code, entryText));
        m_historyError = texts::Format(texts::HistoryWriteErrorFormat, path);
        shown = StatusTextLocked();
    }
    m_observer.StatusChanged(shown);
}

bool Watcher::Unrecorded(const std::string& id) const
{
    const std::lock_guard hold(m_lock);
    return m_unrecorded.count(id) > 0;
}

void Watcher::QueueMail(OutgoingMail mail)
{
    if (m_stop.IsRaised())
        return;
    if (!m_mail.Queue(std::move(mail)))
        m_observer.MailFinished({MailKind::Price, false, texts::Sjis(texts::PriceMailDropped), MailFailure::None,
                                 m_outbox.Waiting()});
}

// A failed mail shows until the next mail of its kind goes out.
void Watcher::OnMailSent(MailKind kind, MailFailure failure)
{
    const bool sent = failure == MailFailure::None;
    std::string text = texts::Sjis(texts::MailSendError);
    if (sent && kind == MailKind::Price)
        text = PriceMailStatus();
    else if (sent && kind == MailKind::Disclosure)
        text = DisclosureMailStatus();
    else if (sent)
        text = texts::Sjis(texts::MailSent);
    else if (kind == MailKind::Test && failure == MailFailure::NoEncryption)
        text = texts::Sjis(texts::MailNoEncryption); // the password was kept from a plain line
    m_observer.MailFinished({kind, sent, text, failure, m_outbox.Waiting()});
}

// One attempt at the oldest due mail of the outbox, on the mail thread. The
// password is the one of the settings as long as they still name the
// mail's server and user; the file never holds it.
bool Watcher::SendOutboxMail()
{
    const Instant now = m_clock.Instant();
    if (m_outbox.GiveUpExpired(now) > 0)
        ReportGivenUp();
    MailAccount current;
    bool passwordReady = false;
    {
        const std::lock_guard hold(m_lock);
        current = AccountOf(m_settings);
        passwordReady = m_mailPasswordReady;
    }
    const std::optional<OutboxMail> mail = m_outbox.TakeDue(now, passwordReady);
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
    OnMailSent(MailKind::Disclosure, failure);
    return true;
}

void Watcher::ReportGivenUp()
{
    m_observer.MailFinished({MailKind::Disclosure, false, texts::Sjis(texts::MailsGivenUp), MailFailure::Other,
                             m_outbox.Waiting(), true});
}

void Watcher::OnOutboxTick()
{
    bool passwordReady = false;
    {
        const std::lock_guard hold(m_lock);
        passwordReady = m_mailPasswordReady;
    }
    if (!m_stop.IsRaised() && m_outbox.AnyDue(m_clock.Instant(), passwordReady))
        m_mail.Wake();
}

void Watcher::SetMailPasswordReady(bool ready)
{
    {
        const std::lock_guard hold(m_lock);
        m_mailPasswordReady = ready;
    }
    OnOutboxTick();
}

std::size_t Watcher::WaitingMails() const
{
    return m_outbox.Waiting();
}

std::vector<DisclosureReport> Watcher::PendingNotices()
{
    const LocalTime now = m_clock.Now();
    std::vector<DisclosureReport> reports;
    for (PendingNotice& notice : TakePendingNotices(m_programFolder, FormatDate(now.year, now.month, now.day), m_startTime)) {
        const std::lock_guard hold(m_lock);
        std::size_t row = 0;
        while (row < m_rows.RowCount() && m_rows.Cell(row, ColCode) != notice.code)
            ++row;
        reports.push_back({row, std::move(notice.code), std::move(notice.entryText), std::move(notice.id)});
    }
    return reports;
}

void Watcher::NoticeShown(const DisclosureReport& report)
{
    RemovePendingNotice(m_programFolder, report.noticeId);
}

MailSettingsFields Watcher::MailSettings() const
{
    const Settings s = CurrentSettings();
    return {s.m_mailAddress, s.m_smtpServer, s.m_disclosureMailOn, s.m_priceMailOn, s.m_priceMailInterval,
            s.m_smtpUser, s.m_smtpPassword};
}

void Watcher::ApplyMailSettings(const MailSettingsFields& fields)
{
    ChangeSettings([&](Settings& s) {
        s.m_mailAddress = fields.mailAddress;
        s.m_smtpServer = fields.smtpServer;
        s.m_disclosureMailOn = fields.disclosureMailOn;
        s.m_priceMailOn = fields.priceMailOn;
        s.m_priceMailInterval = fields.priceMailInterval;
        s.m_smtpUser = fields.smtpUser;
        s.m_smtpPassword = fields.smtpPassword;
    });
}

std::string Watcher::PriceMailStatus() const
{
    return PriceMailStatusText(CurrentSettings());
}

std::string Watcher::DisclosureMailStatus() const
{
    const std::size_t waiting = m_outbox.Waiting();
    if (waiting > 0)
        return texts::Format(texts::MailsWaitingFormat, std::to_string(waiting));
    return DisclosureMailStatusText(CurrentSettings());
}

} // namespace zelmora
