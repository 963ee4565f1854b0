#pragma once

#include <string>
#include <string_view>

#include "core/quotes/network_limits.h"

namespace zelmora {

// What one GET of a quote page gave.
struct FetchOutcome {
    enum Kind { Ok, HttpStatus, Failed };
    Kind kind = Failed;
    std::string window; // Ok: pieces 151 to 201 of the body
    std::string status; // HttpStatus: the status code as decimal text
};

// One HTTP GET with a session of its own; keeps only pieces 151 to 201 of the
// body and reads nothing after piece 201. Never throws.
//
// Only http and https addresses are fetched (also after a redirect). A final
// status other than 200 gives HttpStatus; a transport error, including a
// body that breaks off before piece 201, gives Failed.
FetchOutcome FetchPageWindow(const std::string& address);

// The same with other limits; tests use it to keep time-outs short.
FetchOutcome FetchPageWindow(const std::string& address, const NetworkLimits& limits);

} // namespace zelmora
