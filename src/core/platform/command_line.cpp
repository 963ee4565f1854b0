#include "core/platform/command_line.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "core/version.h"

namespace zelmora {
namespace {

ParsedStart Fail(std::string error)
{
    return {std::nullopt, std::move(error)};
}

// Qt's own options (QGuiApplication's and QApplication's, X11's among them),
// which it reads from the same command line.
constexpr std::string_view kQtOptionsWithValue[] = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle", "-session", "-display", "-geometry", "-style", "-stylesheet", "-title", "-name"};
constexpr std::string_view kQtFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

bool IsQtOption(std::string_view arg, bool& takesValue)
{
    const std::string_view name = arg.substr(0, arg.find('='));
    for (std::string_view option : kQtOptionsWithValue) {
        if (name == option) {
            takesValue = name.size() == arg.size();
            return true;
        }
    }
    takesValue = false;
    // -qmljsdebugger=, -dialogs= and -fontengine= take their value after "=".
    return std::find(std::begin(kQtFlags), std::end(kQtFlags), arg) != std::end(kQtFlags) ||
           name == "-qmljsdebugger" || name == "-dialogs" || name == "-fontengine";
}

} // namespace

ParsedStart ParseStartOptions(const std::vector<std::string>& args)
{
    StartOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--")
            break;
        if (arg == "-h") {
            options.help = true;
            continue;
        }
        if (!arg.starts_with("-") || arg == "-")
            continue;
        if (!arg.starts_with("--")) {
            bool takesValue = false;
            if (!IsQtOption(arg, takesValue))
                return Fail("unknown option " + std::string(arg));
            i += takesValue ? 1 : 0;
            continue;
        }
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--folder" || arg.starts_with("--folder=")) {
            std::string folder;
            if (arg == "--folder") {
                if (i + 1 == args.size())
                    return Fail("--folder needs a folder");
                folder = args[++i];
            } else {
                folder = arg.substr(std::string_view("--folder=").size());
            }
            if (folder.empty())
                return Fail("--folder needs a folder");
            if (options.folder)
                return Fail("--folder given twice");
            options.folder = std::move(folder);
        } else {
            return Fail("unknown option " + std::string(arg));
        }
    }
    return {std::move(options), {}};
}

std::string StartUsageText()
{
    return "Usage: zelmora [--folder PATH] [--headless]\n"
           "       zelmora -h | --help | --version\n"
           "\n"
           "Keeps a watch list of Japanese stocks current, with the market indices,\n"
           "timely disclosures and mail, in a window and the notification area.\n"
           "\n"
           "  --folder PATH  keep base_data.ini, the link lists and the date folders\n"
           "                 in PATH, created when missing. Without it: the program's\n"
           "                 own folder when it holds base_data.ini or may be written,\n"
           "                 else $XDG_DATA_HOME/zelmora (~/.local/share/zelmora)\n"
           "  --headless     watch without a window and without a display: quote and\n"
           "                 disclosure passes, price and disclosure mails as the\n"
           "                 settings say, one line per pass and mail on stderr;\n"
           "                 SIGTERM, SIGINT or SIGHUP saves base_data.ini and ends it\n"
           "  -h, --help     show this text\n"
           "  --version      show the version\n"
           "\n"
           "Qt's own options (-platform NAME, -style NAME, -display HOST:N, ...) work\n"
           "as in every Qt program.\n"
           "One copy runs per program folder, with a window or headless: a second\n"
           "copy on the same folder ends at once.\n"
           "\n"
           "Exit status: 0 at a normal end; 2 for unusable arguments or a program\n"
           "folder that cannot be created or written.\n";
}

bool CanShowStartMessage(bool headless, [[maybe_unused]] const std::string& display,
                         [[maybe_unused]] const std::string& waylandDisplay, [[maybe_unused]] const std::string& qtPlatform)
{
    if (headless)
        return false;
#ifdef _WIN32
    return true;
#else
    if (!qtPlatform.empty())
        return !qtPlatform.starts_with("offscreen") && !qtPlatform.starts_with("minimal");
    return !display.empty() || !waylandDisplay.empty();
#endif
}

std::string StartVersionText()
{
    const FileVersion version = ReadFileVersion();
    return "zelmora " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.build) + "." + std::to_string(version.revision) + "\n";
}

} // namespace zelmora
