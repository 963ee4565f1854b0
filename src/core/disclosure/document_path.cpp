#include "core/disclosure/document_path.h"

#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/disclosure/stock_folder_files.h"
#include "core/platform/atomic_file.h"
#include "core/platform/program_folder.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

// Raw bytes, not characters: a file system that does not read Shift_JIS
// sees a separator after a lead byte as a separator.
bool IsSafeSegment(std::string_view name)
{
    if (name.empty() || name == "." || name.find("..") != npos)
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

// On Windows the folders below the program folder follow the separator it
// ends with; elsewhere a backslash is part of a name and "/" alone separates.
char SeparatorOf([[maybe_unused]] const std::string& programFolder)
{
#ifdef _WIN32
    return !programFolder.empty() && programFolder.back() == '\\' ? '\\' : '/';
#else
    return '/';
#endif
}

std::string LastSegment(const std::string& text)
{
    const std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

// A link named like a file the program keeps beside the documents gets
// "doc_" before its name; one shaped like a temporary file, which the next
// start would remove, gets "_" for the dot before its last six characters.
std::string KeptName(std::string name)
{
    if (IsTemporaryFileName(name))
        name[name.size() - 7] = '_';
    if (IsStockFolderFileName(name))
        name.insert(0, "doc_");
    return name;
}

} // namespace

std::string DocumentFolder(const std::string& programFolder, const std::string& date, const std::string& code)
{
    if (!IsSafeSegment(date) || !IsSafeSegment(code))
        return {};
    const char separator = SeparatorOf(programFolder);
    std::string folder = programFolder;
    if (!folder.empty() && !EndsWithSeparator(folder))
        folder += separator;
    return folder + date + separator + code + separator;
}

std::string DocumentFileName(const std::string& href)
{
    std::string name = LastSegment(href);
    return IsSafeSegment(name) ? KeptName(std::move(name)) : std::string();
}

std::string MakeDocumentPath(const std::string& programFolder, const std::string& date, const std::string& code,
                             const std::string& href)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    if (folder.empty())
        return {};
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(folder), ignored);
    const std::string name = DocumentFileName(href);
    return name.empty() ? std::string() : folder + name;
}

std::string LocalDocumentPath(const std::string& programFolder, const std::string& date, const std::string& code,
                              const std::string& address)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    const std::string name = DocumentFileName(address);
    if (address.find('/') == std::string::npos || folder.empty() || name.empty() || !IsOpenableDocument(name))
        return {};
    return folder + name;
}

bool IsOpenableDocument(const std::string& fileName)
{
    static constexpr std::array<std::string_view, 7> kTypes = {".pdf", ".htm", ".html", ".xhtml", ".xml", ".xbrl", ".zip"};
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string_view extension = std::string_view(fileName).substr(dot);
    for (std::string_view type : kTypes) {
        if (EqualsIgnoringAsciiCase(extension, type))
            return true;
    }
    return false;
}

int RemoveStaleTemporaryFilesOfDate(const std::string& programFolder, const std::string& date,
                                    std::filesystem::file_time_type startTime)
{
    namespace fs = std::filesystem;
    if (!IsSafeSegment(date))
        return 0;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(programFolder) / date, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            removed += RemoveStaleTemporaryFiles(it->path().string(), startTime);
    }
    return removed;
}

} // namespace zelmora
