// Where a disclosure's document goes: the folder from the date and the
// stock code, the file name from any href a listing page holds.
#include <filesystem>
#include <string>
#include <utility>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/disclosure/stock_folder_files.h"
#include "core/platform/atomic_file.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

// True when path is folder followed by one entry of that folder itself, as
// a file system reads it here and on Windows, where "\" separates too and
// ":" names a drive or a stream of another file.
bool EntryOf(const std::string& folder, const std::string& path)
{
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
        return false;
    const std::string entry = path.substr(folder.size());
    if (entry.find_first_of("/\\:") != std::string::npos)
        return false;
    const std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
    return normal.filename() == entry &&
           normal.parent_path() == std::filesystem::path(folder).lexically_normal().parent_path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 3);
    const std::string date(parts[0]);
    const std::string code(parts[1]);
    const std::string href(parts[2]);

    // A document never takes the name of a file kept beside it, nor the
    // shape of a temporary file the start removes; any other name is the
    // link's last segment.
    const std::string name = DocumentFileName(href);
    const std::string segment = href.substr(href.rfind('/') + 1);
    const bool keptName = IsStockFolderFileName(segment) || IsTemporaryFileName(segment);
    FUZZ_CHECK(name.empty() ||
               (EntryOf("/f/", "/f/" + name) && !IsStockFolderFileName(name) && !IsTemporaryFileName(name)));
    FUZZ_CHECK(name.empty() || keptName || name == segment);

#ifdef _WIN32
    const std::pair<std::string, std::string> programFolders[] = {{"/p/", "/p/"}, {"C:\\p\\", "C:\\p\\"}};
#else
    // A backslash is part of a folder's name here.
    const std::pair<std::string, std::string> programFolders[] = {{"/p/", "/p/"}, {"/p\\", "/p\\/"}};
#endif
    for (const auto& [programFolder, inside] : programFolders) {
        const std::string folder = DocumentFolder(programFolder, date, code);
        const char separator = inside.back();
        const std::string dateFolder = inside + date + separator;
        FUZZ_CHECK(folder.empty() || (folder == dateFolder + code + separator && EntryOf(inside, inside + date) &&
                                      EntryOf(dateFolder, dateFolder + code)));
        const std::string local = LocalDocumentPath(programFolder, date, code, href);
        FUZZ_CHECK(local.empty() || (local == folder + name && EntryOf(folder, local) && IsOpenableDocument(name)));
        // Where the pass downloads to: in the folder, never over its history.
        if (!folder.empty() && !name.empty())
            FUZZ_CHECK(folder + name != HistoryFilePath(programFolder, date, code));
    }
    return 0;
}
