#pragma once

#include <QObject>

#include <memory>
#include <ostream>
#include <string>

#include "core/engine/watcher_observer.h"
#include "core/schedule/clock.h"

namespace zelmora {

class MailPasswordStore;
class Watcher;
class WatcherEvents;
class WatcherTimers;

// The watcher without a window or a display, for a machine that is always
// on: the same settings, passes, schedule, mails and save as the window's.
// It scans today's disclosures and moves on to the next day by itself. Each
// pass and each mail is written to the log as one line.
class HeadlessWatcher : public QObject {
    Q_OBJECT
public:
    HeadlessWatcher(std::string programFolder, const Clock& clock, std::ostream& log, QObject* parent = nullptr);
    ~HeadlessWatcher() override;

    // Reads base_data.ini and the mail password, starts the first passes,
    // polling and the mail timers.
    void Start();
    // Ends every transfer in flight and saves base_data.ini, once.
    void Shutdown();
    bool Saved() const { return m_saved; }

signals:
    void ShutdownFinished();

private:
    void OnPassFinished(const PassReport& report);
    void OnMailFinished(const MailReport& report);
    void FollowToday();
    void Log(const std::string& text);

    const Clock& m_clock;
    std::ostream& m_log;
    WatcherEvents* m_events;
    std::unique_ptr<Watcher> m_watcher;
    WatcherTimers* m_timers;
    MailPasswordStore* m_mailPasswords;
    bool m_shutDown = false;
    bool m_saved = false;
};

// Runs a headless watcher on the folder until SIGTERM or SIGINT, logging to
// stderr. Returns the exit status: 0, or 1 when the settings could not be
// saved.
int RunHeadless(int argc, char* argv[], const std::string& programFolder, const Clock& clock);

} // namespace zelmora
