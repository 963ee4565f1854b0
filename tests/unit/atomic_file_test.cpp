#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/disclosure/document_path.h"
#include "core/platform/atomic_file.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-atomic-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static mode_t Mode(const std::string& path)
    {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    fs::path m_dir;
};

} // namespace

TEST_F(AtomicFile, CreatesANewFileWithExactlyTheBytes)
{
    const std::string bytes("a\r\nb\0c\x83\x5D\n", 9);
    const std::string path = PathOf("base_data.ini");
    ASSERT_TRUE(WriteFileAtomically(path, bytes));
    EXPECT_EQ(Read(path), bytes);
    EXPECT_EQ(Mode(path), 0644u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"base_data.ini"});
}

TEST_F(AtomicFile, ReplacesTheOldFileWholeAndKeepsItsPermissions)
{
    const std::string path = PathOf("base_data.ini");
    std::ofstream(path, std::ios::binary) << "old contents that are longer";
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);

    // A reader that opened the old file keeps seeing it: the file is replaced, not rewritten.
    const int reader = open(path.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    char buffer[64] = {};
    const ssize_t n = read(reader, buffer, sizeof buffer);
    close(reader);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "old contents that are longer");

    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(Mode(path), 0600u);
    ASSERT_TRUE(WriteFileAtomically(path, ""));
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(Entries(), std::vector<std::string>{"base_data.ini"});
}

TEST_F(AtomicFile, FailsWithoutLeavingAnythingBehind)
{
    EXPECT_FALSE(WriteFileAtomically(PathOf("missing/base_data.ini"), "x"));
    fs::create_directory(PathOf("folder"));
    std::ofstream(PathOf("folder/inside")) << "kept";
    EXPECT_FALSE(WriteFileAtomically(PathOf("folder"), "x"));
    EXPECT_EQ(Read(PathOf("folder/inside")), "kept");
    EXPECT_EQ(Entries(), std::vector<std::string>{"folder"});
}

TEST_F(AtomicFile, BareFileNameIsWrittenInTheCurrentFolder)
{
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const bool written = WriteFileAtomically("base_data.ini", "here");
    fs::current_path(before);
    ASSERT_TRUE(written);
    EXPECT_EQ(Read(PathOf("base_data.ini")), "here");
}

namespace {

// A day before the test: older than any running copy.
void Age(const fs::path& path)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24));
}

} // namespace

TEST_F(AtomicFile, StaleTemporaryFilesGoAndNothingElse)
{
    struct Case {
        std::string name;
        bool removed;
    };
    const Case cases[] = {
        {"base_data.ini.a1B2c3", true},
        {"kaijistr.txt.XXXXXX", true},
        {"140120261207512345.pdf.Zz9900", true},
        {"base_data.ini", false},
        {"base_data.ini.bak", false},
        {"base_data.ini.a1B2c", false},
        {"base_data.ini.a1B2c3d", false},
        {"base_data.ini.a1-2c3", false},
        {"base_data.ini_a1B2c3", false},
        {".a1B2c3", false},
        {"kaijistr.txt.\x83\x41\x83\x42\x83\x43", false},
        {"memo.txt", false},
    };
    for (const Case& c : cases) {
        std::ofstream(PathOf(c.name)) << "x";
        Age(PathOf(c.name));
    }
    fs::create_directory(PathOf("folder.a1B2c3"));
    Age(PathOf("folder.a1B2c3"));
    fs::create_symlink(PathOf("memo.txt"), PathOf("link.a1B2c3"));
    const auto start = fs::file_time_type::clock::now();
    // Written after the start: a save of the running copy, in flight.
    std::ofstream(PathOf("fresh.txt.Qw12Er")) << "x";
    fs::last_write_time(PathOf("fresh.txt.Qw12Er"), start + std::chrono::seconds(1));

    EXPECT_EQ(RemoveStaleTemporaryFiles(m_dir.string(), start), 3);
    for (const Case& c : cases)
        EXPECT_EQ(fs::exists(PathOf(c.name)), !c.removed) << c.name;
    for (const char* kept : {"folder.a1B2c3", "link.a1B2c3", "fresh.txt.Qw12Er"})
        EXPECT_TRUE(fs::exists(fs::symlink_status(PathOf(kept)))) << kept;
    EXPECT_EQ(RemoveStaleTemporaryFiles(PathOf("missing"), start), 0);
}

TEST_F(AtomicFile, StaleTemporaryFilesOfADateGoFromEveryStocksFolder)
{
    for (const char* code : {"7203", "6758"}) {
        fs::create_directories(m_dir / "20261207" / code);
        for (const char* name : {"kaijistr.txt", "kaijistr.txt.a1B2c3", "doc.pdf.Zz9900"}) {
            std::ofstream(m_dir / "20261207" / code / name) << "x";
            Age(m_dir / "20261207" / code / name);
        }
    }
    fs::create_directories(m_dir / "20261206" / "7203");
    std::ofstream(m_dir / "20261206" / "7203" / "kaijistr.txt.a1B2c3") << "x";
    Age(m_dir / "20261206" / "7203" / "kaijistr.txt.a1B2c3");

    const auto start = fs::file_time_type::clock::now();
    EXPECT_EQ(RemoveStaleTemporaryFilesOfDate(m_dir.string() + "/", "20261207", start), 4);
    EXPECT_TRUE(fs::exists(m_dir / "20261207" / "7203" / "kaijistr.txt"));
    EXPECT_TRUE(fs::exists(m_dir / "20261207" / "6758" / "kaijistr.txt"));
    EXPECT_TRUE(fs::exists(m_dir / "20261206" / "7203" / "kaijistr.txt.a1B2c3")); // another date, not opened
    EXPECT_EQ(RemoveStaleTemporaryFilesOfDate(m_dir.string(), "..", start), 0);
}
