#pragma once

#include <QObject>

#include <ostream>
#include <string>

#include "core/engine/watcher_observer.h"
#include "core/schedule/clock.h"

namespace zelmora {

class Session;

// The session without a window or a display, for a machine that is always
// on: the same settings, passes, schedule, mails and save as the window's.
// It scans today's disclosures and moves on to the next day by itself. Each
// pass, each mail and each failed save is written to the log as one line.
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
    bool Saved() const;
    // SIGTERM, SIGINT and SIGHUP end it as Shutdown does.
    void ListenForExitSignals();

signals:
    void ShutdownFinished();

private:
    void OnPassFinished(const PassReport& report);
    void OnMailFinished(const MailReport& report);
    void OnAlertsFired(const AlertReport& report);
    void Log(const std::string& text);

    const Clock& m_clock;
    std::ostream& m_log;
    Session* m_session;
};

// Runs a headless watcher on the folder until SIGTERM, SIGINT or SIGHUP, logging to
// stderr. Returns the exit status: 0, or 1 when the settings could not be
// saved.
int RunHeadless(int argc, char* argv[], const std::string& programFolder, const Clock& clock);

} // namespace zelmora
