// 銘柄URL.txt and 日経URL.txt as a user writes them: the lines, each line's
// label and address, and the address filled in for a stock or an index.
#include <string>
#include <vector>

#include "core/links/link_template.h"
#include "fuzz_input.h"

using namespace zelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 3);
    const std::string code(parts[0]);
    const std::string bytes(parts[2]);
    const std::array<std::string, kMarketCount> letters = {std::string(parts[1]), "q", "j", "o", "n", "f", "s"};

    for (const std::string& line : ParseLinkList(bytes)) {
        FUZZ_CHECK(!line.empty() && line.find('\n') == std::string::npos);
        const std::optional<LinkTemplateParts> parts = SplitLinkTemplate(line);
        FUZZ_CHECK(parts.has_value() == ContainsSjis(line, "_"));
        if (!parts)
            continue;
        // The label stands before the address's "_", never ends in half a
        // character, and the address is all that follows that "_".
        FUZZ_CHECK(line.ends_with("_" + parts->url) && !ContainsSjis(line.substr(0, line.size() - parts->url.size() - 1), "_"));
        FUZZ_CHECK(line.starts_with(parts->label) && fuzz::EndsOnCharacter(parts->label));
        for (const std::string& letter : {MarketLetterFor(parts->label, letters), std::string()})
            ExpandLinkTemplate(parts->url, code, letter);
    }
    return 0;
}
