#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/command_line.h"
#include "core/platform/program_folder.h"

using namespace zelmora;
namespace fs = std::filesystem;

TEST(StartOptions, CommandLines)
{
    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> folder;
        bool help;
        std::string error; // empty: usable
        bool headless = false;
    };
    const Case cases[] = {
        {{}, std::nullopt, false, ""},
        {{"--folder", "/data/zelmora"}, "/data/zelmora", false, ""},
        {{"--folder=/data/zel mora"}, "/data/zel mora", false, ""},
        {{"--folder", "-odd-name"}, "-odd-name", false, ""},
        // Qt's own options and their values are left to Qt.
        {{"-platform", "offscreen", "--folder", "f", "-session", "1a2b"}, "f", false, ""},
        {{"--help"}, std::nullopt, true, ""},
        {{"--headless", "--folder", "f"}, "f", false, "", true},
        {{"--", "--headless"}, std::nullopt, false, ""},
        {{"--", "--anything"}, std::nullopt, false, ""},
        {{"--folder"}, std::nullopt, false, "--folder needs a folder"},
        {{"--folder="}, std::nullopt, false, "--folder needs a folder"},
        {{"--folder", ""}, std::nullopt, false, "--folder needs a folder"},
        {{"--folder", "a", "--folder=b"}, std::nullopt, false, "--folder given twice"},
        {{"--foldr", "a"}, std::nullopt, false, "unknown option --foldr"},
        {{"-h"}, std::nullopt, true, ""},
        {{"-style=fusion", "-reverse", "-display", ":1", "f"}, std::nullopt, false, ""},
        {{"-x"}, std::nullopt, false, "unknown option -x"},
        {{"-platformx", "offscreen"}, std::nullopt, false, "unknown option -platformx"},
    };
    for (const Case& c : cases) {
        const ParsedStart parsed = ParseStartOptions(c.args);
        const std::string shown = ::testing::PrintToString(c.args);
        EXPECT_EQ(parsed.error, c.error) << shown;
        ASSERT_EQ(parsed.options.has_value(), c.error.empty()) << shown;
        if (parsed.options) {
            EXPECT_EQ(parsed.options->folder, c.folder) << shown;
            EXPECT_EQ(parsed.options->help, c.help) << shown;
            EXPECT_EQ(parsed.options->headless, c.headless) << shown;
        }
    }
    EXPECT_TRUE(ParseStartOptions({"--version"}).options->version);
    EXPECT_NE(StartUsageText().find("--folder PATH"), std::string::npos);
    EXPECT_NE(StartUsageText().find("--headless"), std::string::npos);
    EXPECT_EQ(StartVersionText(), "zelmora 6.5.0.0\n");
}

namespace {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zelmora-folder-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = fs::canonical(pattern);
        fs::create_directories(m_dir / "bin");
        fs::create_directories(m_dir / "home");
        std::ofstream(m_dir / "a-file") << "x";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    std::string At(const std::string& name) const { return (m_dir / name).string(); }

    // The executable's folder is writable (as it is under root anyway) but
    // is where an install puts the program.
    ProgramFolderInputs Installed() const { return {std::nullopt, At("bin"), {At("bin")}, "", At("home")}; }

    static unsigned Mode(const std::string& path)
    {
        struct stat info {};
        stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }

    fs::path m_dir;
};

} // namespace

TEST_F(ProgramFolderTest, EachRuleInTurn)
{
    struct Case {
        const char* what;
        ProgramFolderInputs inputs;
        std::string folder;
    };
    ProgramFolderInputs requested = Installed();
    requested.requested = At("home/../given/deeper/");
    ProgramFolderInputs portable = Installed();
    portable.installedFolders = {"/usr/bin"};
    ProgramFolderInputs portableSpelledOtherwise = Installed();
    portableSpelledOtherwise.executableFolder = At("bin/.");
    ProgramFolderInputs dataHome = Installed();
    dataHome.dataHome = At("data");
    ProgramFolderInputs relativeDataHome = Installed();
    relativeDataHome.dataHome = "data";
    // A backslash is an ordinary character of a file name here.
    ProgramFolderInputs backslash = Installed();
    backslash.requested = At("given\\");
    ProgramFolderInputs unknownExecutable = Installed();
    unknownExecutable.executableFolder.clear();
    const Case cases[] = {
        {"--folder first, made with its parents", requested, At("given/deeper/")},
        {"a writable executable's folder", portable, At("bin/")},
        {"the install folder by another spelling", portableSpelledOtherwise, At("home/.local/share/zelmora/")},
        {"the install folder: per-user", Installed(), At("home/.local/share/zelmora/")},
        {"XDG_DATA_HOME", dataHome, At("data/zelmora/")},
        {"a relative XDG_DATA_HOME is ignored", relativeDataHome, At("home/.local/share/zelmora/")},
        {"no executable's folder known", unknownExecutable, At("home/.local/share/zelmora/")},
        {"--folder ending in a backslash", backslash, At("given\\/")},
    };
    for (const Case& c : cases) {
        const ProgramFolder folder = ResolveProgramFolder(c.inputs);
        EXPECT_EQ(folder.path, c.folder) << c.what << ": " << folder.error;
        EXPECT_TRUE(fs::is_directory(folder.path)) << c.what;
    }
    // What the program makes is the user's alone, parents included.
    for (const char* made : {"given", "given/deeper", "home/.local", "home/.local/share/zelmora", "data/zelmora"})
        EXPECT_EQ(Mode(At(made)), 0700u) << made;
}

TEST_F(ProgramFolderTest, AnUnwritableExecutablesFolderIsPortableOnlyWithASettingsFile)
{
    ProgramFolderInputs inputs = Installed();
    inputs.installedFolders = {At("elsewhere")};
    chmod(At("bin").c_str(), 0555);
    // Root writes anywhere: there the folder stays portable either way.
    if (access(At("bin").c_str(), W_OK) != 0) {
        EXPECT_EQ(ResolveProgramFolder(inputs).path, At("home/.local/share/zelmora/"));
    }
    chmod(At("bin").c_str(), 0755);
    std::ofstream(m_dir / "bin" / "base_data.ini") << "[MEIGARA_DATA]\r\n";
    chmod(At("bin").c_str(), 0555);
    EXPECT_EQ(ResolveProgramFolder(inputs).path, At("bin/"));
    chmod(At("bin").c_str(), 0755);
}

TEST_F(ProgramFolderTest, UnusableFoldersAreRefusedWithAReasonAndNothingMade)
{
    struct Case {
        std::string requested;
        std::string error;
    };
    const Case cases[] = {
        {At("a-file"), "cannot use " + At("a-file") + " as the program folder: it is not a folder"},
        {At("a-file/below"), "cannot create the program folder " + At("a-file/below") + ": Not a directory"},
        {"/proc/zelmora-cannot-be/made", "cannot create the program folder /proc/zelmora-cannot-be/made: "},
    };
    for (const Case& c : cases) {
        ProgramFolderInputs inputs = Installed();
        inputs.requested = c.requested;
        const ProgramFolder folder = ResolveProgramFolder(inputs);
        EXPECT_EQ(folder.path, "") << c.requested;
        EXPECT_TRUE(folder.error.starts_with(c.error)) << folder.error;
    }
    ProgramFolderInputs nowhere = Installed();
    nowhere.home.clear();
    EXPECT_EQ(ResolveProgramFolder(nowhere).path, "");
    EXPECT_NE(ResolveProgramFolder(nowhere).error.find("HOME"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "home" / ".local"));
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(m_dir), {}).size(), 3u);
}

// A refused start shows a box only where someone can see it and close it.
TEST(StartOptions, RefusedStartShowsABoxOnlyOnADisplay)
{
    EXPECT_TRUE(CanShowStartMessage(false, ":0", "", ""));
    EXPECT_TRUE(CanShowStartMessage(false, "", "wayland-0", ""));
    EXPECT_TRUE(CanShowStartMessage(false, "", "", "xcb"));
    EXPECT_FALSE(CanShowStartMessage(true, ":0", "wayland-0", "xcb"));
    EXPECT_FALSE(CanShowStartMessage(false, "", "", ""));
    EXPECT_FALSE(CanShowStartMessage(false, ":0", "", "offscreen"));
    EXPECT_FALSE(CanShowStartMessage(false, "", "", "minimal"));
}
