#include "app/second_start.h"

#include <QApplication>
#include <QMessageBox>

#include <chrono>
#include <cstdlib>
#include <iostream>

#include "core/platform/command_line.h"
#include "core/platform/single_instance.h"
#include "gui/art.h"
#include "gui/raise_listener.h"

namespace zelmora {
namespace {

// A copy that has just taken the lock writes what it is at once, a window
// its address once it listens.
constexpr std::chrono::milliseconds kPatience{1000};
constexpr const char* kNowhere = "offscreen";

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

const char* WhatHolds(LockHolder::Kind kind)
{
    switch (kind) {
    case LockHolder::Window:
        return "a window";
    case LockHolder::Headless:
        return "a headless watcher";
    case LockHolder::Unknown:
        break;
    }
    return "another copy";
}

} // namespace

int MeetRunningCopy(const std::string& programFolder, bool headless, int argc, char* argv[])
{
    const LockHolder holder = ReadLockHolder(programFolder, kPatience);
    if (!headless && holder.kind == LockHolder::Window) {
        // A window that does not listen yet is about to show itself.
        if (!holder.raiseAddress.empty()) {
            const QCoreApplication app(argc, argv);
            AskToRaise(QString::fromStdString(holder.raiseAddress));
        }
        return 0;
    }
    std::cerr << "zelmora: " << WhatHolds(holder.kind) << " already uses " << programFolder << "\n";
    return 0;
}

int RefuseStart(const std::string& message, bool headless, int argc, char* argv[])
{
    std::cerr << "zelmora: " << message << "\n";
    const std::string platform = EnvironmentValue("QT_QPA_PLATFORM");
    const std::string wayland = EnvironmentValue("WAYLAND_DISPLAY");
    if (!CanShowStartMessage(headless, EnvironmentValue("DISPLAY"), wayland, platform))
        return kExitBadStart;
#ifndef _WIN32
    // A display that does not answer must not turn the refusal into a crash:
    // Qt falls back to drawing nowhere, where no box is shown.
    const std::string tried = !platform.empty() ? platform : wayland.empty() ? "xcb" : "wayland;xcb";
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(tried + ";" + kNowhere));
#endif
    const QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String(kNowhere)) {
        QApplication::setWindowIcon(ProgramIcon());
        QMessageBox::critical(nullptr, QStringLiteral("ZELMORA株価"), QString::fromLocal8Bit(message));
    }
    return kExitBadStart;
}

} // namespace zelmora
