#include "core/xbrl/zip_summary.h"

#include <zip.h>

#include <memory>
#include <vector>

namespace zelmora {
namespace {

constexpr std::string_view kSummaryFolder = "XBRLData/Summary/";
constexpr std::string_view kSummaryEnding = "-ixbrl.htm";

struct ArchiveClose {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveClose>;

bool EndsWithNoCase(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    text = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
        if (c != ending[i])
            return false;
    }
    return true;
}

// The archive over the caller's bytes, which must outlive it.
Archive OpenArchive(std::string_view zip, std::string& reason)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zip.data(), zip.size(), 0, &error);
    if (!source) {
        reason = "cannot read the archive";
        zip_error_fini(&error);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        // Still ours when the open failed.
        zip_source_free(source);
        reason = std::string("not a ZIP archive: ") + zip_error_strerror(&error);
    }
    zip_error_fini(&error);
    return Archive(archive);
}

std::optional<std::string> Refusal(zip_t* archive, const XbrlZipLimits& limits)
{
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    if (entries < 0 || static_cast<std::uint64_t>(entries) > limits.maxEntries)
        return "more than " + std::to_string(limits.maxEntries) + " entries";
    std::uint64_t unpacked = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
            return std::string("an entry without its size");
        if (stat.size > limits.maxUnpackedBytes - unpacked)
            return "more than " + std::to_string(limits.maxUnpackedBytes >> 20) + " MB unpacked";
        unpacked += stat.size;
    }
    return std::nullopt;
}

std::optional<std::string> RefusalOfBytes(std::string_view zip, const XbrlZipLimits& limits)
{
    if (zip.size() > limits.maxZipBytes)
        return "more than " + std::to_string(limits.maxZipBytes >> 20) + " MB";
    return std::nullopt;
}

} // namespace

bool IsSummaryEntry(std::string_view entryName)
{
    const std::size_t folder = entryName.rfind(kSummaryFolder);
    if (folder == std::string_view::npos || (folder > 0 && entryName[folder - 1] != '/'))
        return false;
    const std::string_view file = entryName.substr(folder + kSummaryFolder.size());
    return file.size() > kSummaryEnding.size() && file.find('/') == std::string_view::npos &&
           EndsWithNoCase(file, kSummaryEnding);
}

std::optional<std::string> ZipRefusal(std::string_view zip, const XbrlZipLimits& limits)
{
    if (auto refused = RefusalOfBytes(zip, limits))
        return refused;
    std::string reason;
    const Archive archive = OpenArchive(zip, reason);
    if (!archive)
        return reason;
    return Refusal(archive.get(), limits);
}

ZipSummary ReadSummaryFromZip(std::string_view zip, const XbrlZipLimits& limits)
{
    ZipSummary summary;
    if (auto refused = RefusalOfBytes(zip, limits)) {
        summary.reason = *refused;
        return summary;
    }
    const Archive archive = OpenArchive(zip, summary.reason);
    if (!archive)
        return summary;
    if (auto refused = Refusal(archive.get(), limits)) {
        summary.reason = *refused;
        return summary;
    }
    std::optional<zip_uint64_t> chosen;
    std::string chosenName;
    const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name && IsSummaryEntry(name) && (!chosen || std::string_view(name) < chosenName)) {
            chosen = static_cast<zip_uint64_t>(i);
            chosenName = name;
        }
    }
    if (!chosen) {
        summary.reason = "no XBRLData/Summary/*-ixbrl.htm in the archive";
        return summary;
    }
    zip_stat_t stat;
    if (zip_stat_index(archive.get(), *chosen, 0, &stat) != 0) {
        summary.reason = "cannot read the summary's entry";
        return summary;
    }
    const std::unique_ptr<zip_file_t, FileClose> file(zip_fopen_index(archive.get(), *chosen, 0));
    if (!file) {
        summary.reason = "cannot unpack the summary (" + std::string(zip_strerror(archive.get())) + ")";
        return summary;
    }
    // Read no more than the directory stated, and check that nothing is left.
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    std::size_t have = 0;
    while (have < bytes.size()) {
        const zip_int64_t n = zip_fread(file.get(), bytes.data() + have, bytes.size() - have);
        if (n <= 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    char extra = 0;
    if (have != bytes.size() || zip_fread(file.get(), &extra, 1) != 0) {
        summary.reason = "the summary does not unpack to its stated size";
        return summary;
    }
    summary.name = std::move(chosenName);
    summary.bytes = std::move(bytes);
    return summary;
}

} // namespace zelmora
