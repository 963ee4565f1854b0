#pragma once

#include <string>

namespace zelmora {

// The name by which copies of the program recognise each other.
inline constexpr const char* kInstanceName = "zelmora kabuka and kaiji by orvek";

// Holds the one-copy-per-program-folder lock for as long as it lives. The
// operating system drops the lock when the process ends, however it ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& programFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds the lock of the folder. Failing to
    // create the lock for any other reason lets the program run unprotected.
    bool IsFirst() const { return m_first; }

private:
    bool m_first = true;
#ifdef _WIN32
    void* m_mutex = nullptr;
#else
    int m_fd = -1;
#endif
};

// The lock's name for a program folder: the instance name and a hash of the
// folder's canonical path, so every spelling of one folder gives one name
// and each build of the program the same name.
std::string InstanceName(const std::string& programFolder);

// Where the lock file lives on Linux: $XDG_RUNTIME_DIR, else a private
// folder under /tmp; empty when that folder is not ours alone.
std::string InstanceLockPath(const std::string& programFolder);

} // namespace zelmora
