#pragma once

#include <cstddef>
#include <string>

#include "core/net/http_session.h"
#include "core/net/network_limits.h"

// Whole bodies of pages and documents, read with the same GET, time-outs
// and bounds as every request of the program.
namespace zelmora {

struct WholeBody {
    enum Kind { Ok, HttpStatus, TooLarge, Failed };
    Kind kind = Failed;
    long status = 0;   // the final HTTP status when one arrived
    std::string bytes; // Ok: the whole body
};

// One HTTP GET in the given session. The body is read whole, but never
// more than maxBytes of it. Never throws.
WholeBody FetchWholeBody(HttpSession& session, const std::string& address, std::size_t maxBytes,
                         const NetworkLimits& limits = kPageLimits);

} // namespace zelmora
