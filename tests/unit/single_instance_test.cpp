#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "core/platform/single_instance.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

// Runs every test with its own lock folder, so nothing else's lock interferes.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            m_oldRuntimeDir = old;
        std::string pattern = (fs::temp_directory_path() / "zelmora-instance-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
        fs::create_directory(m_dir / "program");
        fs::create_directory(m_dir / "other");
    }
    void TearDown() override
    {
        if (m_oldRuntimeDir)
            setenv("XDG_RUNTIME_DIR", m_oldRuntimeDir->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::string Folder(const char* name = "program") const { return (m_dir / name).string(); }

    // Whether a fresh process would be the first copy on the folder.
    bool FirstInAnotherProcess() const
    {
        const std::string path = Folder();
        const pid_t child = fork();
        if (child == 0) {
            const SingleInstance instance(path);
            _exit(instance.IsFirst() ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }

    // A window that takes the lock, with its own runtime folder, and holds
    // it until its release pipe closes.
    struct Holder {
        pid_t pid = -1;
        int release = -1;
        bool first = false;
    };
    Holder StartHolder(const std::string& runtimeDir = {}) const
    {
        const std::string path = Folder();
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0)
            return {};
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            close(release[1]);
            if (!runtimeDir.empty())
                setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
            {
                const SingleInstance instance(path);
                instance.Announce(LockHolder::Window, runtimeDir + "/raise");
                const char state = instance.IsFirst() ? '1' : '0';
                (void)!write(ready[1], &state, 1);
                char c;
                (void)!read(release[0], &c, 1);
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        char state = '0';
        const bool reported = read(ready[0], &state, 1) == 1;
        close(ready[0]);
        return {child, release[1], reported && state == '1'};
    }

    static void Wait(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
    }

    fs::path m_dir;
    std::optional<std::string> m_oldRuntimeDir;
};

} // namespace

TEST_F(SingleInstanceTest, LockFileIsNamedAfterTheProgramFolder)
{
    const std::string name = InstanceName(Folder());
    EXPECT_TRUE(name.starts_with("zelmora kabuka and kaiji by orvek ")) << name;
    EXPECT_EQ(InstanceLockPath(Folder()), (m_dir / "program" / "zelmora.lock").string());
    const SingleInstance instance(Folder());
    EXPECT_TRUE(instance.IsFirst());
    EXPECT_TRUE(fs::exists(InstanceLockPath(Folder())));

    // Every spelling of the folder names the same lock; another folder another one.
    fs::create_directory_symlink(m_dir / "program", m_dir / "link");
    for (const fs::path& spelling : {m_dir / "program" / "", m_dir / "other" / ".." / "program", m_dir / "link"})
        EXPECT_EQ(InstanceName(spelling.string()), name) << spelling;
    EXPECT_NE(InstanceName(Folder("other")), name);
    // Builds by other compilers must agree on the name: a fixed hash, not std::hash.
    EXPECT_EQ(InstanceName("/"), "zelmora kabuka and kaiji by orvek af63a24c860189fe");
}

TEST_F(SingleInstanceTest, SecondCopyIsRefusedWhileTheFirstRuns)
{
    const Holder holder = StartHolder();
    ASSERT_GT(holder.pid, 0);
    EXPECT_TRUE(holder.first);
    EXPECT_FALSE(FirstInAnotherProcess());
    EXPECT_FALSE(SingleInstance(Folder()).IsFirst());

    close(holder.release); // the holder ends normally
    Wait(holder.pid);
    EXPECT_TRUE(FirstInAnotherProcess());
    EXPECT_TRUE(SingleInstance(Folder()).IsFirst());
}

TEST_F(SingleInstanceTest, KilledFirstCopyReleasesTheLock)
{
    const Holder holder = StartHolder();
    ASSERT_GT(holder.pid, 0);
    EXPECT_TRUE(holder.first);
    EXPECT_FALSE(FirstInAnotherProcess());

    kill(holder.pid, SIGKILL);
    Wait(holder.pid);
    close(holder.release);
    EXPECT_TRUE(FirstInAnotherProcess());
}

// The lock lies in the folder: copies with another runtime folder, or none,
// meet it and read what holds it.
TEST_F(SingleInstanceTest, CopiesOfOtherEnvironmentsMeetTheLockAndItsHolder)
{
    const Holder holder = StartHolder((m_dir / "other").string());
    ASSERT_GT(holder.pid, 0);
    EXPECT_TRUE(holder.first);
    for (const char* runtime : {"/run/user/elsewhere", static_cast<const char*>(nullptr)}) {
        runtime ? setenv("XDG_RUNTIME_DIR", runtime, 1) : unsetenv("XDG_RUNTIME_DIR");
        EXPECT_FALSE(SingleInstance(Folder()).IsFirst()) << (runtime ? runtime : "no XDG_RUNTIME_DIR");
        EXPECT_FALSE(FirstInAnotherProcess());
    }
    const LockHolder met = ReadLockHolder(Folder(), std::chrono::seconds(2));
    EXPECT_EQ(met.kind, LockHolder::Window);
    EXPECT_EQ(met.pid, holder.pid);
    EXPECT_EQ(met.raiseAddress, (m_dir / "other" / "raise").string());
    EXPECT_EQ(fs::status(InstanceLockPath(Folder())).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    close(holder.release);
    Wait(holder.pid);
}

// Only the holder cleans up, and its clean-up never takes the lock file.
TEST_F(SingleInstanceTest, OnlyTheHolderRemovesStaleTemporaryFiles)
{
    const SingleInstance first(Folder());
    std::ofstream(m_dir / "program" / "base_data.ini.Ab12Cd") << "in flight";
    const auto later = fs::file_time_type::clock::now() + std::chrono::hours(1);
    const SingleInstance second(Folder());
    ASSERT_FALSE(second.IsFirst());
    EXPECT_EQ(second.RemoveStaleTemporaryFiles("20261207", later), 0);
    EXPECT_EQ(first.RemoveStaleTemporaryFiles("20261207", later), 1);
    EXPECT_TRUE(fs::exists(InstanceLockPath(Folder())));
    EXPECT_FALSE(SingleInstance(Folder()).IsFirst());
}

// A lock file that is a link is nobody's lock: the start is refused and
// nothing is made where it points.
TEST_F(SingleInstanceTest, ALinkInPlaceOfTheLockFileRefusesTheStart)
{
    fs::create_symlink(m_dir / "elsewhere", InstanceLockPath(Folder()));
    const SingleInstance instance(Folder());
    EXPECT_NE(instance.Error().find("its lock file zelmora.lock"), std::string::npos) << instance.Error();
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere"));
}
