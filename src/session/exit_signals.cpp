#include "session/exit_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zelmora {
namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte down the pipe.
void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[0], &byte, 1);
}

} // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitSignals::Drain);

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

ExitSignals::~ExitSignals()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void ExitSignals::Drain()
{
    char buffer[64];
    while (read(g_signalPipe[1], buffer, sizeof buffer) > 0) {
    }
    emit ExitRequested();
}

} // namespace zelmora
