#include "core/text/sjis.h"

#include <cstdint>

namespace zelmora {

std::size_t FindSjis(std::string_view text, std::string_view needle, std::size_t from)
{
    if (from > text.size())
        return npos;
    // A byte that cannot lead a double-byte character always ends one, so
    // the byte after it is a boundary: no need to walk from the start.
    std::size_t known = 0; // a boundary at or before every later candidate
    for (std::size_t candidate = text.find(needle, from); candidate != npos;
         candidate = text.find(needle, candidate + 1)) {
        std::size_t boundary = candidate;
        while (boundary > known && IsSjisLeadByte(static_cast<unsigned char>(text[boundary - 1])))
            --boundary;
        while (boundary < candidate)
            boundary += SjisCharLength(text, boundary);
        if (boundary == candidate)
            return candidate;
        known = boundary;
    }
    return npos;
}

std::string_view CutSjis(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = 0;
    while (end < maxBytes) {
        const std::size_t next = end + SjisCharLength(text, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

std::string_view WithoutLoneLeadByte(std::string_view text)
{
    std::size_t last = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += SjisCharLength(text, pos))
        last = pos;
    const bool lone = last + 1 == text.size() && IsSjisLeadByte(static_cast<unsigned char>(text[last]));
    return lone ? text.substr(0, last) : text;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t len = SjisCharLength(a, i);
        if (len == 2 ? a.substr(i, 2) != b.substr(i, 2) : fold(a[i]) != fold(b[i]))
            return false;
        i += len;
    }
    return true;
}

int ParseLeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

std::string SingleLine(std::string_view text)
{
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return line;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace zelmora
