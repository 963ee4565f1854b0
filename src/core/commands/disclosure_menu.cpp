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

std::optional<std::string> LocalDocumentPath(const std::string& programFolder, const std::string& date,
                                             const std::string& code, std::string_view url)
{
    std::size_t slash = npos;
    for (std::size_t at = FindSjis(url, "/"); at != npos; at = FindSjis(url, "/", at + 1))
        slash = at;
    if (slash == npos)
        return std::nullopt;
    const std::string_view name = url.substr(slash + 1);
    // The name comes from a web page: it may not climb out of the folder.
    if (name.empty() || name == "." || name == ".." || ContainsSjis(name, "\\"))
        return std::nullopt;
    return programFolder + date + "/" + code + "/" + std::string(name);
}

} // namespace zelmora
