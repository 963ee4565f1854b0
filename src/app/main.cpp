#include <QApplication>

#include <memory>

#ifndef _WIN32
#include "app/exit_signals.h"
#endif
#include "app/program_folder.h"
#include "app/screenshot_keeper.h"
#include "core/platform/single_instance.h"
#include "core/schedule/clock.h"
#include "gui/art.h"
#include "gui/main_window.h"

int main(int argc, char* argv[])
{
    // A second copy ends at once and silently, before it touches the screen.
    const zelmora::SingleInstance instance;
    if (!instance.IsFirst())
        return 0;

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Every window and dialog carries the program's icon.
    app.setWindowIcon(zelmora::ProgramIcon());

    const zelmora::SystemClock clock;
    zelmora::MainWindow window(zelmora::ProgramFolder(), clock);
    QObject::connect(&window, &zelmora::MainWindow::ShutdownFinished, &app, &QApplication::quit, Qt::QueuedConnection);

#ifndef _WIN32
    zelmora::ExitSignals exitSignals;
    QObject::connect(&exitSignals, &zelmora::ExitSignals::ExitRequested, &window, [&window] { window.close(); });
#endif

    window.OnInitDialog();

    const QString screenshot = qEnvironmentVariable("ZELMORA_SCREENSHOT");
    std::unique_ptr<zelmora::ScreenshotKeeper> keeper;
    if (!screenshot.isEmpty())
        keeper = std::make_unique<zelmora::ScreenshotKeeper>(window, screenshot);

    return app.exec();
}
