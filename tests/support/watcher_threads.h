#pragma once

#include <filesystem>
#include <fstream>
#include <string>

// The watcher's worker threads among the process's, by the names it gives
// them ("zelmora-quotes", "zelmora-mail", ...).
inline int WatcherThreadCount()
{
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        threads += name.rfind("zelmora-", 0) == 0 ? 1 : 0;
    }
    return threads;
}
