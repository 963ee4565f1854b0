#include "core/disclosure/history_line.h"

#include <algorithm>
#include <filesystem>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/text/encoding_converter.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

bool BeginsAddress(std::string_view text, std::string_view listBase)
{
    return (!listBase.empty() && text.starts_with(listBase)) || StartsWithIgnoringAsciiCase(text, "http://")
           || StartsWithIgnoringAsciiCase(text, "https://");
}

std::size_t AddressSeparator(std::string_view line, std::string_view listBase)
{
    for (std::size_t at = FindSjis(line, "_"); at != npos; at = FindSjis(line, "_", at + 1)) {
        if (BeginsAddress(line.substr(at + 1), listBase))
            return at;
    }
    return FindSjis(line, "_");
}

} // namespace

HistoryEntry SplitHistoryLine(std::string_view line, std::string_view listBase)
{
    const std::size_t separator = AddressSeparator(line, listBase);
    if (separator == npos)
        return {std::string(line), {}};
    return {std::string(line.substr(0, separator)), std::string(line.substr(separator + 1))};
}

std::vector<HistoryEntry> ReadStockHistory(const StockDisclosures& stock)
{
    std::vector<std::string> lines;
    for (std::string& line : ReadHistoryLines(HistoryFilePath(stock.programFolder, stock.date, stock.code))) {
        if (std::find(lines.begin(), lines.end(), line) == lines.end())
            lines.push_back(std::move(line));
    }
    std::vector<HistoryEntry> entries;
    for (const std::string& line : lines) {
        std::string converted;
        ConvertToShiftJis(line, converted);
        entries.push_back(SplitHistoryLine(converted, stock.listBase));
    }
    return entries;
}

namespace {

DisclosureOpening OpeningOfAddress(const StockDisclosures& stock, const std::string& address)
{
    if (stock.documentsDownloaded) {
        const std::string local = LocalDocumentPath(stock.programFolder, stock.date, stock.code, address);
        std::error_code ignored;
        if (local.empty() || !std::filesystem::is_regular_file(std::filesystem::path(local), ignored))
            return {};
        return {DisclosureOpening::LocalFile, local};
    }
    if (address.empty())
        return {};
    return {DisclosureOpening::WebPage, address};
}

} // namespace

DisclosureOpening OpeningOfDisclosure(const StockDisclosures& stock, std::size_t line)
{
    const std::vector<HistoryEntry> entries = ReadStockHistory(stock);
    if (entries.empty())
        return {DisclosureOpening::WebPage, stock.portal};
    if (line >= entries.size())
        return {};
    return OpeningOfAddress(stock, entries[line].address);
}

DisclosureOpening OpeningOfEntry(const StockDisclosures& stock, std::string_view entryText)
{
    const std::string recorded = std::string(entryText) + "_";
    for (const HistoryEntry& entry : ReadStockHistory(stock)) {
        const std::string line = entry.caption + "_" + entry.address;
        if (line.starts_with(recorded))
            return OpeningOfAddress(stock, line.substr(recorded.size()));
    }
    return {};
}

} // namespace zelmora
