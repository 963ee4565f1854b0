#include "core/disclosure/earnings_file.h"

#include <algorithm>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/platform/atomic_file.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

constexpr std::string_view kEarningsFileName = "kessan.txt";

// The entry's text as its line's key: a tab of a title would split it.
std::string KeyOf(const std::string& entryText)
{
    std::string key = SingleLine(entryText);
    std::replace(key.begin(), key.end(), '\t', ' ');
    return key;
}

struct KeptLine {
    std::string key;
    std::string figures;
};

std::vector<KeptLine> ReadKept(const std::string& path)
{
    std::vector<KeptLine> kept;
    for (const std::string& line : ReadHistoryLines(path)) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && tab + 1 < line.size())
            kept.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return kept;
}

} // namespace

std::string EarningsFilePath(const std::string& programFolder, const std::string& date, const std::string& code)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    return folder.empty() ? std::string() : folder + std::string(kEarningsFileName);
}

bool RecordFigures(const std::string& path, const std::string& entryText, const std::string& figuresLine)
{
    if (path.empty() || figuresLine.empty())
        return false;
    const std::string key = KeyOf(entryText);
    std::vector<KeptLine> kept = ReadKept(path);
    std::erase_if(kept, [&](const KeptLine& line) { return line.key == key; });
    kept.push_back({key, SingleLine(figuresLine)});
    std::string bytes;
    for (const KeptLine& line : kept)
        bytes += line.key + "\t" + line.figures + "\r\n";
    return WriteFileAtomically(path, bytes);
}

std::string FiguresOfEntry(const std::string& path, const std::string& entryText)
{
    const std::string key = KeyOf(entryText);
    for (const KeptLine& line : ReadKept(path)) {
        if (line.key == key)
            return line.figures;
    }
    return {};
}

std::string LatestFigures(const std::string& path)
{
    const std::vector<KeptLine> kept = ReadKept(path);
    return kept.empty() ? std::string() : kept.back().figures;
}

} // namespace zelmora
