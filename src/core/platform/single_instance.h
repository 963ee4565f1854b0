#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelmora {

// The name by which copies of the program recognise each other.
inline constexpr const char* kInstanceName = "zelmora kabuka and kaiji by orvek";

// The lock file in the program folder. Its extension is four letters, so no
// clean-up of temporary files (a dot and six letters or digits) takes it.
inline constexpr const char* kLockFileName = "zelmora.lock";

// The copy that holds a program folder, as its lock file tells a second one.
struct LockHolder {
    enum Kind { Unknown, Window, Headless };
    Kind kind = Unknown;
    long pid = 0;
    // A window's socket where a second start asks it to come to the front;
    // empty until it listens.
    std::string raiseAddress;
};

// The lock file's text: "window <pid>\n<raise address>\n" or "headless <pid>\n".
std::string DescribeLockHolder(const LockHolder& holder);
// Unknown for a text that is not whole yet or not of this form.
LockHolder ParseLockHolder(std::string_view text);

// Holds the one-copy-per-program-folder lock for as long as it lives: a
// file in the folder itself, so every copy on the folder meets it whatever
// its environment. The operating system drops the lock when the process
// ends, however it ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& programFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds the lock of the folder. A folder that
    // takes no lock (read-only, no locks on its file system) lets the
    // program run unprotected.
    bool IsFirst() const { return m_first; }
    // Why the folder cannot be used: its lock file is there but not ours to
    // take. Empty otherwise.
    const std::string& Error() const { return m_error; }

    // Writes into the lock file what this copy is, for a second start to read.
    void Announce(LockHolder::Kind kind, const std::string& raiseAddress = {}) const;

    // Removes the temporary files of cut-short saves older than startTime
    // from the program folder and the stock folders of date. Only the copy
    // that holds the lock may: another's save may be in flight.
    int RemoveStaleTemporaryFiles(const std::string& date, std::filesystem::file_time_type startTime) const;

private:
    std::string m_folder;
    bool m_first = true;
    bool m_held = false;
    std::string m_error;
#ifdef _WIN32
    void* m_mutex = nullptr;
#else
    int m_fd = -1;
#endif
};

// What the lock file of the folder says of its holder. A holder that has
// only just taken the lock has not written it yet: waits for that, but no
// longer than patience.
LockHolder ReadLockHolder(const std::string& programFolder, std::chrono::milliseconds patience);

// The instance name of a program folder, the name of the lock on Windows:
// the instance name and a hash of the folder's canonical path, so every
// spelling of one folder gives one name and each build the same name.
std::string InstanceName(const std::string& programFolder);

// The lock: the file zelmora.lock in the folder, or on Windows the name of
// the mutex.
std::string InstanceLockPath(const std::string& programFolder);

} // namespace zelmora
