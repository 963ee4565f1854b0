// The mail side of the main window: the price mail timers, price mails sent
// from threads of their own, notification mail and its status labels, and
// the mail settings dialog.

#include <QTimer>

#include "core/mail/notification_mails.h"
#include "core/schedule/mail_schedule.h"
#include "core/schedule/market_hours.h"
#include "core/text/texts.h"
#include "gui/dialog_template.h"
#include "gui/mail_settings_dialog.h"
#include "gui/main_window.h"

namespace zelmora {
namespace {

constexpr const char* kNotificationSender = "zelmora";
constexpr const char* kTestMailSender = "FromZelmora";
constexpr const char* kTestMailSubject = "test mail";
constexpr const char* kTestMailBody = "OK";

} // namespace

void MainWindow::ArmMailTimersAtStart(const LocalTime& now)
{
    if (m_settings.m_priceMailOn != 1)
        return;
    m_timers[PriceMailTimer]->start(PriceMailPeriod(m_settings.m_priceMailInterval));
    m_timers[MarketCloseMailTimer]->start(MarketCloseMailStartPeriod(now));
}

// Outside trading hours the tick sends nothing but the timer keeps running,
// so a program left running overnight mails again the next trading day.
void MainWindow::OnPriceMailTimer()
{
    if (m_settings.m_priceMailOn == 1 && IsMarketOpen(m_clock.Now()))
        SendPriceMail();
}

void MainWindow::OnMarketCloseMailTimer()
{
    QTimer* timer = m_timers[MarketCloseMailTimer];
    timer->stop();
    if (m_settings.m_priceMailOn != 1)
        return;
    const CloseMailStep step = MarketCloseMailStep(m_clock.Now());
    if (step.sendMail)
        SendPriceMail();
    timer->start(step.next);
}

void MainWindow::SendPriceMail()
{
    std::vector<PriceMailRow> rows;
    {
        const std::lock_guard hold(m_rowsLock);
        for (std::size_t row = 0; row < m_watchList.RowCount(); ++row) {
            rows.push_back({m_watchList.Cell(row, ColCode), m_watchList.Cell(row, ColTime), m_watchList.Cell(row, ColPrice),
                            m_watchList.Cell(row, ColChange), m_watchList.Cell(row, ColTrend)});
        }
    }
    // Sent on a worker, so a slow mail server never freezes the window;
    // closing waits for it.
    StartWorker([this, mail = ComposePriceMail(rows)] {
        SendMail(MailKind::Price, mail.subject, mail.body);
        Post([this] { emit MailFinished(); });
    });
}

MailAccount MainWindow::MailAccountSnapshot()
{
    const std::lock_guard hold(m_mailLock);
    return {m_settings.m_smtpServer, m_settings.m_mailAddress, m_settings.m_smtpUser, m_settings.m_smtpPassword};
}

bool MainWindow::SendMail(MailKind kind, const std::string& subject, const std::string& body)
{
    const bool sent = SendSmtpMail(MailAccountSnapshot(), kNotificationSender, subject, body) != 0;
    // A failed mail shows until the next mail of its kind goes out.
    Post([this, kind, sent] {
        const bool price = kind == MailKind::Price;
        std::string text = texts::Sjis(texts::MailSendError);
        if (sent)
            text = price ? PriceMailStatusText(m_settings) : DisclosureMailStatusText(m_settings);
        SetControlText(price ? IDC_PRICE_MAIL_STATUS : IDC_DISCLOSURE_MAIL_STATUS, text);
    });
    return sent;
}

void MainWindow::SendTestMail(const std::string& address, const std::string& server)
{
    MailAccount account = MailAccountSnapshot();
    account.server = server;
    account.address = address;
    StartWorker([this, account] {
        SendSmtpMail(account, kTestMailSender, kTestMailSubject, kTestMailBody);
        Post([this] { emit MailFinished(); });
    });
}

void MainWindow::ShowMailSettings()
{
    MailSettingsFields fields{m_settings.m_mailAddress, m_settings.m_smtpServer, m_settings.m_disclosureMailOn,
                              m_settings.m_priceMailOn, m_settings.m_priceMailInterval};
    MailSettingsDialog dialog(
        fields, [this](int id, const std::string& text) { SetControlText(id, text); },
        [this](const std::string& address, const std::string& server) { SendTestMail(address, server); });
    // A shutdown may have begun while the dialog was open; it arms no timers.
    if (dialog.exec() != QDialog::Accepted || m_shuttingDown)
        return;
    ApplyMailSettings(fields);
}

void MainWindow::ApplyMailSettings(const MailSettingsFields& fields)
{
    {
        const std::lock_guard hold(m_mailLock);
        m_settings.m_mailAddress = fields.mailAddress;
        m_settings.m_smtpServer = fields.smtpServer;
        m_settings.m_disclosureMailOn = fields.disclosureMailOn;
    }
    m_settings.m_priceMailOn = fields.priceMailOn;
    m_settings.m_priceMailInterval = fields.priceMailInterval;

    QTimer* closeTimer = m_timers[MarketCloseMailTimer];
    if (m_settings.m_priceMailOn != 1) {
        m_timers[PriceMailTimer]->stop();
        closeTimer->stop();
        return;
    }
    m_timers[PriceMailTimer]->start(PriceMailPeriod(m_settings.m_priceMailInterval));
    const CloseMailArming arming = MarketCloseMailArmingAtConfirm(m_clock.Now());
    if (!(arming.keepRunningTimer && closeTimer->isActive()))
        closeTimer->start(arming.period);
}

} // namespace zelmora
