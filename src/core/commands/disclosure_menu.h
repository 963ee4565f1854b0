#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// A line of a stock's history file: the caption before its first "_", the
// document's address after it. A line without "_" is all caption.
std::string DisclosureCaption(std::string_view line);
std::string DisclosureUrl(std::string_view line);

} // namespace zelmora
