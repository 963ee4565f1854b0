#include "gui_test_support.h"

#include "gui/desktop_opener.h"
#include "gui/quote_source_dialog.h"
#include "session/session.h"
#include "session/sjis_qstring.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>

#include <qt6keychain/keychain.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <stdexcept>

ProgramFolderFixture::ProgramFolderFixture() = default;

std::string ProgramFolderFixture::Folder() const
{
    return m_dir.path().toStdString() + "/";
}

std::string ProgramFolderFixture::SettingsPath() const
{
    return Folder() + "base_data.ini";
}

void ProgramFolderFixture::WriteSettings(const std::string& bytes) const
{
    WriteFileBytes(SettingsPath(), bytes);
}

std::string ProgramFolderFixture::ReadSettings() const
{
    return ReadFileBytes(SettingsPath());
}

QString Text(const QObject& parent, const char* name)
{
    QWidget* control = Control(parent, name);
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    ADD_FAILURE() << "no text control " << name;
    return {};
}

QString Cell(zelmora::MainWindow& window, int row, int column)
{
    auto* list = Control<QTableView>(window, "watchList");
    return list->model()->data(list->model()->index(row, column)).toString();
}

QTimer* Timer(const QObject& window, const char* name)
{
    auto* timer = window.findChild<QTimer*>(QString::fromLatin1(name));
    EXPECT_NE(timer, nullptr) << name;
    return timer;
}

void Tick(const QObject& window, const char* name)
{
    if (QTimer* timer = Timer(window, name))
        QMetaObject::invokeMethod(timer, "timeout");
}

zelmora::TrayIcon& Tray(const QObject& window)
{
    auto* tray = window.findChild<zelmora::TrayIcon*>(QStringLiteral("trayIcon"));
    if (!tray)
        throw std::logic_error("the window has no trayIcon");
    return *tray;
}

void DoubleClickTray(const QObject& window)
{
    emit Tray(window).SystemIcon().activated(QSystemTrayIcon::DoubleClick);
}

void SetQuoteBaseUrl(zelmora::MainWindow& window, const std::string& url)
{
    window.ShowQuoteSourceSettings();
    auto* dialog = qobject_cast<zelmora::QuoteSourceDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    Control<QLineEdit>(*dialog, "baseUrlEdit")->setText(zelmora::ToQString(url));
    Control<QPushButton>(*dialog, "okButton")->click();
}

zelmora::Watcher& SessionEngine(const QObject& window)
{
    auto* session = window.findChild<zelmora::Session*>();
    if (!session)
        throw std::logic_error("the window has no session");
    return session->Engine();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

MessageBoxAnswerer::MessageBoxAnswerer(int answer) : m_timer(new QTimer)
{
    QObject::connect(m_timer, &QTimer::timeout, [this, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : 0;
        ++count;
        box->button(static_cast<QMessageBox::StandardButton>(answer))->click();
    });
    m_timer->start(10);
}

bool MessageBoxAnswerer::Wait(int boxes)
{
    return QTest::qWaitFor([&] { return count >= boxes; }, 5000);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    delete m_timer;
}

OpenedPages::OpenedPages()
{
    zelmora::SetDesktopOpener([this](const QUrl& url) { urls.append(url.toString()); });
}

OpenedPages::~OpenedPages()
{
    zelmora::SetDesktopOpener([](const QUrl&) {});
}

namespace {

// The daemons end with the test's process and never hold the test
// runner's output open.
void EndsWithThisProcess(QProcess& process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.setStandardErrorFile(QProcess::nullDevice());
}

bool Finished(QKeychain::Job* job)
{
    job->setAutoDelete(false);
    QSignalSpy finished(job, &QKeychain::Job::finished);
    job->start();
    return finished.wait(15000);
}

} // namespace

const SessionBus& SessionBus::OfThisProcess(bool withSecretStore)
{
    static const SessionBus* bus = new SessionBus(withSecretStore);
    return *bus;
}

SessionBus::SessionBus(bool withSecretStore) : m_withSecretStore(withSecretStore)
{
    const QString dir = m_dir.path();
    QFile config(dir + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(("<busconfig><type>session</type><listen>unix:dir=" + dir.toUtf8() +
                  "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>"));
    config.close();
    EndsWithThisProcess(m_bus);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(5000) || !QTest::qWaitFor([&] { return m_bus.canReadLine(); }, 5000))
        return;
    const QString address = QString::fromLatin1(m_bus.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLatin1());
    m_ready = !withSecretStore || StartKeyring(address);
}

// The daemon keeps its keyrings and sockets in the test's folder, never in
// the user's home.
bool SessionBus::StartKeyring(const QString& address)
{
    const QString dir = m_dir.path();
    QDir(dir).mkpath(QStringLiteral("run"));
    QFile::setPermissions(dir + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    environment.insert(QStringLiteral("HOME"), dir);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/run"));
    m_keyring.setProcessEnvironment(environment);
    EndsWithThisProcess(m_keyring);
    m_keyring.setStandardOutputFile(QProcess::nullDevice());
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(5000))
        return false;
    m_keyring.write("test keyring password");
    m_keyring.closeWriteChannel();
    m_connection = QDBusConnection::connectToBus(address, QStringLiteral("secret-store-test"));
    return QTest::qWaitFor(
        [&] { return m_connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")).value(); },
        15000);
}

std::optional<QString> StoredPassword(const QString& key)
{
    const auto job = std::make_unique<QKeychain::ReadPasswordJob>(QStringLiteral("zelmora"));
    job->setKey(key);
    if (!Finished(job.get()) || job->error() != QKeychain::NoError)
        return std::nullopt;
    return job->textData();
}

bool StorePassword(const QString& key, const QString& password)
{
    const auto job = std::make_unique<QKeychain::WritePasswordJob>(QStringLiteral("zelmora"));
    job->setKey(key);
    job->setTextData(password);
    return Finished(job.get()) && job->error() == QKeychain::NoError;
}
