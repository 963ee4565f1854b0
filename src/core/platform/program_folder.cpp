#include "core/platform/program_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/settings/settings.h"
#include "zelmora_version.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zelmora {
namespace {

namespace fs = std::filesystem;

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool IsWritableFolder(const fs::path& folder)
{
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return false;
#ifdef _WIN32
    return true;
#else
    return access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

bool IsThere(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Makes the folder and any missing folder above it. Empty when it is there,
// else why not.
std::string MakeFolder(const fs::path& folder)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return {};
    if (IsThere(folder))
        return std::strerror(ENOTDIR);
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder) {
        if (std::string why = MakeFolder(parent); !why.empty())
            return why;
    }
#ifdef _WIN32
    if (!fs::create_directory(folder, error) && error)
        return error.message();
#else
    // Settings and mail logins live here: nobody else's business.
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::strerror(errno);
#endif
    return {};
}

ProgramFolder Usable(const fs::path& folder)
{
    std::error_code error;
    std::string path = fs::canonical(folder, error).string();
    if (error)
        return {{}, "cannot use the program folder " + folder.string() + ": " + error.message()};
    if (!EndsWithSeparator(path))
        path += static_cast<char>(fs::path::preferred_separator);
    return {std::move(path), {}};
}

// The folder the program made or was given: created when missing, and it
// must take new files.
ProgramFolder Prepared(const fs::path& folder)
{
    const fs::path normal = fs::absolute(folder).lexically_normal();
    const fs::path named = normal.has_filename() ? normal : normal.parent_path();
    std::error_code error;
    if (IsThere(named) && !fs::is_directory(named, error))
        return {{}, "cannot use " + named.string() + " as the program folder: it is not a folder"};
    if (std::string why = MakeFolder(named); !why.empty())
        return {{}, "cannot create the program folder " + named.string() + ": " + why};
    if (!IsWritableFolder(named))
        return {{}, "cannot write in the program folder " + named.string()};
    return Usable(named);
}

bool SameFolder(const std::string& a, const std::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, error);
}

bool IsPortable(const ProgramFolderInputs& inputs)
{
    const std::string& folder = inputs.executableFolder;
    if (folder.empty())
        return false;
    for (const std::string& installed : inputs.installedFolders) {
        if (SameFolder(folder, installed))
            return false;
    }
    std::error_code error;
    return fs::is_regular_file(SettingsFilePath(folder), error) || IsWritableFolder(folder);
}

fs::path PerUserFolder(const ProgramFolderInputs& inputs)
{
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    if (!inputs.dataHome.empty() && fs::path(inputs.dataHome).is_absolute())
        return fs::path(inputs.dataHome) / "zelmora";
    if (!inputs.home.empty())
        return fs::path(inputs.home) / ".local" / "share" / "zelmora";
    return {};
}

std::string ExecutableFolder()
{
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? fs::path(std::string(path, n)).parent_path().string() : std::string();
#else
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
#endif
}

std::string HomeFolder()
{
    std::string home = EnvironmentValue("HOME");
#ifndef _WIN32
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    }
#endif
    return home;
}

} // namespace

bool EndsWithSeparator(std::string_view path)
{
#ifdef _WIN32
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
#else
    return !path.empty() && path.back() == '/';
#endif
}

std::string PathInFolder(const std::string& folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    return folder + (EndsWithSeparator(folder) ? "" : "/") + std::string(name);
}

ProgramFolder ResolveProgramFolder(const ProgramFolderInputs& inputs)
{
    if (inputs.requested)
        return Prepared(*inputs.requested);
    if (IsPortable(inputs))
        return Usable(inputs.executableFolder);
    const fs::path perUser = PerUserFolder(inputs);
    if (perUser.empty())
        return {{}, "no folder for the program's files: neither XDG_DATA_HOME nor HOME is set"};
    return Prepared(perUser);
}

ProgramFolderInputs ProgramFolderInputsOfThisProcess(std::optional<std::string> requested)
{
    // A package made from a build configured for /usr/local still goes to /usr.
    return {std::move(requested), ExecutableFolder(), {ZELMORA_INSTALLED_BIN_FOLDER, ZELMORA_PACKAGED_BIN_FOLDER},
            EnvironmentValue("XDG_DATA_HOME"), HomeFolder()};
}

} // namespace zelmora
