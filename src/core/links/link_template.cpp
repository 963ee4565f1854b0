#include "core/links/link_template.h"

#include "core/platform/file_bytes.h"
#include "core/platform/program_folder.h"
#include "core/quotes/quote_url.h"
#include "core/text/code_page.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

// A link list file is a short hand-written text; anything longer is not one.
constexpr std::size_t kMaxLinkListBytes = 1 << 20;

struct DefaultLink {
    const char* label; // UTF-8
    std::size_t width; // Shift_JIS bytes the label is padded to
    const char* url;   // UTF-8
};

std::vector<std::string> BuildDefaults(std::initializer_list<DefaultLink> links)
{
    std::vector<std::string> entries;
    for (const DefaultLink& link : links) {
        std::string entry = Utf8ToSjis(link.label);
        if (entry.size() < link.width)
            entry.append(link.width - entry.size(), ' ');
        entries.push_back(entry + "_" + Utf8ToSjis(link.url));
    }
    return entries;
}

// The file names are Japanese; on Linux the file system spells names in
// UTF-8, on Windows the narrow API takes code page 932.
std::string LinkListPath(const std::string& programFolder, const char* utf8Name)
{
#ifdef _WIN32
    const std::string name = Utf8ToSjis(utf8Name);
#else
    const std::string name = utf8Name;
#endif
    return PathInFolder(programFolder, name);
}

std::vector<std::string> ReadLinkList(const std::string& path, const std::vector<std::string>& defaults)
{
    const std::optional<std::string> bytes = ReadFileBytes(path);
    std::vector<std::string> lines;
    if (bytes && bytes->size() <= kMaxLinkListBytes)
        lines = ParseLinkList(*bytes);
    return lines.empty() ? defaults : lines;
}

} // namespace

std::optional<LinkTemplateParts> SplitLinkTemplate(const std::string& entry)
{
    const std::size_t separator = FindSjis(entry, "_");
    if (separator == npos)
        return std::nullopt;
    // Drop the label's last character and the blanks before it, character by
    // character, so the label never ends in half a double-byte character
    // (a lead byte and a blank are one).
    const std::string_view label(entry.data(), separator);
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < label.size();) {
        const std::size_t next = pos + SjisCharLength(label, pos);
        if (next == label.size())
            break;
        if (next - pos == 2 || label[pos] != ' ')
            end = next;
        pos = next;
    }
    return LinkTemplateParts{std::string(label.substr(0, end)), entry.substr(separator + 1)};
}

std::string ExpandLinkTemplate(const std::string& urlTemplate, const std::string& code, const std::string& marketLetter)
{
    // Link templates follow the quote address rule exactly.
    return BuildQuoteUrl(urlTemplate, code, marketLetter);
}

std::string MarketLetterFor(const std::string& marketText, const std::array<std::string, kMarketCount>& marketCodes)
{
    for (std::size_t i = 0; i < kMarketCount; ++i) {
        const std::string& name = MarketNames()[i];
        if (marketText.size() <= name.size() && EqualsIgnoringAsciiCase(std::string_view(name).substr(0, marketText.size()), marketText))
            return marketCodes[i];
    }
    return {};
}

std::vector<std::string> ParseLinkList(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        from = end + 1;
    }
    return lines;
}

LinkLists LoadLinkLists(const std::string& programFolder)
{
    LinkLists lists;
    lists.indexLinks = ReadLinkList(LinkListPath(programFolder, "日経URL.txt"), DefaultIndexLinks());
    lists.stockLinks = ReadLinkList(LinkListPath(programFolder, "銘柄URL.txt"), DefaultStockLinks());
    return lists;
}

const std::vector<std::string>& DefaultIndexLinks()
{
    static const std::vector<std::string> links = BuildDefaults({
        {"Yahoo日経", 12, "http://quote.yahoo.co.jp/q?s=998407"},
        {"日経net", 12, "http://markets.nikkei.co.jp/"},
    });
    return links;
}

const std::vector<std::string>& DefaultStockLinks()
{
    static const std::vector<std::string> links = BuildDefaults({
        {"日経株価情報", 15, "http://company.nikkei.co.jp/index.cfm?scode=銘柄"},
        {"MSNマネー株価情報", 19, "http://money.msn.co.jp/investor/quotes/quotes.asp?symbol=銘柄"},
        {"Yahoo finance", 15, "http://quote.yahoo.co.jp/q?s=銘柄.市場"},
        {"1日株価", 15, "http://quote.yahoo.co.jp/q?s=銘柄.市場&d=1d"},
        {"3ヶ月株価", 15, "http://quote.yahoo.co.jp/q?s=銘柄.市場&d=c&k=c3&t=3m&l=off&z=m&q=c&p=m25,m75,s&h=on&a=v"},
        {"1年株価", 15, "http://quote.yahoo.co.jp/q?s=銘柄.市場&d=c&k=c3&a=v&p=m65,m130,s&t=1y&l=off&z=m&q=c&h=on"},
        {"Yahoo掲示板", 15, "http://messages.yahoo.co.jp/bbs?action=topics&board=100銘柄&sid=100銘柄&type=r"},
    });
    return links;
}

} // namespace zelmora
