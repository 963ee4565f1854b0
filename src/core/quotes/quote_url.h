#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// The quote page address of a stock or index: every "銘柄" of the template
// becomes the code. A code of exactly 4 bytes is a stock, and every "市場"
// becomes the market letter; any other code is an index, and the address
// loses its last 5 bytes (the template's trailing ".市場"), or everything
// when it is shorter than that.
std::string BuildQuoteUrl(std::string_view baseUrl, std::string_view code, std::string_view marketLetter);

} // namespace zelmora
