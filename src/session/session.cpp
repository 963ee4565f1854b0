#include "session/session.h"

#include <cstdio>

#include "core/disclosure/date_list.h"
#include "core/engine/watcher.h"
#include "core/settings/settings.h"
#ifndef _WIN32
#include "session/exit_signals.h"
#endif
#include "session/mail_password_store.h"
#include "session/sjis_qstring.h"
#include "session/watcher_signals.h"
#include "session/watcher_timers.h"

namespace zelmora {
namespace {

// An edit is written this long after the last one, so a crash or a kill
// loses at most these seconds of work, and typing a memo is one write.
constexpr std::chrono::milliseconds kSaveDelay{2'000};
constexpr std::chrono::milliseconds kDayCheckPeriod{60'000};
// Mails in the outbox are tried again within this much of their time.
constexpr std::chrono::milliseconds kOutboxPeriod{15'000};

} // namespace

Session::Session(std::string programFolder, const Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_signals(new WatcherSignals(this)),
      m_watcher(std::make_unique<Watcher>(std::move(programFolder), clock, *m_signals)),
      m_timers(new WatcherTimers(*m_watcher, this)), m_mailPasswords(new MailPasswordStore(*m_watcher, this))
{
    m_saveTimer.setObjectName(QStringLiteral("saveTimer"));
    m_saveTimer.setSingleShot(true);
    m_dayTimer.setObjectName(QStringLiteral("dayTimer"));
    m_outboxTimer.setObjectName(QStringLiteral("outboxTimer"));
    for (QTimer* timer : {&m_saveTimer, &m_dayTimer, &m_outboxTimer})
        timer->setParent(this);
    connect(&m_saveTimer, &QTimer::timeout, this, &Session::SaveNow);
    // The day is checked between disclosure passes too, so the old day's last
    // pass comes soon after midnight.
    connect(&m_dayTimer, &QTimer::timeout, this, [this] { m_watcher->FollowToday(m_followingToday); });
    connect(m_signals, &WatcherSignals::DayChanged, this, &Session::DayChanged);
    connect(&m_outboxTimer, &QTimer::timeout, this, [this] {
        m_mailPasswords->AskAgainIfFailed();
        m_watcher->OnOutboxTick();
    });
    // Queued, so the owner has shown or logged the notice before it is done.
    connect(
        m_signals, &WatcherSignals::NewDisclosure, this,
        [this](const DisclosureReport& report) { m_watcher->NoticeShown(report); }, Qt::QueuedConnection);
    connect(m_signals, &WatcherSignals::SettingsChanged, this, &Session::ScheduleSave);
}

// Transfers in flight end first, so no worker reports to an owner that is
// going.
Session::~Session()
{
    m_watcher->Stop();
}

void Session::Load()
{
    m_watcher->Load();
    if (m_watcher->SettingsReadAsUtf8())
        std::fprintf(stderr, "%s\n", kSettingsReadAsUtf8Notice);
    m_mailPasswords->LoadAtStart();
}

void Session::StartWatching(int quoteIntervalSeconds)
{
    QMetaObject::invokeMethod(this, [this] { m_watcher->RequestQuotePass(); }, Qt::QueuedConnection);
    m_watcher->RequestDisclosurePass();
    if (m_watcher->RowCount() > 0)
        m_timers->StartPolling(quoteIntervalSeconds);
    m_timers->ArmMailTimersAtStart();
    m_dayTimer.start(kDayCheckPeriod);
    m_outboxTimer.start(kOutboxPeriod);
    // Today's disclosures whose notice a close or a crash cut short.
    for (const DisclosureReport& report : m_watcher->PendingNotices())
        emit m_signals->NewDisclosure(report);
}

void Session::SetFollowingToday(bool following)
{
    m_followingToday = following;
    m_watcher->FollowToday(following);
}

void Session::ScheduleSave()
{
    if (!m_shutDown)
        m_saveTimer.start(kSaveDelay);
}

bool Session::SaveNow()
{
    m_saveTimer.stop();
    const SaveResult result = m_watcher->Save();
    if (!result.saved)
        emit SaveFailed(ToQString(result.path), QString::fromLocal8Bit(result.reason.c_str()));
    return result.saved;
}

void Session::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_timers->StopAll();
    m_dayTimer.stop();
    m_outboxTimer.stop();
    m_watcher->Stop();
    m_mailPasswords->FinishPendingJobs();
    m_saved = SaveNow();
    emit ShutdownFinished();
}

void Session::ListenForExitSignals()
{
#ifndef _WIN32
    auto* exitSignals = new ExitSignals(this);
    connect(exitSignals, &ExitSignals::ExitRequested, this, &Session::ExitRequested);
#endif
}

} // namespace zelmora
