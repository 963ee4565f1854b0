#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// A Windows profile ("INI") file held in memory, read and changed the way
// GetPrivateProfileString, GetPrivateProfileInt and WritePrivateProfileString
// treat it, so that Zelmora's Windows and Linux builds share one file.
// Bytes are code page 932; lines the program does not touch keep their bytes.
class ProfileFile {
public:
    ProfileFile() = default;
    static ProfileFile Parse(std::string_view bytes);
    // A missing or unreadable file gives an empty profile.
    static ProfileFile Load(const std::string& path);
    // A missing file gives an empty profile; nothing when the file exists
    // but cannot be read, so that a rewrite does not wipe it. A file that is
    // no Shift_JIS but is UTF-8 throughout, as an editor on Linux saves it,
    // is converted to Shift_JIS as it is read (ReadAsUtf8), so a rewrite
    // saves it whole in Shift_JIS; a file valid as both is Shift_JIS.
    static std::optional<ProfileFile> Read(const std::string& path);
    bool ReadAsUtf8() const { return m_readAsUtf8; }

    // The value as the profile reader returns it (blanks and one pair of
    // quotes removed), or nothing when the section or key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // GetPrivateProfileString: the value, or the default with its trailing
    // blanks removed, cut to bufferSize - 1 bytes without splitting a
    // double-byte character.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize) const;

    // GetPrivateProfileInt: the default when the key is missing, else the
    // leading integer of the value (0 when it has no digits).
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The value text as it stands in the file, quotes included.
    std::optional<std::string> FindRaw(std::string_view section, std::string_view key) const;

    // WritePrivateProfileString with a value.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // WritePrivateProfileString with a null value.
    void DeleteKey(std::string_view section, std::string_view key);
    // WritePrivateProfileString with a null key: the first section of the
    // name goes. False when there was none.
    bool DeleteSection(std::string_view section);

    // The file's bytes, every line ended by CRLF.
    std::string Serialize() const;

private:
    struct Line {
        std::string text;                  // the line as read, without its line end
        std::optional<std::string> header; // section name, when the line is a header
    };
    static Line MakeLine(std::string text);

    // Index of the header line of the first section called `section`.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;
    std::optional<std::size_t> FindKeyLine(std::size_t header, std::string_view key) const;

    std::vector<Line> m_lines;
    bool m_readAsUtf8 = false;
};

} // namespace zelmora
