#pragma once

#include <filesystem>
#include <string>
#include <vector>

// outbox/notices/: one file per new disclosure of today whose desktop notice
// may not have been shown yet, "<id>.txt" holding the date, the code, the
// entry text and the figures line (when there is one), one per line
// (Shift_JIS, CRLF). It is written before the
// history line, so a pass cut short still gets its notice at the next start.
namespace zelmora {

struct PendingNotice {
    std::string id;
    std::string date; // yyyymmdd
    std::string code;
    std::string entryText;
    std::string figures; // empty when the disclosure has none
};

// 16 hex digits naming a disclosure by its date, code and entry text; the
// same disclosure always gets the same id.
std::string DisclosureId(const std::string& date, const std::string& code, const std::string& entryText);

// False when the file could not be written.
bool WritePendingNotice(const std::string& programFolder, const PendingNotice& notice);
void RemovePendingNotice(const std::string& programFolder, const std::string& id);
// The notices of today, oldest first; those of other dates are removed, and
// so are the temporary files of writes cut short before startTime.
std::vector<PendingNotice> TakePendingNotices(const std::string& programFolder, const std::string& today,
                                              std::filesystem::file_time_type startTime);

} // namespace zelmora
