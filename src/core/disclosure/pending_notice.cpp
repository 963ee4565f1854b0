#include "core/disclosure/pending_notice.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "core/disclosure/history_file.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_bytes.h"

namespace zelmora {
namespace {

namespace fs = std::filesystem;

fs::path NoticeFolder(const std::string& programFolder)
{
    return fs::path(programFolder) / "outbox" / "notices";
}

// An id only ever names a file of the folder.
bool IsId(const std::string& id)
{
    return id.size() == 16 && std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

// FNV-1a: stable across runs and platforms, which is all a name needs.
std::string DisclosureId(const std::string& date, const std::string& code, const std::string& entryText)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::string* part : {&date, &code, &entryText}) {
        for (const unsigned char c : *part + '\n') {
            hash ^= c;
            hash *= 1099511628211ull;
        }
    }
    char id[17];
    std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(hash));
    return id;
}

bool WritePendingNotice(const std::string& programFolder, const PendingNotice& notice)
{
    if (!IsId(notice.id))
        return false;
    std::error_code error;
    fs::create_directories(NoticeFolder(programFolder), error);
    std::string text = OneLine(notice.date) + "\r\n" + OneLine(notice.code) + "\r\n" + OneLine(notice.entryText) + "\r\n";
    if (!notice.figures.empty())
        text += OneLine(notice.figures) + "\r\n";
    return WriteFileAtomically((NoticeFolder(programFolder) / (notice.id + ".txt")).string(), text);
}

void RemovePendingNotice(const std::string& programFolder, const std::string& id)
{
    std::error_code error;
    if (IsId(id))
        fs::remove(NoticeFolder(programFolder) / (id + ".txt"), error);
}

std::vector<PendingNotice> TakePendingNotices(const std::string& programFolder, const std::string& today,
                                              fs::file_time_type startTime)
{
    std::vector<std::pair<fs::file_time_type, PendingNotice>> found;
    std::error_code error;
    RemoveStaleTemporaryFiles(NoticeFolder(programFolder).string(), startTime);
    for (const fs::directory_entry& file : fs::directory_iterator(NoticeFolder(programFolder), error)) {
        const std::string id = file.path().stem().string();
        if (file.path().extension() != ".txt" || !IsId(id))
            continue;
        const std::optional<std::string> bytes = ReadFileBytes(file.path().string());
        const std::vector<std::string> lines = bytes ? SplitHistoryLines(*bytes) : std::vector<std::string>();
        if (lines.size() < 3 || lines[0] != today) {
            fs::remove(file.path(), error);
            continue;
        }
        found.push_back({file.last_write_time(error), {id, lines[0], lines[1], lines[2], lines.size() > 3 ? lines[3] : ""}});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PendingNotice> notices;
    for (auto& [time, notice] : found)
        notices.push_back(std::move(notice));
    return notices;
}

} // namespace zelmora
