#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "core/net/http_session.h"

namespace zelmora {

// Documents are small PDF, HTML or XBRL files; anything larger is dropped.
constexpr std::size_t kMaxDocumentBytes = 64u << 20;
// A document may take longer than a page, but a stalled server still frees
// the pass after the low-speed time.
inline constexpr NetworkLimits kDocumentLimits{kConnectTimeout, std::chrono::milliseconds{120'000}};

// Fetches a document and, when it came whole with status 200, replaces the
// file at path with it atomically. Returns the HTTP status as decimal text
// ("0" when none arrived); nothing is written otherwise, so a download cut
// off or stopped leaves no half a document behind.
std::string DownloadDocument(HttpSession& session, const std::string& address, const std::string& path,
                             const NetworkLimits& limits = kDocumentLimits);

} // namespace zelmora
