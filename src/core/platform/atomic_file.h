#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zelmora {

// Who may read a file the program replaces.
enum class FileReaders {
    AsBefore,  // the old file's permissions; a new file gets rw-r--r--
    OwnerOnly, // rw------- at most, also for an old file that let others read it
};

// Replaces the file at path with bytes: writes a temporary file in the same
// folder, flushes it to disk and renames it over the old one, so a crash or a
// full disk leaves either the old file or the new one. Returns false (and
// leaves the old file untouched) when any step fails. The permissions are
// set whatever the umask says.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         FileReaders readers = FileReaders::AsBefore);

// Whether users other than the owner may read the file (false when it is
// missing; always false where files have no such permission bits).
bool OthersMayRead(const std::string& path);

// True for a name shaped like WriteFileAtomically's temporary files: a
// name, a dot and six letters or digits (what mkstemp makes of "XXXXXX").
bool IsTemporaryFileName(std::string_view name);

// Removes from the folder (not below it) the temporary files that a save
// cut short left behind: files named like WriteFileAtomically's temporary
// files (the file's name, a dot and six letters or digits from mkstemp) and
// last written before startTime, the start of this copy, which alone writes
// in its program folder. Returns how many it removed.
int RemoveStaleTemporaryFiles(const std::string& folder, std::filesystem::file_time_type startTime);

} // namespace zelmora
