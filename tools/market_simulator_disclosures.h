#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "market_simulator_pages.h"
#include "market_simulator_xbrl.h"

// Timely-disclosure listing pages and documents of the local market
// simulator, laid out like the exchange's release service: each entry has
// its time with a colon before the five-digit code, a link after it and the
// title on the line after the link.
namespace zelmora::sim {

// How listings are served. Each switch is a key=value pair of a path segment
// between /inbs/ and the page name, pairs separated by ",":
// /inbs/pages=3,enc=utf8/I_list_001_20261207.html.
struct ListingOptions {
    int pages = 12;                                 // pages=N (0..999); later pages answer 404
    PageEncoding encoding = PageEncoding::ShiftJis; // enc=sjis|utf8
    bool hostile = false;                           // hostile=1: links that try to leave their folder
    bool oversize = false;                          // big=1: page 1 is larger than any listing may be
    int slowMs = 0;                                 // slow=MS: each page answers this late
    int slowDocumentMs = 0;                         // slowdoc=MS: documents below the segment answer this late
    bool xbrl = false;                              // xbrl=1: earnings entries link their XBRL ZIPs

    bool operator==(const ListingOptions&) const = default;
};

// Applies a whole segment; false when a pair is unknown or invalid.
bool ApplyListingOptions(ListingOptions& options, std::string_view segment);

// One entry of a listing.
struct SimDisclosure {
    int page = 1;
    std::string time;  // HH:MM
    std::string code;  // four digits; the page shows it with a trailing 0
    std::string name;  // UTF-8
    std::string title; // UTF-8, as on the line after the link
    std::string href;  // link target, relative to the listing's folder
    std::string xbrl;  // the XBRL ZIP's link target in the kjXbrl cell; empty for none
    XbrlKind xbrlKind = XbrlKind::AnnualJapaneseGaap;
};

// The entries of the stocks the demo and the tests watch, for any date (the
// links name the date), in page order. Page 1 has two for 7203 and one for
// 6758 whose title holds "_"; page 2 one for 9432 whose title holds the
// number S1234056; page 11 (or the last) one for 9984; the last page one
// for 8306. With hostile, page 1 also has 7974's links that try to leave
// their folder. With xbrl, 7203's quarterly release and 9984's revision
// link their XBRL ZIPs, and page 1 has one more earnings release with XBRL
// for each other kind (6758 IFRS, 9432 annual, 8306 non-consolidated, 4755
// a loss, 6502 nil facts, 7751 a range forecast, 6501 a broken ZIP).
std::vector<SimDisclosure> DisclosuresFor(const std::string& date, const ListingOptions& options);

// Listing page `page` of a date in UTF-8; empty when the date has no such
// page.
std::string RenderListingPageUtf8(const std::string& date, int page, const ListingOptions& options);

// The exchange's disclosure portal page, in UTF-8.
std::string RenderDisclosurePortalUtf8();

// The XBRL ZIP behind a listing's link X<date>-<code>.zip; empty when the
// date's listing has none for the code.
std::string XbrlZipFor(const std::string& date, const std::string& code, const ListingOptions& options);

// The bytes of a document: a small PDF naming the path it was asked by.
std::string RenderDocument(std::string_view path);

} // namespace zelmora::sim
