#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelmora {

// A line of a stock's history file: the caption before its first "_", the
// document's address after it. A line without "_" is all caption.
std::string DisclosureCaption(std::string_view line);
std::string DisclosureUrl(std::string_view line);

// Where the downloaded copy of a disclosure document lies: the stock's
// folder of that date and the name after the address's last "/". Nothing
// when the address has no "/" or its name could leave that folder.
std::optional<std::string> LocalDocumentPath(const std::string& programFolder, const std::string& date,
                                             const std::string& code, std::string_view url);

} // namespace zelmora
