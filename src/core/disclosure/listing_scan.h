#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading the exchange's timely-disclosure listing pages: where the pages
// are, and what a watched stock's entry on a page says.
namespace zelmora {

// The exchange numbers its listing pages with three digits and a busy day
// has more than ten, so a pass asks for pages 1 up to this one.
constexpr int kLastListingPage = 999;
// A listing page larger than this is no listing page; the pass ends there.
constexpr std::size_t kMaxListingPageBytes = 8u << 20;

// "I_list_%03d_%s.html" after the listing base.
std::string ListingPageAddress(const std::string& listBase, int page, const std::string& date);

// Listing pages show five-digit codes: 7203 is searched as 72030.
std::string DisclosureKey(const std::string& code);

// One occurrence of a watched key in a listing page.
struct ListingHit {
    std::size_t keyIndex = 0; // which of the keys matched
    std::string time;         // HH:MM before the key
    std::string href;         // target of the first link after the key
    std::string title;        // the line after the one where the link ends
    std::string xbrlHref;     // target of the link in the row's kjXbrl cell; empty for none

    bool operator==(const ListingHit&) const = default;
};

// "HH:MM title ": the identity of a disclosure in the per-row store, the
// history file and the disclosure mail.
std::string EntryText(const ListingHit& hit);

// Every occurrence of every key in the page, key by key, each key's hits in
// page order. A hit takes its link and title from the key's line and the few
// lines after it, never from an entry further on. A piece the page lacks
// around a hit (no colon before the key, no link after it, no line after the
// link) stays empty; nothing is read outside the page. The time grows with
// the page and the hits, not with their product, and hits are handed over
// one by one, so a page of keys never piles them up. The XBRL link is taken
// only from the key's own table row (up to its "</tr>" or the next "<tr").
// Stops when onHit returns false.
void ScanListingPage(std::string_view page, const std::vector<std::string>& keys,
                     const std::function<bool(const ListingHit&)>& onHit);

} // namespace zelmora
