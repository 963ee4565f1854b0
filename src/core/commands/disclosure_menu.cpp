#include "core/commands/disclosure_menu.h"

#include "core/text/sjis.h"

namespace zelmora {

std::string DisclosureCaption(std::string_view line)
{
    return std::string(line.substr(0, FindSjis(line, "_")));
}

std::string DisclosureUrl(std::string_view line)
{
    const std::size_t separator = FindSjis(line, "_");
    return separator == npos ? std::string() : std::string(line.substr(separator + 1));
}

} // namespace zelmora
