#include "app/headless_watcher.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>

#ifndef _WIN32
#include "app/exit_signals.h"
#endif
#include "core/disclosure/date_list.h"
#include "core/engine/watcher.h"
#include "gui/mail_password_store.h"
#include "gui/watcher_events.h"
#include "gui/watcher_timers.h"

namespace zelmora {
namespace {

std::string Stamp(const LocalTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::string Count(int n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char* MailKindName(MailKind kind)
{
    switch (kind) {
    case MailKind::Price:
        return "price mail";
    case MailKind::Disclosure:
        return "disclosure mail";
    case MailKind::Test:
        break;
    }
    return "test mail";
}

} // namespace

HeadlessWatcher::HeadlessWatcher(std::string programFolder, const Clock& clock, std::ostream& log, QObject* parent)
    : QObject(parent), m_clock(clock), m_log(log), m_events(new WatcherEvents(this)),
      m_watcher(std::make_unique<Watcher>(std::move(programFolder), clock, *m_events)),
      m_timers(new WatcherTimers(*m_watcher, this)), m_mailPasswords(new MailPasswordStore(*m_watcher, this))
{
    connect(m_events, &WatcherEvents::PassDone, this, &HeadlessWatcher::OnPassFinished);
    connect(m_events, &WatcherEvents::MailDone, this, &HeadlessWatcher::OnMailFinished);
}

HeadlessWatcher::~HeadlessWatcher()
{
    m_watcher->Stop();
}

// The start of the window, without the window: a first pass of each kind,
// polling while the list has stocks, the price mail timers.
void HeadlessWatcher::Start()
{
    m_watcher->Load();
    m_mailPasswords->LoadAtStart();
    const std::size_t rows = m_watcher->RowCount();
    Log("watching " + m_watcher->ProgramFolder() + ", " + Count(static_cast<int>(rows), "stock", "stocks"));
    m_watcher->RequestQuotePass();
    m_watcher->RequestDisclosurePass();
    if (rows > 0)
        m_timers->ConnectPolling(kDefaultQuoteIntervalSeconds);
    m_timers->ArmMailTimersAtStart();
}

void HeadlessWatcher::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_timers->StopAll();
    m_watcher->Stop();
    m_mailPasswords->FinishPendingJobs();
    m_saved = m_watcher->Save();
    Log(m_saved ? "saved base_data.ini" : "could not save base_data.ini");
    emit ShutdownFinished();
}

void HeadlessWatcher::OnPassFinished(const PassReport& report)
{
    switch (report.kind) {
    case PassKind::Quote:
        Log("quote pass: " + Count(report.pagesFetched, "page", "pages") + ", " +
            Count(report.rowsWithQuotes, "row", "rows") + " with quotes");
        break;
    case PassKind::Disclosure:
        Log("disclosure pass: " + Count(report.pagesFetched, "page", "pages") + ", " +
            Count(report.newDisclosures, "new disclosure", "new disclosures"));
        FollowToday();
        break;
    case PassKind::Lookup:
        break;
    }
}

void HeadlessWatcher::OnMailFinished(const MailReport& report)
{
    Log(std::string(MailKindName(report.kind)) + (report.sent ? ": sent" : ": failed"));
}

// Nobody chooses the date here: after midnight the next pass scans the new
// day, whose disclosures are the news.
void HeadlessWatcher::FollowToday()
{
    const std::string today = FormatDate(m_clock.Now());
    if (m_shutDown || today == m_watcher->DisclosureDate())
        return;
    m_watcher->ChooseDisclosureDate(today);
}

void HeadlessWatcher::Log(const std::string& text)
{
    m_log << Stamp(m_clock.Now()) << " " << text << std::endl;
}

int RunHeadless(int argc, char* argv[], const std::string& programFolder, const Clock& clock)
{
    QCoreApplication app(argc, argv);
    HeadlessWatcher watcher(programFolder, clock, std::cerr);
    QObject::connect(&watcher, &HeadlessWatcher::ShutdownFinished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
#ifndef _WIN32
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::ExitRequested, &watcher, &HeadlessWatcher::Shutdown);
#endif
    watcher.Start();
    app.exec();
    return watcher.Saved() ? 0 : 1;
}

} // namespace zelmora
