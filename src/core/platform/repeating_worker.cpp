#include "core/platform/repeating_worker.h"

#include <system_error>

#ifdef __linux__
#include <pthread.h>
#endif

namespace zelmora {

RepeatingWorker::RepeatingWorker(const char* name, std::function<void()> round) : m_name(name), m_round(std::move(round)) {}

RepeatingWorker::~RepeatingWorker()
{
    Stop();
}

void RepeatingWorker::Request()
{
    const std::lock_guard hold(m_mutex);
    if (m_stopped)
        return;
    if (m_busy) {
        m_again = true;
        return;
    }
    // The last thread has left its loop; joining it only waits for its return.
    if (m_thread.joinable())
        m_thread.join();
    try {
        m_thread = std::thread([this] { Run(); });
        m_busy = true;
    } catch (const std::system_error&) {
        // No thread, no round: the next request tries again.
    }
}

void RepeatingWorker::Run()
{
#ifdef __linux__
    pthread_setname_np(pthread_self(), m_name);
#endif
    for (;;) {
        try {
            m_round();
        } catch (...) {
            // A round that fails (memory) ends; the next one may fare better.
        }
        const std::lock_guard hold(m_mutex);
        if (!m_again || m_stopped) {
            m_busy = false;
            return;
        }
        m_again = false;
    }
}

void RepeatingWorker::Stop()
{
    std::thread last;
    {
        const std::lock_guard hold(m_mutex);
        m_stopped = true;
        last = std::move(m_thread);
    }
    if (last.joinable())
        last.join();
}

bool RepeatingWorker::IsBusy() const
{
    const std::lock_guard hold(m_mutex);
    return m_busy;
}

} // namespace zelmora
