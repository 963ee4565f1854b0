#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelmora {

// What zelmora is asked for on its command line.
struct StartOptions {
    std::optional<std::string> folder; // --folder PATH, as given
    bool headless = false;             // --headless: the watcher without a window
    bool help = false;
    bool version = false;
};

struct ParsedStart {
    std::optional<StartOptions> options; // set when the arguments are usable
    std::string error;                   // one line, otherwise
};

// Exit status for unusable arguments or a program folder that cannot be used.
constexpr int kExitBadStart = 2;

// Reads the arguments after the program name. The "--" options and -h are
// ours; Qt's own one-dash options and their values (-platform NAME, -session
// ID from a session manager) are left for Qt to read; any other option is
// unusable.
ParsedStart ParseStartOptions(const std::vector<std::string>& args);

std::string StartUsageText();

// Whether a refused start shows its message in a box as well: not headless,
// and a display there (X, Wayland, or a Qt platform named that draws
// somewhere: on offscreen or minimal the box would wait for a click that
// never comes).
bool CanShowStartMessage(bool headless, const std::string& display, const std::string& waylandDisplay,
                         const std::string& qtPlatform);

// "zelmora 6.5.0.0" and a line end.
std::string StartVersionText();

} // namespace zelmora
