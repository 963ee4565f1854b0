#pragma once

#include <string>
#include <string_view>

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
FetchOutcome FetchPageWindow(const std::string& address);

} // namespace zelmora
