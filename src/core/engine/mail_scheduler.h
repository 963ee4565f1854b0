#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/engine/pass_status.h"
#include "core/engine/watch_list_store.h"
#include "core/engine/watcher_observer.h"
#include "core/mail/mail_sender.h"
#include "core/mail/outbox.h"
#include "core/net/stop_flag.h"
#include "core/schedule/clock.h"
#include "core/settings/settings.h"

namespace zelmora {

// How the price mail timers run: nothing for a timer that stays stopped.
struct MailTimerPlan {
    std::optional<std::chrono::milliseconds> priceMail;
    std::optional<std::chrono::milliseconds> marketCloseMail;
    bool keepRunningCloseTimer = false; // a running close-mail timer keeps its rhythm
};

// The mails: price mails on the timers' ticks, disclosure mails through the
// outbox, test mails, and the status texts of the mail labels. One mail
// thread sends them all.
class MailScheduler {
public:
    MailScheduler(std::string programFolder, const Clock& clock, StopFlag& stop, WatcherObserver& observer,
                  const WatchListStore& rows, const PassStatus& status, std::function<Settings()> settings);
    MailScheduler(const MailScheduler&) = delete;
    MailScheduler& operator=(const MailScheduler&) = delete;

    // What an earlier run could not send goes first; what an interrupted
    // save left is older than startTime.
    void Load(std::filesystem::file_time_type startTime);
    void Stop();
    bool IsBusy() const;

    void OnPriceMailTick();
    // Nothing when the close-mail timer stops.
    std::optional<std::chrono::milliseconds> OnMarketCloseMailTick();
    MailTimerPlan MailTimersAtStart() const;
    MailTimerPlan MailTimersAtConfirm() const;

    void SendPriceMail();
    void SendTestMail(const MailAccount& account);
    std::string PriceMailStatus() const;
    // "送信待ち N件" while disclosure mails wait in the outbox.
    std::string DisclosureMailStatus() const;

    // A new disclosure's mail, kept in the outbox while disclosure mail is
    // on; false when it could not be kept.
    bool KeepDisclosureMail(const std::string& id, const std::string& code, const std::string& entryText,
                            const std::string& documentAddress, const std::string& figures = {});
    // One mail for the alerts of a pass, kept in the outbox while alert mail
    // is on; stamp (the pass's time) tells the mails of a day apart.
    bool KeepAlertMail(const std::vector<AlertFiring>& firings, const std::string& stamp);
    // Sends the waiting mails that are due.
    void OnOutboxTick();
    void SetMailPasswordReady(bool ready);
    std::size_t WaitingMails() const;

private:
    void QueueMail(OutgoingMail mail);
    void OnMailSent(MailKind kind, MailFailure failure, bool alertMail = false);
    bool SendOutboxMail();
    void ReportGivenUp();
    bool PasswordReady() const;

    const std::string m_programFolder;
    const Clock& m_clock;
    StopFlag& m_stop;
    WatcherObserver& m_observer;
    const WatchListStore& m_rows;
    const PassStatus& m_status;
    const std::function<Settings()> m_settings;

    mutable std::mutex m_lock;
    // Mails with a login wait until the secret store has answered.
    bool m_passwordReady = true;

    Outbox m_outbox;
    MailSender m_mail;
};

} // namespace zelmora
