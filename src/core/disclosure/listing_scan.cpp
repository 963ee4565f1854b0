#include "core/disclosure/listing_scan.h"

#include <cstdio>

#include "core/text/sjis.h"

namespace zelmora {
namespace {

// The time stands within this many bytes before the key.
constexpr std::size_t kTimeReach = 50;
constexpr std::string_view kLinkStart = "<a href=\"";

std::string TimeBefore(std::string_view page, std::size_t key)
{
    const std::size_t from = key > kTimeReach ? key - kTimeReach : 0;
    const std::size_t colon = FindSjis(page, ":", from);
    if (colon == npos || colon >= key)
        return {};
    const std::size_t start = colon >= 2 ? colon - 2 : 0;
    return std::string(page.substr(start, colon + 3 - start));
}

// The line after the one holding `from`, without its line end and without
// leading white space.
std::string LineAfter(std::string_view page, std::size_t from)
{
    const std::size_t lineEnd = FindSjis(page, "\n", from);
    if (lineEnd == npos)
        return {};
    std::size_t start = lineEnd + 1;
    std::size_t end = FindSjis(page, "\n", start);
    if (end == npos)
        end = page.size();
    while (start < end && (page[start] == ' ' || page[start] == '\t' || page[start] == '\r'))
        ++start;
    if (end > start && page[end - 1] == '\r')
        --end;
    return std::string(page.substr(start, end - start));
}

ListingHit HitAt(std::string_view page, std::size_t key, std::size_t keyIndex)
{
    ListingHit hit;
    hit.keyIndex = keyIndex;
    hit.time = TimeBefore(page, key);
    const std::size_t link = FindSjis(page, kLinkStart, key + 1);
    if (link == npos)
        return hit;
    const std::size_t hrefStart = link + kLinkStart.size();
    const std::size_t hrefEnd = FindSjis(page, "\"", hrefStart);
    if (hrefEnd == npos)
        return hit;
    hit.href = std::string(page.substr(hrefStart, hrefEnd - hrefStart));
    hit.title = LineAfter(page, hrefEnd);
    return hit;
}

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

std::vector<ListingHit> ScanListingPage(std::string_view page, const std::vector<std::string>& keys)
{
    std::vector<ListingHit> hits;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k].empty())
            continue;
        // The page starts with its markup, never with a key.
        for (std::size_t at = FindSjis(page, keys[k], 1); at != npos; at = FindSjis(page, keys[k], at + 1))
            hits.push_back(HitAt(page, at, k));
    }
    return hits;
}

} // namespace zelmora
