// Page text of unknown Japanese encoding: the guess and the conversion to
// Shift_JIS that every quote and listing page goes through.
#include <string>

#include "core/text/code_page.h"
#include "core/text/encoding_converter.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

constexpr bool InRange(unsigned char b, unsigned char low, unsigned char high)
{
    return b >= low && b <= high;
}

// Single bytes, or a lead byte of code page 932 with a trail byte.
bool IsValidShiftJis(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 || InRange(c, 0xA1, 0xDF))
            continue;
        if (!IsSjisLeadByte(c) || i + 1 == text.size())
            return false;
        const auto t = static_cast<unsigned char>(text[++i]);
        if (!InRange(t, 0x40, 0x7E) && !InRange(t, 0x80, 0xFC))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view text = input.substr(0, input.find('\0'));

    std::string output = "left over";
    const int score = ConvertToShiftJis(input, output);
    FUZZ_CHECK(score >= 0);
    FUZZ_CHECK(output.size() <= text.size());
    FUZZ_CHECK(IsValidShiftJis(output));
    // Converting a string into itself gives what a fresh output gets.
    std::string inPlace(input);
    ConvertToShiftJis(inPlace, inPlace);
    FUZZ_CHECK(inPlace == output);

    // The converters each read their own encoding and keep the length bound.
    FUZZ_CHECK(Utf8PageToShiftJis(input).size() <= text.size());
    FUZZ_CHECK(EucJpToShiftJis(input).size() <= text.size());
    FUZZ_CHECK(Iso2022JpToShiftJis(input).size() <= text.size());
    FUZZ_CHECK(FoldLatin(input).size() == text.size());
    FUZZ_CHECK(IsValidShiftJis(Utf8ToSjis(input)));
    SjisToUtf8(input);
    return 0;
}
