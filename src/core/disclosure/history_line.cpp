#include "core/disclosure/history_line.h"

#include <filesystem>

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/text/encoding_converter.h"
#include "core/text/sjis.h"

namespace zelmora {

std::string HistoryLineCaption(std::string_view line)
{
    return std::string(line.substr(0, FindSjis(line, "_")));
}

std::string HistoryLineAddress(std::string_view line)
{
    const std::size_t separator = FindSjis(line, "_");
    return separator == npos ? std::string() : std::string(line.substr(separator + 1));
}

std::vector<std::string> ReadStockHistory(const StockDisclosures& stock)
{
    std::vector<std::string> lines = ReadHistoryLines(HistoryFilePath(stock.programFolder, stock.date, stock.code));
    for (std::string& line : lines) {
        std::string converted;
        ConvertToShiftJis(line, converted);
        line = std::move(converted);
    }
    return lines;
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
    const std::vector<std::string> lines = ReadStockHistory(stock);
    if (lines.empty())
        return {DisclosureOpening::WebPage, stock.portal};
    if (line >= lines.size())
        return {};
    return OpeningOfAddress(stock, HistoryLineAddress(lines[line]));
}

DisclosureOpening OpeningOfEntry(const StockDisclosures& stock, std::string_view entryText)
{
    const std::string recorded = std::string(entryText) + "_";
    for (const std::string& line : ReadStockHistory(stock)) {
        if (line.starts_with(recorded))
            return OpeningOfAddress(stock, line.substr(recorded.size()));
    }
    return {};
}

} // namespace zelmora
