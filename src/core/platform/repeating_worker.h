#pragma once

#include <functional>
#include <mutex>
#include <thread>

namespace zelmora {

// One thread for one kind of work, alive only while there is work: asked
// while a round runs, it runs one more round when that one ends, however
// often it was asked meanwhile. So there is never more than one thread, and
// never a pile of rounds waiting.
class RepeatingWorker {
public:
    // The name (at most 15 bytes) shows in the system's thread lists.
    RepeatingWorker(const char* name, std::function<void()> round);
    ~RepeatingWorker();
    RepeatingWorker(const RepeatingWorker&) = delete;
    RepeatingWorker& operator=(const RepeatingWorker&) = delete;

    // Starts a round, or marks one more after the running one. Does nothing
    // once stopped.
    void Request();
    // Starts no further round and waits for the running one to end.
    void Stop();
    bool IsBusy() const;

private:
    void Run();

    const char* const m_name;
    const std::function<void()> m_round;
    mutable std::mutex m_mutex;
    bool m_busy = false;
    bool m_again = false;
    bool m_stopped = false;
    std::thread m_thread;
};

} // namespace zelmora
