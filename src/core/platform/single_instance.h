#pragma once

#include <string>

namespace zelmora {

// The name by which copies of the program recognise each other.
inline constexpr const char* kInstanceName = "zelmora kabuka and kaiji by orvek";

// Holds the one-copy-per-desktop lock for as long as it lives. The operating
// system drops the lock when the process ends, however it ends.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds the lock. Failing to create the lock
    // for any other reason lets the program run unprotected.
    bool IsFirst() const { return m_first; }

private:
    bool m_first = true;
#ifdef _WIN32
    void* m_mutex = nullptr;
#else
    int m_fd = -1;
#endif
};

// Where the lock file lives on Linux: $XDG_RUNTIME_DIR, else a private
// folder under /tmp; empty when that folder is not ours alone.
std::string InstanceLockPath();

} // namespace zelmora
