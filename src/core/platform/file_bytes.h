#pragma once

#include <optional>
#include <string>

namespace zelmora {

// The whole file as bytes; nothing when it cannot be opened or read (a
// folder opens but does not read).
std::optional<std::string> ReadFileBytes(const std::string& path);

} // namespace zelmora
