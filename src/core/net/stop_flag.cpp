#include "core/net/stop_flag.h"

#include <algorithm>

namespace zelmora {

StopFlag::StopFlag(StopFlag* parent) : m_parent(parent)
{
    if (m_parent) {
        const std::lock_guard hold(m_parent->m_mutex);
        m_parent->m_children.push_back(this);
    }
}

StopFlag::~StopFlag()
{
    if (m_parent) {
        const std::lock_guard hold(m_parent->m_mutex);
        auto& children = m_parent->m_children;
        children.erase(std::remove(children.begin(), children.end(), this), children.end());
    }
}

void StopFlag::Raise()
{
    m_raised.store(true);
    WakeAll();
}

void StopFlag::WakeAll() const
{
    const std::lock_guard hold(m_mutex);
    for (Waker* waker : m_wakers)
        waker->Wake();
    for (const StopFlag* child : m_children)
        child->WakeAll();
}

void StopFlag::AddWaker(Waker& waker) const
{
    const std::lock_guard hold(m_mutex);
    m_wakers.push_back(&waker);
}

void StopFlag::RemoveWaker(Waker& waker) const
{
    const std::lock_guard hold(m_mutex);
    m_wakers.erase(std::remove(m_wakers.begin(), m_wakers.end(), &waker), m_wakers.end());
}

} // namespace zelmora
