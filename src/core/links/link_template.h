#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace zelmora {

// A link list line "label _url": the label is what stands before the first
// "_" less its last character (the blank every entry carries) and trailing
// blanks; the URL is everything after it.
struct LinkTemplateParts {
    std::string label;
    std::string url;
};

// Nothing when the line has no "_": menus skip such a line.
std::optional<LinkTemplateParts> SplitLinkTemplate(const std::string& entry);

// Fills 銘柄 with the code and, for a 4-byte stock code, 市場 with the market
// letter; any other code is an index and the URL loses its trailing ".市場".
std::string ExpandLinkTemplate(const std::string& urlTemplate, const std::string& code, const std::string& marketLetter);

// The letter of a row's market: the first market whose name begins with the
// row's market text, ignoring ASCII case; empty when none does.
std::string MarketLetterFor(const std::string& marketText, const std::array<std::string, kMarketCount>& marketCodes);

struct LinkLists {
    std::vector<std::string> indexLinks;
    std::vector<std::string> stockLinks;
};

// Reads "日経URL.txt" and "銘柄URL.txt" from the program folder: every
// non-empty line, line ends removed, nothing else interpreted. A list that
// stays empty gets its built-in entries.
LinkLists LoadLinkLists(const std::string& programFolder);

// Parses one link list file's bytes into its non-empty lines.
std::vector<std::string> ParseLinkList(const std::string& bytes);

const std::vector<std::string>& DefaultIndexLinks();
const std::vector<std::string>& DefaultStockLinks();

} // namespace zelmora
