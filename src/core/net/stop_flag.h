#pragma once

#include <atomic>
#include <mutex>
#include <vector>

namespace zelmora {

// Ends transfers in flight: every transfer given a flag checks it while it
// waits, and the transfers running when the flag is raised are woken at
// once by their wakers. A flag may follow a parent, so closing the program
// (the parent) also stops what a single lookup's own flag covers.
class StopFlag {
public:
    // What a running transfer does to notice a raised flag at once.
    class Waker {
    public:
        virtual void Wake() = 0;

    protected:
        ~Waker() = default;
    };

    explicit StopFlag(StopFlag* parent = nullptr);
    ~StopFlag();
    StopFlag(const StopFlag&) = delete;
    StopFlag& operator=(const StopFlag&) = delete;

    // Raises the flag and wakes the transfers of this flag and its children.
    void Raise();
    void Lower() { m_raised.store(false); }
    bool IsRaised() const { return m_raised.load() || (m_parent && m_parent->IsRaised()); }

    void AddWaker(Waker& waker) const;
    void RemoveWaker(Waker& waker) const;

private:
    void WakeAll() const;

    StopFlag* const m_parent;
    std::atomic<bool> m_raised{false};
    mutable std::mutex m_mutex;
    mutable std::vector<Waker*> m_wakers;
    std::vector<StopFlag*> m_children;
};

} // namespace zelmora
