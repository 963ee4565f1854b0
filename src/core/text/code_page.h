#pragma once

#include <string>
#include <string_view>

// Conversions between UTF-8 and code page 932 (Shift_JIS) through iconv.
namespace zelmora {

// Characters without a code page 932 form, and malformed UTF-8, become "?".
std::string Utf8ToSjis(std::string_view utf8);

// Bytes that are not valid code page 932 become U+FFFD.
std::string SjisToUtf8(std::string_view sjis);

// The whole text is valid code page 932, or well-formed UTF-8.
bool IsValidSjis(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

// Characters without an EUC-JP form, and invalid bytes, become "?".
std::string SjisToEucJp(std::string_view sjis);

} // namespace zelmora
