#include "gui_test_support.h"

#include "gui/desktop_opener.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <fstream>
#include <iterator>

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

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

MessageBoxAnswerer::MessageBoxAnswerer() : m_timer(new QTimer)
{
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        ++count;
        box->button(QMessageBox::Ok)->click();
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
