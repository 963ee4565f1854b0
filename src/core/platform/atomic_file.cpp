#include "core/platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelmora {

namespace {

// mkstemp replaces the X's with letters and digits.
constexpr std::string_view kTemporarySuffix = ".XXXXXX";

bool IsAsciiLetterOrDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool IsTemporaryFileName(std::string_view name)
{
    if (name.size() <= kTemporarySuffix.size())
        return false;
    const std::string_view suffix = name.substr(name.size() - kTemporarySuffix.size());
    if (suffix.front() != '.')
        return false;
    for (char c : suffix.substr(1)) {
        if (!IsAsciiLetterOrDigit(c))
            return false;
    }
    return true;
}

int RemoveStaleTemporaryFiles(const std::string& folder, std::filesystem::file_time_type startTime)
{
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        const fs::directory_entry& entry = *it;
        if (!entry.is_regular_file(ignored) || entry.is_symlink(ignored) ||
            !IsTemporaryFileName(entry.path().filename().string()))
            continue;
        const fs::file_time_type written = entry.last_write_time(ignored);
        if (!ignored && written < startTime && fs::remove(entry.path(), ignored))
            ++removed;
    }
    return removed;
}

#ifdef _WIN32

bool WriteFileAtomically(const std::string& path, std::string_view bytes, FileReaders)
{
    const std::string temp = path + ".tmp";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok || !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool OthersMayRead(const std::string&)
{
    return false;
}

#else

namespace {

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

mode_t ModeOfReplacement(const std::string& path, FileReaders readers)
{
    struct stat old {};
    const bool exists = stat(path.c_str(), &old) == 0;
    if (readers == FileReaders::OwnerOnly)
        return exists ? (old.st_mode & 0600) : 0600;
    return exists ? (old.st_mode & 07777) : 0644;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, FileReaders readers)
{
    std::string temp = path + std::string(kTemporarySuffix);
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    fchmod(fd, ModeOfReplacement(path, readers));
    const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        // The caller tells the user why, from errno.
        const int error = errno;
        unlink(temp.c_str());
        errno = error;
        return false;
    }
    // Make the rename itself durable.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

bool OthersMayRead(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

#endif

} // namespace zelmora
