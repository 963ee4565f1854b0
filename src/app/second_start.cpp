#include "app/second_start.h"

#include <QCoreApplication>

#include <chrono>
#include <iostream>

#include "core/platform/single_instance.h"
#include "gui/raise_listener.h"

namespace zelmora {
namespace {

// A copy that has just taken the lock writes what it is at once, a window
// its address once it listens.
constexpr std::chrono::milliseconds kPatience{1000};

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

} // namespace zelmora
