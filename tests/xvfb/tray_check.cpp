// Minimises the real window on a real X server with a window manager and
// brings it back, three times: through the notification area when the
// display has one, else as an ordinary minimised window; with a
// notification area also after a start in the tray. Prints what it saw;
// exits 1 when the window was lost or came back elsewhere or in another size.

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>

#include "core/schedule/clock.h"
#include "gui/main_window.h"
#include "gui/tray_icon.h"

namespace {

int g_failures = 0;

void Check(bool ok, const char* what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    g_failures += ok ? 0 : 1;
}

// The desktop's side of the icon: Qt draws it in a widget of its own that
// the notification area embeds.
QWidget* TrayIconWidget()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return widget;
    }
    return nullptr;
}

// The program's side of the icon, by its object name.
bool TrayShown(const zelmora::MainWindow& window)
{
    const auto* tray = window.findChild<zelmora::TrayIcon*>(QStringLiteral("trayIcon"));
    return tray && tray->IsShown();
}

QMenu* RightClickOnTheIcon(QWidget& icon)
{
    QTest::mouseClick(&icon, Qt::RightButton, {}, icon.rect().center());
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Back from the tray: by a double click on the icon, or every second time
// by "メインウィンドウを開く" in its menu.
void RestoreFromTheTray(zelmora::MainWindow& window, int round)
{
    QWidget* icon = TrayIconWidget();
    if (!icon)
        return;
    QMenu* menu = RightClickOnTheIcon(*icon);
    if (round % 2 == 1 && menu) {
        QAction* open = menu->actions().value(menu->actions().size() - 5);
        Check(open && open->text() == QStringLiteral("メインウィンドウを開く"), "the tray menu offers the window");
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(open).center());
    } else {
        Check(menu && !menu->actions().isEmpty() && menu->actions().last()->text() == QStringLiteral("閉じる"),
              "a right click on the icon opens the tray menu");
        if (menu)
            menu->close();
        QTest::mouseDClick(icon, Qt::LeftButton, {}, icon->rect().center());
    }
    Check(QTest::qWaitFor([&] { return !TrayShown(window); }, 5000), "back from the tray");
}

// Minimises and brings the window back three times; its client area must
// come back where it was, as large as it was.
void MinimiseAndRestoreThreeTimes(zelmora::MainWindow& window, bool tray)
{
    Check(QTest::qWaitForWindowExposed(&window), "window on the screen");
    // The window manager has placed it once its place holds still; on a
    // slow (sanitized) build that takes longer than on a fast one.
    QRect before;
    for (int wait = 0; wait < 10 && before != window.geometry(); ++wait) {
        before = window.geometry();
        QTest::qWait(300);
    }
    std::printf("client area %dx%d at %d,%d\n", before.width(), before.height(), before.x(), before.y());
    for (int round = 0; round < 3; ++round) {
        window.showMinimized();
        if (tray) {
            Check(QTest::qWaitFor([&] { return !window.isVisible() && TrayIconWidget(); }, 5000),
                  "minimised into the notification area");
            RestoreFromTheTray(window, round);
        } else {
            Check(QTest::qWaitFor([&] { return window.isMinimized(); }, 5000) && !TrayShown(window),
                  "minimised as an ordinary window");
            window.showNormal();
        }
        Check(QTest::qWaitForWindowExposed(&window), "window back on the screen");
        Check(QTest::qWaitFor([&] { return !window.isMinimized(); }, 3000), "window no longer minimised");
        const bool same = QTest::qWaitFor([&] { return window.geometry() == before; }, 3000);
        const QRect after = window.geometry();
        std::printf("client area %dx%d at %d,%d\n", after.width(), after.height(), after.x(), after.y());
        Check(same, "window keeps its size and place");
    }
}

void Close(zelmora::MainWindow& window)
{
    QSignalSpy finished(&window, &zelmora::MainWindow::ShutdownFinished);
    window.close();
    Check(finished.count() == 1 || finished.wait(30000), "closes");
}

} // namespace

int main(int argc, char* argv[])
{
    // The quote pass at start stays on this machine.
    qputenv("http_proxy", "http://127.0.0.1:9");
    qputenv("https_proxy", "http://127.0.0.1:9");
    QApplication app(argc, argv);
    const zelmora::SystemClock clock;

    // "tray" when the display has a notification area, else "plain".
    const bool tray = argc > 1 && qstrcmp(argv[1], "tray") == 0;
    Check(!tray || QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000),
          "the notification area is there when it should be");
    std::printf("notification area: %s\n", tray ? "yes" : "no");
    {
        QTemporaryDir folder;
        zelmora::MainWindow window(folder.path().toStdString() + "/", clock);
        window.Start();
        MinimiseAndRestoreThreeTimes(window, tray);
        Close(window);
    }
    if (tray) {
        std::puts("started in the tray");
        QTemporaryDir folder;
        std::ofstream(folder.filePath(QStringLiteral("base_data.ini")).toStdString(), std::ios::binary)
            << "[MEIGARA_DATA]\r\nKOSUU=0\r\nCHKGOTASK=1\r\n";
        zelmora::MainWindow window(folder.path().toStdString() + "/", clock);
        window.Start();
        Check(QTest::qWaitFor([] { return TrayIconWidget() != nullptr; }, 5000) && !window.isVisible(),
              "starts in the notification area");
        RestoreFromTheTray(window, 0);
        MinimiseAndRestoreThreeTimes(window, tray);
        Close(window);
    }
    return g_failures == 0 ? 0 : 1;
}
