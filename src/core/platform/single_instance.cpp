#include "core/platform/single_instance.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>

#include "core/disclosure/document_path.h"
#include "core/platform/atomic_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
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

// A holder's text is two short lines.
constexpr std::size_t kMaxLockText = 4096;
constexpr std::string_view kWindowWord = "window";
constexpr std::string_view kHeadlessWord = "headless";

// The lock file's text, empty when there is none to read.
std::string ReadLockText(const std::string& path);

bool IsWhole(const LockHolder& holder)
{
    return holder.kind == LockHolder::Headless || (holder.kind == LockHolder::Window && !holder.raiseAddress.empty());
}

} // namespace

std::string DescribeLockHolder(const LockHolder& holder)
{
    if (holder.kind == LockHolder::Unknown)
        return {};
    std::string text(holder.kind == LockHolder::Window ? kWindowWord : kHeadlessWord);
    text += " " + std::to_string(holder.pid) + "\n";
    if (holder.kind == LockHolder::Window && !holder.raiseAddress.empty())
        text += holder.raiseAddress + "\n";
    return text;
}

LockHolder ParseLockHolder(std::string_view text)
{
    const std::size_t end = text.find('\n');
    const std::size_t space = text.substr(0, end).find(' ');
    if (end == std::string_view::npos || space == std::string_view::npos)
        return {};
    const std::string_view word = text.substr(0, space);
    long pid = 0;
    const char* last = text.data() + end;
    const auto [stop, error] = std::from_chars(text.data() + space + 1, last, pid);
    if (error != std::errc() || stop != last || pid <= 0 || (word != kWindowWord && word != kHeadlessWord))
        return {};
    LockHolder holder{word == kWindowWord ? LockHolder::Window : LockHolder::Headless, pid, {}};
    // Only an absolute path on a whole line is an address.
    const std::string_view next = text.substr(end + 1);
    const std::size_t nextEnd = next.find('\n');
    if (holder.kind == LockHolder::Window && nextEnd != std::string_view::npos && next.starts_with('/'))
        holder.raiseAddress = next.substr(0, nextEnd);
    return holder;
}

int SingleInstance::RemoveStaleTemporaryFiles(const std::string& date, std::filesystem::file_time_type startTime) const
{
    if (!m_held)
        return 0;
    return zelmora::RemoveStaleTemporaryFiles(m_folder, startTime) +
           RemoveStaleTemporaryFilesOfDate(m_folder, date, startTime);
}

LockHolder ReadLockHolder(const std::string& programFolder, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const LockHolder holder = ParseLockHolder(ReadLockText(InstanceLockPath(programFolder)));
        if (IsWhole(holder) || std::chrono::steady_clock::now() >= deadline)
            return holder;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

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

SingleInstance::SingleInstance(const std::string& programFolder) : m_folder(programFolder)
{
    m_mutex = CreateMutexA(nullptr, TRUE, InstanceName(programFolder).c_str());
    if (m_mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m_mutex);
        m_mutex = nullptr;
        m_first = false;
    }
    m_held = m_mutex != nullptr;
}

SingleInstance::~SingleInstance()
{
    if (m_mutex) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

// A mutex has no text; a second start learns nothing of its holder.
void SingleInstance::Announce(LockHolder::Kind, const std::string&) const {}

namespace {
std::string ReadLockText(const std::string&)
{
    return {};
}
} // namespace

std::string InstanceLockPath(const std::string& programFolder)
{
    return InstanceName(programFolder);
}

#else

std::string InstanceLockPath(const std::string& programFolder)
{
    return (std::filesystem::path(programFolder) / kLockFileName).string();
}

SingleInstance::SingleInstance(const std::string& programFolder) : m_folder(programFolder)
{
    const std::string path = InstanceLockPath(programFolder);
    const auto refuse = [&](const char* why) {
        m_error = "cannot use the program folder " + programFolder + ": its lock file " + kLockFileName + " " + why;
    };
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (m_fd < 0) {
        // A read-only folder needs no lock. A lock file that is there but
        // not ours to open (another user's, a link) may be another copy's.
        const int openError = errno;
        struct stat info {};
        if (openError != EROFS && lstat(path.c_str(), &info) == 0)
            refuse((std::string("cannot be opened: ") + std::strerror(openError)).c_str());
        return;
    }
    struct stat info {};
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        refuse("is not a file");
    } else if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_held = true;
        // What an earlier holder wrote is stale now.
        (void)!ftruncate(m_fd, 0);
        return;
    } else {
        // A file system without locks lets the program run unprotected.
        m_first = errno != EWOULDBLOCK;
    }
    close(m_fd);
    m_fd = -1;
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        close(m_fd);
}

// Emptied first, then written whole: a reader sees nothing yet, or the
// whole text, never an earlier holder's tail.
void SingleInstance::Announce(LockHolder::Kind kind, const std::string& raiseAddress) const
{
    if (!m_held)
        return;
    const std::string text = DescribeLockHolder({kind, static_cast<long>(getpid()), raiseAddress});
    if (ftruncate(m_fd, 0) == 0)
        (void)!pwrite(m_fd, text.data(), text.size(), 0);
}

namespace {
std::string ReadLockText(const std::string& path)
{
    // Not blocking: a pipe planted under the name must not hold us up.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::string text(kMaxLockText, '\0');
    struct stat info {};
    const ssize_t n = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? pread(fd, text.data(), text.size(), 0) : -1;
    close(fd);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}
} // namespace

#endif

} // namespace zelmora
