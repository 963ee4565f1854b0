#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

#include "core/schedule/clock.h"

namespace zelmora {

class MailPasswordStore;
class Watcher;
class WatcherSignals;
class WatcherTimers;

// One watching session on a program folder, as the window and the headless
// watcher both run it: the watcher with its reports as Qt signals, the
// timers that drive it, the mail password, the move to the next day, the
// save soon after each edit and at the end, and the signals that end the
// program. Its owner adds what is its own: widgets and tray, or log lines.
class Session : public QObject {
    Q_OBJECT
public:
    Session(std::string programFolder, const Clock& clock, QObject* parent = nullptr);
    ~Session() override;

    Watcher& Engine() { return *m_watcher; }
    const Watcher& Engine() const { return *m_watcher; }
    WatcherSignals& Signals() { return *m_signals; }
    WatcherTimers& Timers() { return *m_timers; }
    MailPasswordStore& MailPasswords() { return *m_mailPasswords; }

    // Reads base_data.ini and asks the secret store for the mail password.
    void Load();
    // The first pass of each kind, polling while the list has stocks, and
    // the price mail timers. The first quote pass starts once the owner's
    // start has run to its end, so it sees the selected row.
    void StartWatching(int quoteIntervalSeconds);
    // While the disclosures scanned are today's, the session moves on to the
    // next day after midnight: one last pass over the old day, then the new.
    void SetFollowingToday(bool following);

    // Writes base_data.ini now; false (and SaveFailed) when it could not.
    bool SaveNow();
    // Ends every transfer in flight, stops the timers and saves, once.
    void Shutdown();
    bool ShutDown() const { return m_shutDown; }
    bool Saved() const { return m_saved; }

    // Turns SIGTERM, SIGINT and SIGHUP into ExitRequested. For the program
    // itself, not for tests that make several sessions.
    void ListenForExitSignals();

signals:
    void SaveFailed(const QString& path, const QString& reason);
    // A new day is scanned now.
    void DayChanged(const std::string& date);
    void ExitRequested();
    void ShutdownFinished();

private:
    void ScheduleSave();

    const Clock& m_clock;
    WatcherSignals* m_signals;
    std::unique_ptr<Watcher> m_watcher;
    WatcherTimers* m_timers;
    MailPasswordStore* m_mailPasswords;
    QTimer m_saveTimer;
    QTimer m_dayTimer;
    QTimer m_outboxTimer;
    bool m_followingToday = false;
    bool m_shutDown = false;
    bool m_saved = false;
};

} // namespace zelmora
