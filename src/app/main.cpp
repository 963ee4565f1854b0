#include <QApplication>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/headless_watcher.h"
#include "app/screenshot_keeper.h"
#include "app/second_start.h"
#include "core/disclosure/date_list.h"
#include "core/platform/command_line.h"
#include "core/platform/program_folder.h"
#include "core/platform/single_instance.h"
#include "core/schedule/clock.h"
#include "core/version.h"
#include "gui/art.h"
#include "gui/main_window.h"
#include "gui/raise_listener.h"

// Debian's libcurl brings GnuTLS along for RTMP, which Zelmora never speaks
// (its transfers use OpenSSL). GnuTLS's documented opt-out of setting itself
// up at load keeps about 0.8 MiB out of memory; a library that uses GnuTLS
// still sets it up by calling gnutls_global_init.
extern "C" __attribute__((visibility("default"))) int _gnutls_global_init_skip()
{
    return 1;
}

int main(int argc, char* argv[])
{
    const auto startTime = std::filesystem::file_time_type::clock::now();

    const zelmora::ParsedStart parsed = zelmora::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "zelmora: " << parsed.error << "\n\n" << zelmora::StartUsageText();
        return zelmora::kExitBadStart;
    }
    if (parsed.options->help || parsed.options->version) {
        std::cout << (parsed.options->help ? zelmora::StartUsageText() : zelmora::StartVersionText());
        return 0;
    }
    const bool headless = parsed.options->headless;
    const zelmora::ProgramFolder folder =
        zelmora::ResolveProgramFolder(zelmora::ProgramFolderInputsOfThisProcess(parsed.options->folder));
    if (folder.path.empty())
        return zelmora::RefuseStart(folder.error, headless, argc, argv);

    // A second copy on the folder, with a window or headless, ends at once,
    // before it touches the screen or the folder's files: a window brings
    // the running window up, other copies say what they met.
    const zelmora::SingleInstance instance(folder.path);
    if (!instance.Error().empty())
        return zelmora::RefuseStart(instance.Error(), headless, argc, argv);
    if (!instance.IsFirst())
        return zelmora::MeetRunningCopy(folder.path, headless, argc, argv);
    instance.Announce(headless ? zelmora::LockHolder::Headless : zelmora::LockHolder::Window);

    const zelmora::SystemClock clock;
    instance.RemoveStaleTemporaryFiles(zelmora::FormatDate(clock.Now()), startTime);

    if (headless)
        return zelmora::RunHeadless(argc, argv, folder.path, clock);

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Lets the desktop match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromStdString(zelmora::AppId()));
    // Every window and dialog carries the program's icon.
    app.setWindowIcon(zelmora::ProgramIcon());

    zelmora::MainWindow window(folder.path, clock);
    QObject::connect(&window, &zelmora::MainWindow::ShutdownFinished, &app, &QApplication::quit, Qt::QueuedConnection);
    zelmora::RaiseListener raiseListener;
    QObject::connect(&raiseListener, &zelmora::RaiseListener::RaiseRequested, &window, &zelmora::MainWindow::BringToFront);
    if (raiseListener.Listen())
        instance.Announce(zelmora::LockHolder::Window, raiseListener.Address().toStdString());

    window.ListenForExitSignals();

    window.Start();

    const QString screenshot = qEnvironmentVariable("ZELMORA_SCREENSHOT");
    std::unique_ptr<zelmora::ScreenshotKeeper> keeper;
    if (!screenshot.isEmpty())
        keeper = std::make_unique<zelmora::ScreenshotKeeper>(window, screenshot);

    return app.exec();
}
