#pragma once

#include <string>
#include <string_view>

namespace zelmora {

// Converts text of unknown Japanese encoding (Shift_JIS, UTF-8, EUC-JP or
// ISO-2022-JP) to Shift_JIS. The output is never longer than the input.
// Returns the score of the encoding chosen, 0 when the Latin fold was used.
// Every function here reads the text up to its first NUL byte, if any.
// Safe to call from several threads at once.
int ConvertToShiftJis(std::string_view input, std::string& output);

enum class JapaneseEncoding { ShiftJis, Utf8, EucJp, Iso2022Jp };

// The number of non-ASCII characters of the text read in that encoding, 0
// when the text is not valid in it.
int Score(JapaneseEncoding encoding, std::string_view text);

// The converters.
// A page in UTF-8 as Shift_JIS, by the converter's own tables (Utf8ToSjis in
// code_page.h is iconv's, for the program's own texts).
std::string Utf8PageToShiftJis(std::string_view text);
std::string EucJpToShiftJis(std::string_view text);
std::string Iso2022JpToShiftJis(std::string_view text);
std::string FoldLatin(std::string_view text);

} // namespace zelmora
