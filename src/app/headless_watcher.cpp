#include "app/headless_watcher.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>

#include "core/engine/watcher.h"
#include "core/text/code_page.h"
#include "session/session.h"
#include "session/watcher_signals.h"
#include "session/watcher_timers.h"

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
    : QObject(parent), m_clock(clock), m_log(log), m_session(new Session(std::move(programFolder), clock, this))
{
    // Nobody chooses a date here: the news is always today's.
    m_session->SetFollowingToday(true);
    connect(&m_session->Signals(), &WatcherSignals::PassDone, this, &HeadlessWatcher::OnPassFinished);
    connect(&m_session->Signals(), &WatcherSignals::MailDone, this, &HeadlessWatcher::OnMailFinished);
    connect(&m_session->Signals(), &WatcherSignals::AlertsRaised, this, &HeadlessWatcher::OnAlertsFired);
    connect(&m_session->Signals(), &WatcherSignals::NewDisclosure, this, [this](const DisclosureReport& report) {
        if (!report.figures.empty())
            Log("figures of " + SjisToUtf8(report.code) + " " + SjisToUtf8(report.entryText) + ": " +
                SjisToUtf8(report.figures));
    });
    connect(m_session, &Session::SaveFailed, this, [this](const QString& path, const QString& reason) {
        Log("could not save " + path.toStdString() + ": " + reason.toStdString());
    });
    connect(m_session, &Session::ShutdownFinished, this, &HeadlessWatcher::ShutdownFinished);
    connect(m_session, &Session::ExitRequested, this, &HeadlessWatcher::Shutdown);
}

void HeadlessWatcher::ListenForExitSignals()
{
    m_session->ListenForExitSignals();
}

HeadlessWatcher::~HeadlessWatcher() = default;

void HeadlessWatcher::Start()
{
    m_session->Load();
    const Watcher& watcher = m_session->Engine();
    const std::size_t rows = watcher.RowCount();
    Log("watching " + watcher.ProgramFolder() + ", " + Count(static_cast<int>(rows), "stock", "stocks"));
    m_session->StartWatching(kDefaultQuoteIntervalSeconds);
}

void HeadlessWatcher::Shutdown()
{
    if (m_session->ShutDown())
        return;
    m_session->Shutdown();
    if (m_session->Saved())
        Log("saved base_data.ini");
}

bool HeadlessWatcher::Saved() const
{
    return m_session->Saved();
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
        break;
    case PassKind::Lookup:
        break;
    }
}

void HeadlessWatcher::OnMailFinished(const MailReport& report)
{
    const char* outcome = report.sent ? ": sent" : report.givenUp ? ": moved to outbox/failed" : ": failed";
    Log(std::string(report.alertMail ? "alert mail" : MailKindName(report.kind)) + outcome);
}

// One line per condition that fired; the journal reads UTF-8.
void HeadlessWatcher::OnAlertsFired(const AlertReport& report)
{
    for (const AlertFiring& firing : report.firings) {
        for (const std::string& line : AlertConditionLines(firing))
            Log("price alert: " + SjisToUtf8(AlertSummary(firing) + ": " + line));
    }
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
    watcher.ListenForExitSignals();
    watcher.Start();
    app.exec();
    return watcher.Saved() ? 0 : 1;
}

} // namespace zelmora
