#pragma once

#include <string>
#include <string_view>

#include "core/quotes/network_limits.h"
#include "core/quotes/page_window_cutter.h"

namespace zelmora {

// What one GET of a quote page gave.
struct FetchOutcome {
    enum Kind { Ok, HttpStatus, Failed };
    Kind kind = Failed;
    std::string window; // Ok: the pieces of the window
    std::string status; // HttpStatus: the status code as decimal text
};

// One HTTP GET with a session of its own; keeps only the pieces of the window
// (151 to 201 unless given) and reads nothing after its last piece. Never
// throws.
//
// Only http and https addresses are fetched (also after a redirect). A final
// status other than 200 gives HttpStatus; a transport error, including a
// body that breaks off before the window's last piece, gives Failed.
FetchOutcome FetchPageWindow(const std::string& address, const PieceWindow& window = {});

// The same with other limits; tests use it to keep time-outs short.
FetchOutcome FetchPageWindow(const std::string& address, const NetworkLimits& limits, const PieceWindow& window = {});

} // namespace zelmora
