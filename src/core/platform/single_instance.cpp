#include "core/platform/single_instance.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelmora {

#ifdef _WIN32

SingleInstance::SingleInstance()
{
    m_mutex = CreateMutexA(nullptr, TRUE, kInstanceName);
    if (m_mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m_mutex);
        m_mutex = nullptr;
        m_first = false;
    }
}

SingleInstance::~SingleInstance()
{
    if (m_mutex) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

std::string InstanceLockPath()
{
    return kInstanceName;
}

#else

std::string InstanceLockPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && *runtime) {
        folder = runtime;
    } else {
        folder = "/tmp/zelmora-" + std::to_string(getuid());
        mkdir(folder.c_str(), 0700);
        // Another user may have made the folder first to hold our lock.
        struct stat info {};
        if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
            (info.st_mode & 077) != 0)
            return {};
    }
    return folder + "/" + kInstanceName;
}

SingleInstance::SingleInstance()
{
    const std::string path = InstanceLockPath();
    if (path.empty())
        return;
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return;
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_first = errno != EWOULDBLOCK;
        close(m_fd);
        m_fd = -1;
    }
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        close(m_fd);
}

#endif

} // namespace zelmora
