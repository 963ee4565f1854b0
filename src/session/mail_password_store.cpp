#include "session/mail_password_store.h"

#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include "core/engine/watcher.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

const QString kService = QStringLiteral("zelmora");

QString KeyOf(const MailLogin& login)
{
    return ToQString(login.user + "@" + login.server);
}

} // namespace

MailLogin MailLoginOf(const Settings& settings)
{
    return {settings.smtpUser, settings.smtpServer, settings.smtpPassword};
}

MailPasswordStore::MailPasswordStore(Watcher& watcher, QObject* parent) : QObject(parent), m_watcher(watcher) {}

// A password written into base_data.ini by hand goes into the store; the
// next save leaves it out of the file once the store has it.
void MailPasswordStore::LoadAtStart()
{
    const MailLogin login = MailLoginOf(m_watcher.CurrentSettings());
    if (!login.password.empty())
        Write(login);
    else if (!login.user.empty())
        Read(login);
}

void MailPasswordStore::LoginConfirmed(const MailLogin& before)
{
    const MailLogin now = MailLoginOf(m_watcher.CurrentSettings());
    if (now == before)
        return;
    m_watcher.ChangeSettings([](Settings& s) { s.smtpPasswordInStore = false; });
    if (KeyOf(before) != KeyOf(now) && !before.password.empty())
        Remove(before);
    if (now.password.empty()) {
        Remove(now);
    } else {
        Write(now);
        m_readFailed = false;
        m_watcher.SetMailPasswordReady(true);
    }
}

// A job's answer counts only while the settings still hold its login: a
// login the dialog changed in the meantime has jobs of its own.
void MailPasswordStore::Read(const MailLogin& login)
{
    m_sinceRead.start();
    auto* job = new QKeychain::ReadPasswordJob(kService);
    connect(job, &QKeychain::Job::finished, this, [this, job, login] {
        m_storeMissing = job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound;
        // Mails that need the login wait until the store has answered.
        m_readFailed = m_storeMissing;
        if (!m_readFailed)
            m_watcher.SetMailPasswordReady(true);
        if (job->error() == QKeychain::NoError) {
            const std::string password = ToSjis(job->textData());
            m_watcher.ChangeSettings([&](Settings& s) {
                if (MailLoginOf(s) != login)
                    return;
                s.smtpPassword = password;
                s.smtpPasswordInStore = true;
            });
        }
    });
    Start(job, login);
}

void MailPasswordStore::AskAgainIfFailed()
{
    constexpr qint64 kAskPeriodMs = 60'000;
    const MailLogin login = MailLoginOf(m_watcher.CurrentSettings());
    if (!m_readFailed || login.user.empty() || m_watcher.WaitingMails() == 0 || m_sinceRead.elapsed() < kAskPeriodMs)
        return;
    Read(login);
}

void MailPasswordStore::Write(const MailLogin& login)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setTextData(ToQString(login.password));
    connect(job, &QKeychain::Job::finished, this, [this, job, login] {
        m_storeMissing = job->error() != QKeychain::NoError;
        if (!m_storeMissing) {
            m_watcher.ChangeSettings([&](Settings& s) {
                if (MailLoginOf(s) == login)
                    s.smtpPasswordInStore = true;
            });
        }
    });
    Start(job, login);
}

void MailPasswordStore::Remove(const MailLogin& login)
{
    Start(new QKeychain::DeletePasswordJob(kService), login);
}

void MailPasswordStore::FinishPendingJobs()
{
    constexpr int kLimitMs = 500;
    if (m_pendingJobs == 0)
        return;
    QEventLoop wait;
    connect(this, &MailPasswordStore::Settled, &wait, &QEventLoop::quit);
    QTimer::singleShot(kLimitMs, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

// A job deletes itself once finished; one still running when the store goes
// no longer reports to it. Connected after the job's own handler, so
// Settled comes once that has run.
void MailPasswordStore::Start(QKeychain::Job* job, const MailLogin& login)
{
    job->setKey(KeyOf(login));
    connect(job, &QKeychain::Job::finished, this, &MailPasswordStore::Finished);
    ++m_pendingJobs;
    job->start();
}

void MailPasswordStore::Finished(QKeychain::Job*)
{
    if (--m_pendingJobs == 0)
        emit Settled();
}

} // namespace zelmora
