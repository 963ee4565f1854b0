#include "core/disclosure/listing_scan.h"

#include <algorithm>
#include <cstdio>

#include "core/text/sjis.h"

namespace zelmora {
namespace {

// The time stands within this many bytes before the key.
constexpr std::size_t kTimeReach = 50;
// A hit reads its link and title from its own line and this many lines
// after it; what stands further on belongs to other entries.
constexpr std::size_t kEntryLines = 4;
constexpr std::string_view kLinkStart = "<a href=\"";
constexpr std::string_view kXbrlCell = "class=\"kjXbrl\"";
// A row that does not end within this many bytes ends here.
constexpr std::size_t kRowReach = 4096;

// Text is searched at character boundaries; a quote or a line end is a
// byte, whatever stray lead byte stands before it.
enum class Match { Characters, Byte };

// A search whose start only moves forward, as it does from one hit of a key
// to the next: an answer stays good until the start passes it, so all the
// searches of a key together read the page once.
class ForwardSearch {
public:
    ForwardSearch(std::string_view page, std::string_view needle, Match match = Match::Characters)
        : m_page(page), m_needle(needle), m_match(match)
    {
    }

    std::size_t From(std::size_t from)
    {
        if (!m_searched || from < m_from || (m_found != npos && from > m_found))
            m_found = m_match == Match::Byte ? m_page.find(m_needle, from) : FindSjis(m_page, m_needle, from);
        m_searched = true;
        m_from = from;
        return m_found;
    }

private:
    std::string_view m_page;
    std::string_view m_needle;
    Match m_match;
    bool m_searched = false;
    std::size_t m_from = 0;
    std::size_t m_found = npos;
};

// Reads the hits of one key, in page order.
class HitReader {
public:
    explicit HitReader(std::string_view page)
        : m_page(page), m_colon(page, ":"), m_link(page, kLinkStart), m_quote(page, "\"", Match::Byte),
          m_titleStart(page, "\n", Match::Byte), m_titleEnd(page, "\n", Match::Byte),
          m_lineEnds(kEntryLines + 1, ForwardSearch(page, "\n", Match::Byte)),
          m_rowEnd(page, "</tr>", Match::Byte), m_nextRow(page, "<tr", Match::Byte),
          m_xbrlCell(page, kXbrlCell, Match::Byte), m_xbrlLink(page, kLinkStart, Match::Byte),
          m_xbrlQuote(page, "\"", Match::Byte)
    {
    }

    ListingHit Read(std::size_t key, std::size_t keyIndex)
    {
        ListingHit hit;
        hit.keyIndex = keyIndex;
        hit.time = TimeBefore(key);
        hit.xbrlHref = XbrlLinkOfRow(key);
        const std::size_t reach = ReachOf(key);
        const std::size_t link = m_link.From(key + 1);
        if (link == npos || link >= reach)
            return hit;
        const std::size_t hrefStart = link + kLinkStart.size();
        const std::size_t hrefEnd = m_quote.From(hrefStart);
        if (hrefEnd == npos || hrefEnd >= reach)
            return hit;
        hit.href = std::string(m_page.substr(hrefStart, hrefEnd - hrefStart));
        hit.title = TitleAfter(hrefEnd, reach);
        return hit;
    }

private:
    std::string XbrlLinkOfRow(std::size_t key)
    {
        const std::size_t end = std::min({m_rowEnd.From(key), m_nextRow.From(key), key + kRowReach, m_page.size()});
        const std::size_t cell = m_xbrlCell.From(key);
        if (cell == npos || cell >= end)
            return {};
        const std::size_t link = m_xbrlLink.From(cell);
        if (link == npos || link >= end)
            return {};
        const std::size_t start = link + kLinkStart.size();
        const std::size_t quote = m_xbrlQuote.From(start);
        if (quote == npos || quote >= end)
            return {};
        return std::string(m_page.substr(start, quote - start));
    }

    std::string TimeBefore(std::size_t key)
    {
        const std::size_t colon = m_colon.From(key > kTimeReach ? key - kTimeReach : 0);
        if (colon == npos || colon >= key)
            return {};
        const std::size_t start = colon >= 2 ? colon - 2 : 0;
        return std::string(m_page.substr(start, colon + 3 - start));
    }

    // One past the end of the key's line and the kEntryLines lines after it.
    std::size_t ReachOf(std::size_t key)
    {
        std::size_t end = key;
        for (ForwardSearch& lineEnd : m_lineEnds) {
            const std::size_t lf = lineEnd.From(end);
            if (lf == npos)
                return m_page.size();
            end = lf + 1;
        }
        return end;
    }

    // The line after the one holding `from`, without its line end and
    // without leading white space; empty when it lies beyond the reach.
    std::string TitleAfter(std::size_t from, std::size_t reach)
    {
        const std::size_t lineEnd = m_titleStart.From(from);
        if (lineEnd == npos || lineEnd + 1 >= reach)
            return {};
        std::size_t start = lineEnd + 1;
        std::size_t end = m_titleEnd.From(start);
        if (end == npos)
            end = m_page.size();
        while (start < end && (m_page[start] == ' ' || m_page[start] == '\t' || m_page[start] == '\r'))
            ++start;
        if (end > start && m_page[end - 1] == '\r')
            --end;
        return std::string(m_page.substr(start, end - start));
    }

    std::string_view m_page;
    ForwardSearch m_colon;
    ForwardSearch m_link;
    ForwardSearch m_quote;
    ForwardSearch m_titleStart;
    ForwardSearch m_titleEnd;
    // The end of the key's line, and of each line after it.
    std::vector<ForwardSearch> m_lineEnds;
    ForwardSearch m_rowEnd;
    ForwardSearch m_nextRow;
    ForwardSearch m_xbrlCell;
    ForwardSearch m_xbrlLink;
    ForwardSearch m_xbrlQuote;
};

} // namespace

std::string ListingPageAddress(const std::string& listBase, int page, const std::string& date)
{
    char name[64];
    std::snprintf(name, sizeof name, "I_list_%03d_%.16s.html", page, date.c_str());
    return listBase + name;
}

std::string DisclosureKey(const std::string& code)
{
    return code + "0";
}

std::string EntryText(const ListingHit& hit)
{
    return hit.time + " " + hit.title + " ";
}

void ScanListingPage(std::string_view page, const std::vector<std::string>& keys,
                     const std::function<bool(const ListingHit&)>& onHit)
{
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k].empty())
            continue;
        HitReader reader(page);
        // The page starts with its markup, never with a key.
        for (std::size_t at = FindSjis(page, keys[k], 1); at != npos; at = FindSjis(page, keys[k], at + 1)) {
            if (!onHit(reader.Read(at, k)))
                return;
        }
    }
}

} // namespace zelmora
