#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <string>

#include "core/schedule/clock.h"
#include "gui/main_window.h"

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

// The text a control of the window shows (label, button or edit).
QString Text(zelmora::MainWindow& window, int id);
// The text of one cell of the watch list.
QString Cell(zelmora::MainWindow& window, int row, int column);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Answers the next message box with OK and keeps its text; a test that
// expects none checks that `text` stays empty.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    QString text;
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
