#include "core/disclosure/history_file.h"

#include <algorithm>

#include "core/disclosure/document_path.h"
#include "core/disclosure/stock_folder_files.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_bytes.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

// A link target with a line break would split the record into lines.
std::string HistoryLineOf(const std::string& entryText, const std::string& baseAddress, const std::string& href)
{
    return SingleLine(entryText + "_" + baseAddress + href);
}

bool Knows(const std::vector<std::string>& lines, const std::string& line)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& known) { return EqualsIgnoringAsciiCase(known, line); });
}

} // namespace

std::string HistoryFilePath(const std::string& programFolder, const std::string& date, const std::string& code)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    return folder.empty() ? std::string() : folder + std::string(kHistoryFileName);
}

std::vector<std::string> ReadHistoryLines(const std::string& path)
{
    const std::optional<std::string> bytes = ReadFileBytes(path);
    return bytes ? SplitHistoryLines(*bytes) : std::vector<std::string>();
}

std::vector<std::string> SplitHistoryLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start && text[end - 1] == '\r')
            --end;
        lines.emplace_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

bool KnowsDisclosure(const std::string& path, const std::string& entryText, const std::string& baseAddress,
                     const std::string& href)
{
    return Knows(ReadHistoryLines(path), HistoryLineOf(entryText, baseAddress, href));
}

bool RecordDisclosure(const std::string& path, const std::string& entryText, const std::string& baseAddress,
                      const std::string& href)
{
    std::vector<std::string> kept;
    for (std::string& line : ReadHistoryLines(path)) {
        if (!line.empty() && std::find(kept.begin(), kept.end(), line) == kept.end())
            kept.push_back(std::move(line));
    }
    const std::string added = HistoryLineOf(entryText, baseAddress, href);
    const bool isNew = !Knows(kept, added);
    kept.push_back(added);

    std::string bytes;
    for (const std::string& line : kept)
        bytes += line + "\r\n";
    if (!path.empty())
        WriteFileAtomically(path, bytes);
    return isNew;
}

} // namespace zelmora
