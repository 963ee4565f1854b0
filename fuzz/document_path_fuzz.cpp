// Where a disclosure's document goes: the folder from the date and the
// stock code, the file name from any href a listing page holds.
#include <string>
#include <utility>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/disclosure/stock_folder_files.h"
#include "core/platform/atomic_file.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

// Nothing a file system could read as a step out of the folder or into
// another one, nor a control character.
bool IsPlainName(std::string_view name)
{
    if (name.empty() || name == "." || name.find("..") != std::string_view::npos)
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
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
    FUZZ_CHECK(name.empty() || (IsPlainName(name) && !IsStockFolderFileName(name) && !IsTemporaryFileName(name)));
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
        FUZZ_CHECK(folder.empty() || (IsPlainName(date) && IsPlainName(code) &&
                                      folder == inside + date + separator + code + separator));
        const std::string local = LocalDocumentPath(programFolder, date, code, href);
        FUZZ_CHECK(local.empty() || (local == folder + name && IsOpenableDocument(name)));
        // Where the pass downloads to: in the folder, never over its history.
        if (!folder.empty() && !name.empty())
            FUZZ_CHECK(folder + name != HistoryFilePath(programFolder, date, code));
    }
    return 0;
}
