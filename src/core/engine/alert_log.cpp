#include "core/engine/alert_log.h"

#include <filesystem>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_bytes.h"
#include "core/text/sjis.h"

namespace zelmora {

std::string AlertFilePath(const std::string& programFolder, const std::string& date, const std::string& code)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    return folder.empty() ? std::string() : folder + "alert.txt";
}

std::vector<std::string> ReadAlertLines(const std::string& path)
{
    const std::optional<std::string> bytes = path.empty() ? std::nullopt : ReadFileBytes(path);
    return bytes ? SplitHistoryLines(*bytes) : std::vector<std::string>();
}

// Rewritten whole rather than appended to, so a crash never leaves half a line.
bool AppendAlertLines(const std::string& path, const std::vector<std::string>& lines)
{
    if (path.empty())
        return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::string bytes = ReadFileBytes(path).value_or(std::string());
    if (!bytes.empty() && bytes.back() != '\n')
        bytes += "\r\n";
    for (const std::string& line : lines)
        bytes += SingleLine(line) + "\r\n";
    return WriteFileAtomically(path, bytes);
}

} // namespace zelmora
