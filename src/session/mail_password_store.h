#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <string>

#include "core/settings/settings.h"

namespace QKeychain {
class Job;
}

namespace zelmora {

class Watcher;

// What the mail server's login is made of; the store keeps the password
// under the user name and the server.
struct MailLogin {
    std::string user;
    std::string server;
    std::string password;

    bool operator==(const MailLogin&) const = default;
};

MailLogin MailLoginOf(const Settings& settings);

// The mail password in the desktop's secret store (the freedesktop Secret
// Service, through QtKeychain) under the service "zelmora". The watcher gets
// it with the other mail settings; where no store answers, it stays in
// base_data.ini. The store's jobs run in the background and nothing here
// waits for them: until a job has stored the password, the save keeps it
// in the file, so a store that refuses loses nothing.
class MailPasswordStore : public QObject {
    Q_OBJECT
public:
    explicit MailPasswordStore(Watcher& watcher, QObject* parent = nullptr);

    // Once the settings are loaded: moves a password of the file into the
    // store, or else reads the login's password from it.
    void LoadAtStart();
    // The settings now hold a login the dialog confirmed; `before` is the
    // one it replaced.
    void LoginConfirmed(const MailLogin& before);
    // A store was asked and did not answer: the password stays in the file.
    bool PasswordKeptInFile() const { return m_storeMissing; }
    // Before the save at close: lets the jobs asked for finish, for half a
    // second at most, so that a password just removed does not come back.
    void FinishPendingJobs();
    // A store that failed to answer (a keyring still locked) is asked again,
    // at most once a minute, while mails wait for the login.
    void AskAgainIfFailed();

signals:
    // The last job asked of the store is over.
    void Settled();

private:
    void Read(const MailLogin& login);
    void Write(const MailLogin& login);
    void Remove(const MailLogin& login);
    void Start(QKeychain::Job* job, const MailLogin& login);
    void Finished(QKeychain::Job* job);

    Watcher& m_watcher;
    bool m_storeMissing = false;
    bool m_readFailed = false;
    QElapsedTimer m_sinceRead;
    int m_pendingJobs = 0;
};

} // namespace zelmora
