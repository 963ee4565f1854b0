#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Shift_JIS (code page 932) byte-string helpers. Every search over Shift_JIS
// text goes through FindSjis so that a match never starts on the second byte
// of a double-byte character.
namespace zelmora {

constexpr std::size_t npos = std::string_view::npos;

constexpr bool IsSjisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Byte length of the character starting at text[pos] (1 or 2).
inline std::size_t SjisCharLength(std::string_view text, std::size_t pos)
{
    return IsSjisLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// First occurrence of needle at or after `from` that starts on a character
// boundary of text (boundaries counted from the start of text); npos if none.
// An empty needle matches at `from` when that is within the text.
std::size_t FindSjis(std::string_view text, std::string_view needle, std::size_t from = 0);

inline bool ContainsSjis(std::string_view text, std::string_view needle)
{
    return FindSjis(text, needle) != npos;
}

// The longest prefix of text of at most maxBytes bytes that does not end in
// the middle of a double-byte character.
std::string_view CutSjis(std::string_view text, std::size_t maxBytes);

// The text less its last byte when that is a lead byte with nothing after it.
std::string_view WithoutLoneLeadByte(std::string_view text);

// Equal texts when the case of ASCII letters is ignored; second bytes of
// double-byte characters compare exactly (0x83 0x41 is ア, 0x83 0x61 is not).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

inline bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The text with each CR and LF made a blank, for a value written on one line
// of a file or a mail header. Neither byte is ever part of a double-byte
// character.
std::string SingleLine(std::string_view text);

// A blank or a tab; neither is ever part of a double-byte character.
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The text without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view text);

inline bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Leading integer of a text as the C runtime's atoi reads it: optional blanks,
// optional sign, decimal digits up to the first non-digit; no digits give 0.
// Values that do not fit wrap modulo 2^32, as Windows does.
int ParseLeadingInt(std::string_view text);

} // namespace zelmora
