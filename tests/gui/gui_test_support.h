#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "core/schedule/clock.h"
#include "gui/main_window.h"
#include "gui/tray_icon.h"

// A clock the test sets.
class FixedClock : public zelmora::Clock {
public:
    zelmora::LocalTime now{2026, 12, 7, 10, 0, 0, 1};
    zelmora::LocalTime Now() const override { return now; }
};

// A program folder in a temporary directory, with an optional settings file.
class ProgramFolderFixture {
public:
    ProgramFolderFixture();

    std::string Folder() const;
    std::string SettingsPath() const;
    void WriteSettings(const std::string& bytes) const;
    std::string ReadSettings() const;

private:
    QTemporaryDir m_dir;
};

// A control of a window or dialog by its object name.
template <class Widget = QWidget>
Widget* Control(const QObject& parent, const char* name)
{
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}
// The text a control shows (label, button or edit).
QString Text(const QObject& parent, const char* name);
// The text of one cell of the watch list.
QString Cell(zelmora::MainWindow& window, int row, int column);
// A timer of the window by its object name, and a tick of it now.
QTimer* Timer(const QObject& window, const char* name);
void Tick(const QObject& window, const char* name);
// The window's icon in the notification area, by its object name.
zelmora::TrayIcon& Tray(const QObject& window);
// A double click on it, as the desktop reports one.
void DoubleClickTray(const QObject& window);
// The quote page's address, set as a user sets it: in the quote source
// dialog, confirmed with OK. url is Shift_JIS.
void SetQuoteBaseUrl(zelmora::MainWindow& window, const std::string& url);
// The watcher of the window's session, for what no control of the window
// reaches: a setting with no dialog, a save whose answer is checked.
zelmora::Watcher& SessionEngine(const QObject& window);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Answers the next message box with OK (or the button given) and keeps its
// text and its default button; a test that expects none checks that `text`
// stays empty.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(int answer = 0x00000400 /* QMessageBox::Ok */);
    ~MessageBoxAnswerer();
    // Waits until that many boxes have been answered.
    bool Wait(int boxes);
    QString text;
    int defaultButton = 0;
    int count = 0;

private:
    class QTimer* m_timer;
};

// Records the pages the program asks the desktop to open.
class OpenedPages {
public:
    OpenedPages();
    ~OpenedPages();
    QStringList urls;
};

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A session bus of the test's own that starts no services, with
// gnome-keyring-daemon unlocked on it or with no secret store at all. It is
// made this process's session bus before anything asks for one and lives as
// long as the process: the secret store's client ends a process whose
// session bus goes away. So one kind of bus serves a process; ctest runs
// each test in a process of its own.
class SessionBus {
public:
    static const SessionBus& OfThisProcess(bool withSecretStore);
    bool Ready() const { return m_ready; }
    bool WithSecretStore() const { return m_withSecretStore; }

private:
    explicit SessionBus(bool withSecretStore);
    bool StartKeyring(const QString& address);

    const bool m_withSecretStore;
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QDBusConnection m_connection{QString()};
    bool m_ready = false;
};

// What the secret store holds under the program's service, as another
// program of the user's would read it, and a password put there by one.
std::optional<QString> StoredPassword(const QString& key);
bool StorePassword(const QString& key, const QString& password);
