#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// What decides where the program keeps base_data.ini, the link lists and
// the date folders.
struct ProgramFolderInputs {
    std::optional<std::string> requested;      // --folder, as given
    std::string executableFolder;              // where the running program lies
    std::vector<std::string> installedFolders; // where an install puts the program
    std::string dataHome;                      // $XDG_DATA_HOME, may be empty
    std::string home;                          // $HOME, may be empty
};

struct ProgramFolder {
    std::string path;  // canonical, ending in '/'; empty when none can be used
    std::string error; // one line saying why, when path is empty
};

// In order: the requested folder, created when missing; the executable's
// folder when it holds base_data.ini or may be written (a portable folder),
// unless it is a folder an install puts the program in; the per-user
// folder $XDG_DATA_HOME/zelmora (~/.local/share/zelmora), created when
// missing. A folder the program creates is the user's alone (mode 0700).
ProgramFolder ResolveProgramFolder(const ProgramFolderInputs& inputs);

// True when the path ends with a separator: "/", and on Windows "\" too;
// elsewhere "\" is an ordinary character of a file name.
bool EndsWithSeparator(std::string_view path);

// The path of name in folder, joined with "/" unless the folder ends with a
// separator; name alone for an empty folder.
std::string PathInFolder(const std::string& folder, std::string_view name);

// The inputs of this process: its executable's folder, the install folders
// of this build and of its Debian package, and the environment.
ProgramFolderInputs ProgramFolderInputsOfThisProcess(std::optional<std::string> requested);

} // namespace zelmora
