#include "core/settings/profile_file.h"

#include <filesystem>
#include <utility>

#include "core/platform/file_bytes.h"
#include "core/text/code_page.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The section name of a header line, or nothing if the line is no header.
std::optional<std::string_view> HeaderName(std::string_view line)
{
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = npos;
    for (std::size_t i = 1; i < line.size(); i += SjisCharLength(line, i)) {
        if (line[i] == ']')
            close = i;
    }
    if (close == npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value; // blanks removed, quotes kept
};

// `=`, blanks and line ends are never second bytes, so a byte search is safe.
std::optional<Entry> SplitEntry(std::string_view line)
{
    line = TrimBlanks(line);
    if (!line.empty() && line.front() == ';')
        return std::nullopt;
    const std::size_t eq = line.find('=');
    if (eq == npos)
        return std::nullopt;
    return Entry{TrimBlanks(line.substr(0, eq)), TrimBlanks(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string EntryLine(std::string_view key, std::string_view value)
{
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

} // namespace

ProfileFile::Line ProfileFile::MakeLine(std::string text)
{
    Line line{std::move(text), std::nullopt};
    if (const auto name = HeaderName(line.text))
        line.header = std::string(*name);
    return line;
}

ProfileFile ProfileFile::Parse(std::string_view bytes)
{
    ProfileFile profile;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == npos) {
            profile.m_lines.push_back(MakeLine(std::string(bytes.substr(start))));
            break;
        }
        profile.m_lines.push_back(MakeLine(std::string(bytes.substr(start, end - start))));
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return profile;
}

ProfileFile ProfileFile::Load(const std::string& path)
{
    return Read(path).value_or(ProfileFile());
}

std::optional<ProfileFile> ProfileFile::Read(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        return ProfileFile();
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes)
        return std::nullopt;
    if (IsValidSjis(*bytes) || !IsValidUtf8(*bytes))
        return Parse(*bytes);
    std::string_view utf8 = *bytes;
    if (utf8.starts_with(kUtf8Bom))
        utf8.remove_prefix(kUtf8Bom.size());
    ProfileFile profile = Parse(Utf8ToSjis(utf8));
    profile.m_readAsUtf8 = true;
    return profile;
}

std::optional<std::size_t> ProfileFile::FindSection(std::string_view section) const
{
    section = TrimBlanks(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto& name = m_lines[i].header;
        if (name && EqualsIgnoringAsciiCase(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && !m_lines[i].header)
        ++i;
    return i;
}

std::optional<std::size_t> ProfileFile::FindKeyLine(std::size_t header, std::string_view key) const
{
    key = TrimBlanks(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto entry = SplitEntry(m_lines[i].text);
        if (entry && EqualsIgnoringAsciiCase(entry->key, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::FindRaw(std::string_view section, std::string_view key) const
{
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    const auto line = FindKeyLine(*header, key);
    if (!line)
        return std::nullopt;
    return std::string(SplitEntry(m_lines[*line].text)->value);
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const
{
    auto raw = FindRaw(section, key);
    if (raw)
        *raw = std::string(Unquote(*raw));
    return raw;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t bufferSize) const
{
    if (bufferSize == 0)
        return {};
    const auto value = Find(section, key);
    std::string_view text = value ? std::string_view(*value) : defaultValue;
    if (!value) {
        while (!text.empty() && IsBlank(text.back()))
            text.remove_suffix(1);
    }
    return std::string(CutSjis(text, bufferSize - 1));
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const auto value = Find(section, key);
    return value ? ParseLeadingInt(*value) : defaultValue;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const auto header = FindSection(section);
    if (!header) {
        std::string header(1, '[');
        header.append(TrimBlanks(section)).push_back(']');
        m_lines.push_back(MakeLine(std::move(header)));
        m_lines.push_back(MakeLine(EntryLine(TrimBlanks(key), value)));
        return;
    }
    if (const auto line = FindKeyLine(*header, key)) {
        m_lines[*line] = MakeLine(EntryLine(TrimBlanks(key), value));
        return;
    }
    // After the section's last non-blank line, so blank lines that separate
    // it from the next section stay between them.
    std::size_t insertAt = SectionEnd(*header);
    while (insertAt > *header + 1 && TrimBlanks(m_lines[insertAt - 1].text).empty())
        --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), MakeLine(EntryLine(TrimBlanks(key), value)));
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key)
{
    const auto header = FindSection(section);
    if (!header)
        return;
    if (const auto line = FindKeyLine(*header, key))
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*line));
}

bool ProfileFile::DeleteSection(std::string_view section)
{
    const auto header = FindSection(section);
    if (!header)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header)));
    return true;
}

std::string ProfileFile::Serialize() const
{
    std::size_t size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const Line& line : m_lines) {
        bytes += line.text;
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace zelmora
