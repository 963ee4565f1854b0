#pragma once

#include <string>

namespace zelmora {

// A start on a program folder that another copy holds: a window start
// brings the running window up; one that meets another kind of copy says
// on stderr what it met. Returns the exit status, 0.
int MeetRunningCopy(const std::string& programFolder, bool headless, int argc, char* argv[]);

// A start that cannot use its program folder: says why on stderr and, since
// a start from the desktop's menu has no terminal, in a message box when a
// display is there. Returns the exit status for a refused start.
int RefuseStart(const std::string& message, bool headless, int argc, char* argv[]);

} // namespace zelmora
