#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// Replaces the file at path with bytes: writes a temporary file in the same
// folder, flushes it to disk and renames it over the old one, so a crash or a
// full disk leaves either the old file or the new one. Returns false (and
// leaves the old file untouched) when any step fails.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace zelmora
