// Minimises the real window on a real X server and brings it back: through
// the notification area when the display has one, else as an ordinary
// minimised window. Prints what it saw; exits 1 when the window was lost.

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

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

} // namespace

int main(int argc, char* argv[])
{
    // The quote pass at start stays on this machine.
    qputenv("http_proxy", "http://127.0.0.1:9");
    qputenv("https_proxy", "http://127.0.0.1:9");
    QApplication app(argc, argv);
    QTemporaryDir folder;

    const bool tray = QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000);
    std::printf("notification area: %s\n", tray ? "yes" : "no");

    const zelmora::SystemClock clock;
    zelmora::MainWindow window(folder.path().toStdString() + "/", clock);
    window.OnInitDialog();
    Check(QTest::qWaitForWindowExposed(&window), "window shown at start");
    const QSize size = window.size();

    window.showMinimized();
    if (tray) {
        Check(QTest::qWaitFor([&] { return !window.isVisible() && TrayIconWidget(); }, 5000),
              "minimised into the notification area");
        QWidget* icon = TrayIconWidget();
        if (icon) {
            QTest::mouseClick(icon, Qt::RightButton, {}, icon->rect().center());
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            Check(menu && !menu->actions().isEmpty() && menu->actions().last()->text() == QStringLiteral("閉じる"),
                  "a right click on the icon opens the tray menu");
            if (menu)
                menu->close();
            QTest::mouseDClick(icon, Qt::LeftButton, {}, icon->rect().center());
        }
        Check(!window.Tray().IsShown(), "a double click on the icon leaves the tray");
    } else {
        QTest::qWait(500);
        Check(window.isVisible() && window.isMinimized() && !window.Tray().IsShown(),
              "minimised as an ordinary window");
        window.showNormal();
    }
    Check(QTest::qWaitForWindowExposed(&window) && !window.isMinimized(), "window back on the screen");
    Check(window.size() == size, "window keeps its size");

    QSignalSpy finished(&window, &zelmora::MainWindow::ShutdownFinished);
    window.close();
    Check(finished.count() == 1 || finished.wait(30000), "closes");
    return g_failures == 0 ? 0 : 1;
}
