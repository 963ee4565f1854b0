// The watcher's mail and schedule: price mails on the timers' ticks,
// disclosure and test mails, their status texts, and when each timer runs.

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

// The switch is read as each new disclosure is recorded, so turning
// disclosure mail on or off counts at once, also in a running pass.
void Watcher::NewDisclosureRecorded(std::size_t row, const std::string& code, const std::string& entryText)
{
    const Settings settings = CurrentSettings();
    if (settings.m_disclosureMailOn)
        QueueMail({MailKind::Disclosure, AccountOf(settings), kNotificationSender, DisclosureMailSubject(code),
                   DisclosureMailBody(entryText)});
    m_observer.DisclosureFound({row, code, entryText});
}

void Watcher::QueueMail(OutgoingMail mail)
{
    if (m_stop.IsRaised())
        return;
    if (!m_mail.Queue(std::move(mail)))
        m_observer.MailFinished({MailKind::Price, false, texts::Sjis(texts::PriceMailDropped)});
}

// A failed mail shows until the next mail of its kind goes out.
void Watcher::OnMailSent(MailKind kind, bool sent)
{
    std::string text = texts::Sjis(texts::MailSendError);
    if (sent && kind == MailKind::Price)
        text = PriceMailStatus();
    else if (sent && kind == MailKind::Disclosure)
        text = DisclosureMailStatus();
    else if (sent)
        text = texts::Sjis(texts::MailSent);
    m_observer.MailFinished({kind, sent, text});
}

MailSettingsFields Watcher::MailSettings() const
{
    const Settings s = CurrentSettings();
    return {s.m_mailAddress, s.m_smtpServer, s.m_disclosureMailOn, s.m_priceMailOn, s.m_priceMailInterval,
            s.m_smtpUser, s.m_smtpPassword};
}

void Watcher::ApplyMailSettings(const MailSettingsFields& fields)
{
    const std::lock_guard hold(m_lock);
    m_settings.m_mailAddress = fields.mailAddress;
    m_settings.m_smtpServer = fields.smtpServer;
    m_settings.m_disclosureMailOn = fields.disclosureMailOn;
    m_settings.m_priceMailOn = fields.priceMailOn;
    m_settings.m_priceMailInterval = fields.priceMailInterval;
    m_settings.m_smtpUser = fields.smtpUser;
    m_settings.m_smtpPassword = fields.smtpPassword;
}

std::string Watcher::PriceMailStatus() const
{
    return PriceMailStatusText(CurrentSettings());
}

std::string Watcher::DisclosureMailStatus() const
{
    return DisclosureMailStatusText(CurrentSettings());
}

} // namespace zelmora
