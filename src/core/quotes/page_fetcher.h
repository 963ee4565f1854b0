#pragma once

#include <string>
#include <string_view>

#include "core/net/http_session.h"
#include "core/net/network_limits.h"
#include "core/quotes/page_window_cutter.h"

namespace zelmora {

// What one GET of a quote page gave.
struct FetchOutcome {
    enum Kind { Ok, HttpStatus, Failed };
    Kind kind = Failed;
    std::string window; // Ok: the pieces of the window (151 to 201 unless given)
    std::string status; // HttpStatus: the status code as decimal text
};

// One HTTP GET in the given session; keeps only the pieces of the window.
// Never throws.
//
// Only http and https addresses are fetched (also after a redirect). A final
// status other than 200 gives HttpStatus; a transport error, including a
// body that breaks off before the window's last piece, gives Failed. Once
// the window is complete a short rest of the body is still read and
// dropped, so that the connection can serve the session's next page; a
// long rest is never read.
FetchOutcome FetchPageWindow(HttpSession& session, const std::string& address, const PieceWindow& window = {},
                             const NetworkLimits& limits = kPageLimits);

// The same in a session of its own.
FetchOutcome FetchPageWindow(const std::string& address, const PieceWindow& window = {},
                             const NetworkLimits& limits = kPageLimits);

} // namespace zelmora
