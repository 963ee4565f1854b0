#include "core/platform/single_instance.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

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
namespace {

// FNV-1a: the same value from every compiler and build, unlike std::hash.
std::uint64_t StableHash(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

std::string InstanceName(const std::string& programFolder)
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(programFolder, error);
    if (error)
        folder = programFolder;
    if (!folder.has_filename())
        folder = folder.parent_path();
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(StableHash(folder.string())));
    return std::string(kInstanceName) + " " + hash;
}

#ifdef _WIN32

SingleInstance::SingleInstance(const std::string& programFolder)
{
    m_mutex = CreateMutexA(nullptr, TRUE, InstanceName(programFolder).c_str());
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

std::string InstanceLockPath(const std::string& programFolder)
{
    return InstanceName(programFolder);
}

#else

std::string InstanceLockPath(const std::string& programFolder)
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
    return folder + "/" + InstanceName(programFolder);
}

SingleInstance::SingleInstance(const std::string& programFolder)
{
    const std::string path = InstanceLockPath(programFolder);
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
