#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "core/quotes/network_limits.h"

// Whole bodies of the exchange's listing pages and disclosure documents,
// read with the same GET, time-outs and bounds as every request of the
// program.
namespace zelmora {

// A listing page larger than this is no listing page; the pass ends there.
constexpr std::size_t kMaxListingPageBytes = 8u << 20;
// Documents are small PDF, HTML or XBRL files; anything larger is dropped.
constexpr std::size_t kMaxDocumentBytes = 64u << 20;
// A document may take longer than a page, but a stalled server still frees
// the pass after the low-speed time.
inline constexpr NetworkLimits kDocumentLimits{kConnectTimeout, std::chrono::milliseconds{120'000}};

struct WholeBody {
    enum Kind { Ok, HttpStatus, TooLarge, Failed };
    Kind kind = Failed;
    long status = 0;   // the final HTTP status when one arrived
    std::string bytes; // Ok: the whole body
};

// One HTTP GET of an http or https address (also after redirects), asking
// past caches. The body is read whole, but never more than maxBytes of it.
// Never throws.
WholeBody FetchWholeBody(const std::string& address, std::size_t maxBytes, const NetworkLimits& limits = kPageLimits);

// Fetches a document and, when it came whole with status 200, replaces the
// file at path with it atomically. Returns the HTTP status as decimal text
// ("0" when none arrived); nothing is written otherwise.
std::string DownloadDocument(const std::string& address, const std::string& path,
                             const NetworkLimits& limits = kDocumentLimits);

} // namespace zelmora
