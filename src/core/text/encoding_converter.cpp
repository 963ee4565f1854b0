#include "core/text/encoding_converter.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <memory>

namespace zelmora {
namespace {

using Byte = unsigned char;

// Callers hand in C strings in spirit: everything after a NUL byte is not text.
std::string_view UntilTerminator(std::string_view text)
{
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul == nullptr ? text : text.substr(0, static_cast<const char*>(nul) - text.data());
}

const Byte* Begin(std::string_view text) { return reinterpret_cast<const Byte*>(text.data()); }
const Byte* End(std::string_view text) { return Begin(text) + text.size(); }

int ToScore(std::size_t count) { return count > INT_MAX ? INT_MAX : static_cast<int>(count); }

constexpr bool InRange(Byte b, Byte low, Byte high) { return b >= low && b <= high; }

// Skips whole 8-byte words of ASCII; the byte loops finish the rest.
const Byte* SkipAsciiWords(const Byte* p, const Byte* end)
{
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            break;
        p += 8;
    }
    return p;
}

std::size_t CountShiftJis(const Byte* p, const Byte* end)
{
    std::size_t count = 0;
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            p = SkipAsciiWords(p + 1, end);
        } else if (InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xEF)) {
            if (end - p < 2)
                return 0;
            const Byte t = p[1];
            if (!(InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC)))
                return 0;
            p += 2;
            ++count;
        } else if (InRange(c, 0xA1, 0xDF)) {
            ++p;
            ++count;
        } else {
            return 0;
        }
    }
    return count;
}

constexpr bool IsContinuation(Byte b) { return (b & 0xC0) == 0x80; }

std::size_t CountUtf8(const Byte* p, const Byte* end)
{
    std::size_t count = 0;
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            p = SkipAsciiWords(p + 1, end);
        } else if (InRange(c, 0xC0, 0xDF)) {
            if (end - p < 2 || !IsContinuation(p[1]))
                return 0;
            p += 2;
            ++count;
        } else if (InRange(c, 0xE0, 0xEF)) {
            if (end - p < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2]))
                return 0;
            p += 3;
            ++count;
        } else {
            return 0;
        }
    }
    return count;
}

constexpr bool IsEucByte(Byte b) { return InRange(b, 0xA1, 0xFE); }
constexpr bool IsKanaByte(Byte b) { return InRange(static_cast<Byte>(b | 0x80), 0xA1, 0xDF); }

std::size_t CountEucJp(const Byte* p, const Byte* end)
{
    std::size_t count = 0;
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            p = SkipAsciiWords(p + 1, end);
        } else if (c == 0x8E && end - p >= 2 && IsKanaByte(p[1])) {
            p += 2;
            ++count;
        } else if (c == 0x8F && end - p >= 3 && IsEucByte(p[1]) && IsEucByte(p[2])) {
            p += 3;
            ++count;
        } else if (IsEucByte(c) && end - p >= 2 && IsEucByte(p[1])) {
            p += 2;
            ++count;
        } else {
            return 0;
        }
    }
    return count;
}

enum class JisMode { Ascii, X0208, Kana, X0212 };

// Reads an escape sequence at p; false when there is none, which leaves mode alone.
bool ReadEscape(const Byte* p, const Byte* end, JisMode& mode)
{
    if (*p != 0x1B || end - p < 3)
        return false;
    const Byte a = p[1];
    const Byte b = p[2];
    if (a == 0x28 && (b == 0x42 || b == 0x4A))
        mode = JisMode::Ascii;
    else if (a == 0x24 && (b == 0x40 || b == 0x42))
        mode = JisMode::X0208;
    else if (a == 0x28 && b == 0x49)
        mode = JisMode::Kana;
    else if (a == 0x24 && b == 0x44)
        mode = JisMode::X0212;
    else
        return false;
    return true;
}

constexpr bool IsJisByte(Byte b) { return InRange(b, 0x21, 0x7E); }

std::size_t CountIso2022Jp(const Byte* p, const Byte* end)
{
    std::size_t count = 0;
    JisMode mode = JisMode::Ascii;
    while (p < end) {
        if (ReadEscape(p, end, mode)) {
            p += 3;
            continue;
        }
        switch (mode) {
        case JisMode::Ascii:
            if (*p > 0x7E)
                return 0;
            ++p;
            break;
        case JisMode::X0208:
        case JisMode::X0212:
            if (end - p < 2 || !IsJisByte(p[0]) || !IsJisByte(p[1]))
                return 0;
            p += 2;
            ++count;
            break;
        case JisMode::Kana:
            if (!IsKanaByte(*p))
                return 0;
            ++p;
            ++count;
            break;
        }
    }
    return count;
}

// JIS X 0208 row and cell to Shift_JIS; wraps like byte arithmetic on bad input.
char* JisToShiftJis(Byte j1, Byte j2, char* out)
{
    const int first = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    const int second = (j1 & 1) ? j2 + (j2 <= 0x5F ? 0x1F : 0x20) : j2 + 0x7E;
    *out++ = static_cast<char>(first);
    *out++ = static_cast<char>(second);
    return out;
}

// "・": JIS X 0212 characters have no Shift_JIS form.
char* WriteMiddleDot(char* out)
{
    *out++ = '\x81';
    *out++ = '\x45';
    return out;
}

// A sequence cut off by the end of the text; one byte keeps the length bound.
constexpr char kTruncated = '?';

char* CopyAsciiRun(const Byte*& p, const Byte* end, char* out)
{
    const Byte* start = p;
    p = SkipAsciiWords(p, end);
    while (p < end && *p < 0x80)
        ++p;
    std::memcpy(out, start, p - start);
    return out + (p - start);
}

char* ConvertEucJp(const Byte* p, const Byte* end, char* out)
{
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            out = CopyAsciiRun(p, end, out);
        } else if (c == 0x8E) {
            if (end - p < 2) {
                *out++ = kTruncated;
                break;
            }
            *out++ = static_cast<char>(p[1] | 0x80);
            p += 2;
        } else if (c == 0x8F) {
            if (end - p < 3) {
                *out++ = kTruncated;
                break;
            }
            out = WriteMiddleDot(out);
            p += 3;
        } else {
            if (end - p < 2) {
                *out++ = kTruncated;
                break;
            }
            out = JisToShiftJis(c ^ 0x80, p[1] ^ 0x80, out);
            p += 2;
        }
    }
    return out;
}

char* ConvertIso2022Jp(const Byte* p, const Byte* end, char* out)
{
    JisMode mode = JisMode::Ascii;
    while (p < end) {
        if (ReadEscape(p, end, mode)) {
            p += 3;
            continue;
        }
        switch (mode) {
        case JisMode::Ascii:
            *out++ = static_cast<char>(*p++);
            break;
        case JisMode::Kana:
            *out++ = static_cast<char>(*p++ | 0x80);
            break;
        case JisMode::X0208:
        case JisMode::X0212:
            if (end - p < 2) {
                *out++ = kTruncated;
                return out;
            }
            out = mode == JisMode::X0208 ? JisToShiftJis(p[0], p[1], out) : WriteMiddleDot(out);
            p += 2;
            break;
        }
    }
    return out;
}

constexpr std::array<Byte, 128> kLatinFoldTable = {
    // 0x80
    0x43, 0x20, 0x2C, 0x66, 0x2C, 0x2D, 0x2B, 0x2B, 0x5E, 0x2F, 0x53, 0x3C, 0x43, 0x20, 0x5A, 0x20,
    // 0x90; 0x93 and 0x94 are the curly double quotes
    0x20, 0x27, 0x27, 0x22, 0x22, 0x20, 0x2D, 0x2D, 0x7E, 0x54, 0x73, 0x3E, 0x65, 0x20, 0x7A, 0x59,
    // 0xA0
    0x20, 0x69, 0x63, 0x4C, 0x6F, 0x5C, 0x7C, 0x73, 0x7E, 0x63, 0x61, 0x3C, 0x7E, 0x20, 0x52, 0x7E,
    // 0xB0
    0x27, 0x20, 0x32, 0x33, 0x27, 0x75, 0x7C, 0x20, 0x2C, 0x31, 0x30, 0x3E, 0x71, 0x68, 0x33, 0x3F,
    // 0xC0
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x45, 0x43, 0x45, 0x45, 0x45, 0x45, 0x49, 0x49, 0x49, 0x49,
    // 0xD0
    0x44, 0x4E, 0x4F, 0x4F, 0x4F, 0x4F, 0x4F, 0x58, 0x40, 0x55, 0x55, 0x55, 0x55, 0x59, 0x50, 0x42,
    // 0xE0
    0x61, 0x61, 0x61, 0x61, 0x61, 0x61, 0x65, 0x63, 0x65, 0x65, 0x65, 0x65, 0x69, 0x69, 0x69, 0x69,
    // 0xF0
    0x6F, 0x6E, 0x6F, 0x6F, 0x6F, 0x6F, 0x6F, 0x2F, 0x40, 0x75, 0x75, 0x75, 0x75, 0x79, 0x70, 0x79,
};

char* FoldLatinBytes(const Byte* p, const Byte* end, char* out)
{
    for (; p < end; ++p)
        *out++ = static_cast<char>(*p < 0x80 ? *p : kLatinFoldTable[*p - 0x80]);
    return out;
}

// Code page 932 form of every BMP code point, taken from iconv once so that
// the fast path gives exactly what iconv gives: 0 for none, a value below
// 0x100 for one byte, else two bytes, high byte first.
class Cp932Table {
public:
    Cp932Table() : m_codes(std::make_unique<std::uint16_t[]>(0x10000))
    {
        const iconv_t cd = iconv_open("CP932", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return;
        for (std::uint32_t u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            char in[3];
            std::size_t inLeft = EncodeUtf8(u, in);
            char outBytes[4];
            char* src = in;
            char* dst = outBytes;
            std::size_t outLeft = sizeof outBytes;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1))
                continue;
            const std::size_t n = sizeof outBytes - outLeft;
            const auto b0 = static_cast<Byte>(outBytes[0]);
            if (n == 1 && b0 != 0)
                m_codes[u] = b0;
            else if (n == 2 && b0 != 0)
                m_codes[u] = static_cast<std::uint16_t>(b0 << 8 | static_cast<Byte>(outBytes[1]));
        }
        iconv_close(cd);
    }

    std::uint16_t operator[](std::uint32_t codePoint) const { return m_codes[codePoint]; }

private:
    static std::size_t EncodeUtf8(std::uint32_t u, char* out)
    {
        if (u < 0x80) {
            out[0] = static_cast<char>(u);
            return 1;
        }
        if (u < 0x800) {
            out[0] = static_cast<char>(0xC0 | u >> 6);
            out[1] = static_cast<char>(0x80 | (u & 0x3F));
            return 2;
        }
        out[0] = static_cast<char>(0xE0 | u >> 12);
        out[1] = static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (u & 0x3F));
        return 3;
    }

    std::unique_ptr<std::uint16_t[]> m_codes;
};

const Cp932Table& CodePage932()
{
    static const Cp932Table table;
    return table;
}

// Unconvertible and malformed sequences become one "?" each, skipping the lead
// byte and the continuation bytes that follow it (at most the lead's length),
// as Utf8ToSjis does.
char* ConvertUtf8(const Byte* p, const Byte* end, char* out)
{
    const Cp932Table& table = CodePage932();
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            out = CopyAsciiRun(p, end, out);
            continue;
        }
        const std::ptrdiff_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        std::ptrdiff_t have = 1;
        while (have < length && have < end - p && IsContinuation(p[have]))
            ++have;
        std::uint32_t codePoint = 0;
        if (have == length && length == 2) {
            codePoint = (c & 0x1Fu) << 6 | (p[1] & 0x3Fu);
            if (codePoint < 0x80)
                codePoint = 0;
        } else if (have == length && length == 3) {
            codePoint = (c & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            if (codePoint < 0x800)
                codePoint = 0;
        }
        // Four-byte sequences lie outside the BMP: none has a code page 932 form.
        const std::uint16_t code = codePoint == 0 ? 0 : table[codePoint];
        if (code == 0) {
            *out++ = '?';
        } else if (code < 0x100) {
            *out++ = static_cast<char>(code);
        } else {
            *out++ = static_cast<char>(code >> 8);
            *out++ = static_cast<char>(code & 0xFF);
        }
        p += have;
    }
    return out;
}

using ByteConverter = char* (*)(const Byte*, const Byte*, char*);

std::string Convert(std::string_view text, ByteConverter convert)
{
    text = UntilTerminator(text);
    std::string out(text.size(), '\0');
    char* last = convert(Begin(text), End(text), out.data());
    out.resize(last - out.data());
    return out;
}

} // namespace

int Score(JapaneseEncoding encoding, std::string_view text)
{
    // In the order of the enum.
    static constexpr std::size_t (*kCounters[])(const Byte*, const Byte*) = {CountShiftJis, CountUtf8, CountEucJp,
                                                                             CountIso2022Jp};
    text = UntilTerminator(text);
    return ToScore(kCounters[static_cast<int>(encoding)](Begin(text), End(text)));
}

std::string Utf8PageToShiftJis(std::string_view text) { return Convert(text, ConvertUtf8); }
std::string EucJpToShiftJis(std::string_view text) { return Convert(text, ConvertEucJp); }
std::string Iso2022JpToShiftJis(std::string_view text) { return Convert(text, ConvertIso2022Jp); }
std::string FoldLatin(std::string_view text) { return Convert(text, FoldLatinBytes); }

int ConvertToShiftJis(std::string_view input, std::string& output)
{
    const std::less<const char*> before;
    if (!before(input.data(), output.data()) && before(input.data(), output.data() + output.capacity())) {
        // Converting a string into itself: work from a copy.
        const std::string copy(input);
        return ConvertToShiftJis(copy, output);
    }
    const std::string_view text = UntilTerminator(input);
    const Byte* begin = Begin(text);
    const Byte* end = End(text);

    const int u = ToScore(CountUtf8(begin, end));
    const int e = ToScore(CountEucJp(begin, end));
    const int j = ToScore(CountIso2022Jp(begin, end));
    // Shift_JIS can only win while no UTF-8 reading exists, so skip its walk otherwise.
    const int s = u == 0 ? ToScore(CountShiftJis(begin, end)) : 0;

    ByteConverter convert = nullptr;
    int score = 0;
    if (u == 0 && s >= e && s >= j) {
        if (s > 0) {
            output.assign(text);
            return s;
        }
        convert = FoldLatinBytes;
    } else if (u >= e && u >= j) {
        convert = ConvertUtf8;
        score = u;
    } else if (e >= j) {
        convert = ConvertEucJp;
        score = e;
    } else {
        convert = ConvertIso2022Jp;
        score = j;
    }
    output.resize(text.size());
    char* last = convert(begin, end, output.data());
    output.resize(last - output.data());
    return score;
}

} // namespace zelmora
