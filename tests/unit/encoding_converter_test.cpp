#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/text/code_page.h"
#include "core/text/encoding_converter.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

// Converts with iconv; an empty optional-like result plus a failure when the
// text does not convert completely, so a test never runs on half an input.
std::string Iconv(const char* to, const char* from, std::string_view text, bool* ok = nullptr)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv_open " << from << " -> " << to;
        return {};
    }
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    bool done = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1);
    done = done && iconv(cd, nullptr, nullptr, &dst, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    if (ok != nullptr)
        *ok = done;
    else if (!done)
        ADD_FAILURE() << "iconv could not convert the whole text to " << to;
    return out;
}

std::string EucJp(const char* utf8) { return Iconv("EUC-JP", "UTF-8", utf8); }
std::string Iso2022Jp(const char* utf8) { return Iconv("ISO-2022-JP", "UTF-8", utf8); }

struct Scores {
    int s, u, e, j;
    bool operator==(const Scores&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Scores& x)
{
    return os << "S=" << x.s << " U=" << x.u << " E=" << x.e << " J=" << x.j;
}

Scores ScoresOf(std::string_view text)
{
    using enum JapaneseEncoding;
    return {Score(ShiftJis, text), Score(Utf8, text), Score(EucJp, text), Score(Iso2022Jp, text)};
}

std::string Convert(std::string_view text, int* score = nullptr)
{
    std::string out = "left over from an earlier call";
    const int result = ConvertToShiftJis(text, out);
    if (score != nullptr)
        *score = result;
    return out;
}

} // namespace

TEST(EncodingConverter, EmptyAndAsciiTextComeOutUnchangedWithScoreZero)
{
    for (const std::string text : {"", "15:00", "7203.t <b>+12</b> \x1B$Z"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ScoresOf(text), (Scores{0, 0, 0, 0}));
        int score = -1;
        EXPECT_EQ(Convert(text, &score), text);
        EXPECT_EQ(score, 0);
    }
}

TEST(EncodingConverter, ShiftJisIsCopiedUnchanged)
{
    const std::string text = S("トヨタ自動車");
    EXPECT_EQ(ScoresOf(text), (Scores{6, 0, 0, 0}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), text);
    EXPECT_EQ(score, 6);
}

TEST(EncodingConverter, EucJpIsConverted)
{
    const std::string text = EucJp("9432 日本電信電話 (NTT)");
    EXPECT_EQ(ScoresOf(text), (Scores{0, 0, 6, 0}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), S("9432 日本電信電話 (NTT)"));
    EXPECT_EQ(score, 6);
}

TEST(EncodingConverter, EucJpThatAlsoReadsAsShiftJisIsCopied)
{
    // Every byte of トヨタ自動車 in EUC-JP is also a valid Shift_JIS reading,
    // with more characters, so Shift_JIS wins.
    const std::string text = EucJp("トヨタ自動車");
    EXPECT_EQ(ScoresOf(text), (Scores{11, 0, 6, 0}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), text);
    EXPECT_EQ(score, 11);
}

TEST(EncodingConverter, Utf8IsConvertedAndExcludesShiftJis)
{
    int score = 0;
    EXPECT_EQ(Score(JapaneseEncoding::Utf8, "トヨタ自動車"), 6);
    EXPECT_EQ(Convert("トヨタ自動車", &score), S("トヨタ自動車"));
    EXPECT_EQ(score, 6);

    // Shift_JIS reads more characters here, but any UTF-8 reading beats it.
    EXPECT_EQ(Score(JapaneseEncoding::ShiftJis, "日本電信電話"), 12);
    EXPECT_EQ(Score(JapaneseEncoding::Utf8, "日本電信電話"), 6);
    EXPECT_EQ(Convert("日本電信電話", &score), S("日本電信電話"));
    EXPECT_EQ(score, 6);
}

TEST(EncodingConverter, Iso2022JpIsConvertedAndEscapesDisappear)
{
    const std::string text = Iso2022Jp("トヨタ自動車");
    ASSERT_EQ(text.substr(0, 3), "\x1B$B");
    ASSERT_EQ(text.substr(text.size() - 3), "\x1B(B");
    EXPECT_EQ(ScoresOf(text), (Scores{0, 0, 0, 6}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), S("トヨタ自動車"));
    EXPECT_EQ(score, 6);

    EXPECT_EQ(Convert(Iso2022Jp("7203 トヨタ 15:00 株価")), S("7203 トヨタ 15:00 株価"));
}

TEST(EncodingConverter, Iso2022JpOlderAndRomanEscapesSwitchModes)
{
    // ESC $ @ selects JIS X 0208 too, ESC ( J returns to one-byte text.
    const std::string text = "a\x1B$@" "F|" "\x1B(J" "b";
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, text), 1);
    EXPECT_EQ(Convert(text), "a" + S("日") + "b");
}

TEST(EncodingConverter, JisX0212BecomesMiddleDot)
{
    // 丂 exists only in JIS X 0212.
    const std::string euc = EucJp("日本丂");
    ASSERT_EQ(static_cast<unsigned char>(euc[4]), 0x8F);
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, euc), 3);
    EXPECT_EQ(Convert(euc), S("日本・"));

    const std::string iso = "\x1B$B" "F|" "\x1B$D" "0!" "\x1B(B" "x";
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, iso), 2);
    EXPECT_EQ(Convert(iso), S("日・") + "x");
}

TEST(EncodingConverter, HalfWidthKatakana)
{
    // EUC-JP writes them as 8E and the Shift_JIS byte.
    const std::string euc = EucJp("日本ｶﾌﾞ");
    ASSERT_EQ(static_cast<unsigned char>(euc[4]), 0x8E);
    EXPECT_EQ(Convert(euc), S("日本ｶﾌﾞ"));
    EXPECT_EQ(EucJpToShiftJis(EucJp("ｱｲｳ")), S("ｱｲｳ"));
    // A seven-bit second byte is accepted and gets its top bit set.
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, "\x8E\x31"), 1);
    EXPECT_EQ(EucJpToShiftJis("\x8E\x31"), S("ｱ"));
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, "\x8E\xE0"), 0);

    // ISO-2022-JP: ESC ( I, seven-bit or eight-bit bytes.
    const std::string iso = "\x1B(I" "12" "\xB3" "\x1B(B" "!";
    EXPECT_EQ(ScoresOf(iso), (Scores{1, 0, 0, 3}));
    int score = 0;
    EXPECT_EQ(Convert(iso, &score), S("ｱｲｳ") + "!");
    EXPECT_EQ(score, 3);
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, "\x1B(I" "\x60"), 0);
}

TEST(EncodingConverter, TextValidInNoEncodingIsFolded)
{
    int score = -1;
    EXPECT_EQ(Convert("\xE9", &score), "e");
    EXPECT_EQ(score, 0);
    EXPECT_EQ(Convert("\xFF"), "y");
    EXPECT_EQ(Convert("Soci\xE9t\xE9 G\xE9n\xE9rale"), "Societe Generale");

    // C7 alone is a half-width katakana byte in Shift_JIS.
    EXPECT_EQ(Convert("\xC7", &score), "\xC7");
    EXPECT_EQ(score, 1);
}

TEST(EncodingConverter, LatinFoldTable)
{
    EXPECT_EQ(FoldLatin("\xC0\xC1\xC2\xC3\xC4\xC5"), "AAAAAA");
    EXPECT_EQ(FoldLatin("\xC7\xE7\xE9\xF1\xD6\xFC\xDF"), "CcenOuB");
    EXPECT_EQ(FoldLatin("\x93quoted\x94 \x91it\x92s\x85"), "\"quoted\" 'it's-");
    EXPECT_EQ(FoldLatin("\xA5\x80\xA9\xAE\xB2\xBF"), "\\CcR2?");
    EXPECT_EQ(FoldLatin("plain ASCII\x7F"), "plain ASCII\x7F");
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string folded = FoldLatin(std::string(1, static_cast<char>(b)));
        ASSERT_EQ(folded.size(), 1u);
        EXPECT_TRUE(folded[0] >= 0x20 && folded[0] <= 0x7E) << "byte " << b;
    }
}

TEST(EncodingConverter, ShiftJisWinsTiesAgainstEucJpAndIso2022Jp)
{
    // E0 A1: one Shift_JIS character and one EUC-JP character.
    const std::string sjisOrEuc = "\xE0\xA1";
    EXPECT_EQ(ScoresOf(sjisOrEuc), (Scores{1, 0, 1, 0}));
    EXPECT_EQ(Convert(sjisOrEuc), sjisOrEuc);

    // A katakana byte after ESC ( I: one character either way; the copy keeps the escape.
    const std::string sjisOrIso = "\x1B(I\xB1";
    EXPECT_EQ(ScoresOf(sjisOrIso), (Scores{1, 0, 0, 1}));
    EXPECT_EQ(Convert(sjisOrIso), sjisOrIso);
}

TEST(EncodingConverter, Utf8WinsTiesAgainstEucJp)
{
    // C3 A1 is á in UTF-8 and one EUC-JP character; it has no Shift_JIS form.
    const std::string text = "x\xC3\xA1";
    EXPECT_EQ(ScoresOf(text), (Scores{2, 1, 1, 0}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), "x?");
    EXPECT_EQ(score, 1);
}

TEST(EncodingConverter, Iso2022JpBeatsALowerUtf8Score)
{
    // After ESC ( I the two bytes of á are two katakana.
    const std::string text = "\x1B(I\xC3\xA1";
    EXPECT_EQ(ScoresOf(text), (Scores{2, 1, 1, 2}));
    int score = 0;
    EXPECT_EQ(Convert(text, &score), "\xC3\xA1");
    EXPECT_EQ(score, 2);
}

TEST(EncodingConverter, ScorersRejectWhatTheirEncodingForbids)
{
    for (const char* bad : {"\x80", "\xA0", "\xF0\x40", "\x81\x7F", "\x81\xFD", "\x81\x20"})
        EXPECT_EQ(Score(JapaneseEncoding::ShiftJis, std::string("a") + bad), 0) << "Shift_JIS " << bad;
    EXPECT_EQ(Score(JapaneseEncoding::ShiftJis, "\x81\x40\x9F\xFC\xEF\x80"), 3);

    // Four-byte sequences are not accepted, nor stray continuation bytes.
    for (const char* bad : {"\xF0\x9F\x93\x88", "\x80", "\xC3", "\xC3\x41", "\xE3\x81\x41"})
        EXPECT_EQ(Score(JapaneseEncoding::Utf8, std::string("a") + bad), 0) << "UTF-8 " << bad;

    for (const char* bad : {"\xA1\x41", "\xFF\xA1", "\x8F\xA1\x41", "\x8E\x80"})
        EXPECT_EQ(Score(JapaneseEncoding::EucJp, std::string("a") + bad), 0) << "EUC-JP " << bad;

    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, "a\x7F"), 0);
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, "\x1B$B" "F\n"), 0);
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, "\x1B$B" "F|\x1B$Z"), 0);
}

TEST(EncodingConverter, TruncatedSequencesAreNotValid)
{
    const std::string sjis = S("日本");
    const std::string utf8 = "日本";
    const std::string euc = EucJp("日本");
    const std::string iso = Iso2022Jp("日本");
    EXPECT_EQ(Score(JapaneseEncoding::ShiftJis, sjis.substr(0, 3)), 0);
    EXPECT_EQ(Score(JapaneseEncoding::Utf8, utf8.substr(0, 5)), 0);
    EXPECT_EQ(Score(JapaneseEncoding::Utf8, utf8.substr(0, 4)), 0);
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, euc.substr(0, 3)), 0);
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, "\x8F\xB0"), 0);
    EXPECT_EQ(Score(JapaneseEncoding::EucJp, "\x8E"), 0);
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, iso.substr(0, 6)), 0);
    // Ending inside two-byte mode at a character boundary is fine.
    EXPECT_EQ(Score(JapaneseEncoding::Iso2022Jp, iso.substr(0, 7)), 2);

    // Converters called on them directly keep what is whole and mark the rest.
    EXPECT_EQ(EucJpToShiftJis(euc.substr(0, 3)), S("日") + "?");
    EXPECT_EQ(EucJpToShiftJis("\x8F\xB0"), "?");
    EXPECT_EQ(EucJpToShiftJis("\x8E"), "?");
    EXPECT_EQ(Iso2022JpToShiftJis(iso.substr(0, 6)), S("日") + "?");
    EXPECT_EQ(Utf8PageToShiftJis(utf8.substr(0, 5)), S("日") + "?");
}

TEST(EncodingConverter, EmbeddedNulEndsTheText)
{
    const std::string text = S("トヨタ") + std::string("\0\xFF\xFE", 3);
    EXPECT_EQ(Score(JapaneseEncoding::ShiftJis, text), 3);
    int score = 0;
    EXPECT_EQ(Convert(text, &score), S("トヨタ"));
    EXPECT_EQ(score, 3);
    EXPECT_EQ(Utf8PageToShiftJis(std::string("a\0b", 3)), "a");
    EXPECT_EQ(FoldLatin(std::string("\xE9\0\xE9", 3)), "e");
}

TEST(EncodingConverter, ConvertingAStringIntoItself)
{
    std::string text = "7203 トヨタ自動車 " + std::string(100, 'x');
    const std::string expected = S(text.c_str());
    EXPECT_EQ(ConvertToShiftJis(text, text), 6);
    EXPECT_EQ(text, expected);

    std::string euc = EucJp("日本電信電話");
    ConvertToShiftJis(std::string_view(euc).substr(0, 8), euc);
    EXPECT_EQ(euc, S("日本電信"));
}

TEST(EncodingConverter, JisX0208ArithmeticMatchesIconvForEveryCharacter)
{
    int compared = 0;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            const std::string euc = {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            bool ok = false;
            const std::string expected = Iconv("SHIFT_JIS", "EUC-JP", euc, &ok);
            if (!ok || expected.size() != 2)
                continue; // unassigned code
            ++compared;
            ASSERT_EQ(EucJpToShiftJis(euc), expected) << std::hex << j1 << " " << j2;
            const std::string iso = "\x1B$B" + std::string{static_cast<char>(j1), static_cast<char>(j2)};
            ASSERT_EQ(Iso2022JpToShiftJis(iso), expected) << std::hex << j1 << " " << j2;
        }
    }
    EXPECT_GT(compared, 6800);
}

TEST(EncodingConverter, Utf8ToAnsiAgreesWithIconvOnEveryBmpCharacter)
{
    // In blocks of 256 code points: iconv slows down on long texts full of
    // unconvertible characters.
    for (char32_t block = 0; block < 0x10000; block += 0x100) {
        if (block >= 0xD800 && block <= 0xDFFF)
            continue;
        std::string text;
        for (char32_t u = std::max<char32_t>(block, 1); u < block + 0x100; ++u) {
            if (u < 0x80) {
                text += static_cast<char>(u);
            } else if (u < 0x800) {
                text += static_cast<char>(0xC0 | u >> 6);
                text += static_cast<char>(0x80 | (u & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | u >> 12);
                text += static_cast<char>(0x80 | (u >> 6 & 0x3F));
                text += static_cast<char>(0x80 | (u & 0x3F));
            }
        }
        const std::string converted = Utf8PageToShiftJis(text);
        ASSERT_EQ(converted, Utf8ToSjis(text)) << "block " << std::hex << static_cast<unsigned>(block);
        ASSERT_LE(converted.size(), text.size());
    }
    EXPECT_EQ(Utf8PageToShiftJis("\xC2\xA5 \xE2\x82\xAC \xF0\x9F\x93\x88"), "\\ ? ?");
}

TEST(EncodingConverter, Utf8ToAnsiAgreesWithIconvOnMalformedText)
{
    // Overlong forms, surrogates, stray and missing continuation bytes,
    // four-byte and out-of-range leads.
    for (const char* text : {"\xC0\x80", "\xC1\xBF" "a", "\xC1\x81", "\xE0\x80\x80", "\xE0\x82\xA7", "\xE0\x9F\xBF", "\xED\xA0\x80",
                             "\xEF\xBF\xBF", "\x80\x80", "\xE3\x81", "\xE3\x81" "a", "\xF4\x90\x80\x80",
                             "\xF8\x88\x80\x80\x80", "\xFE\xFF", "\xF0\x9F" "a"}) {
        EXPECT_EQ(Utf8PageToShiftJis(text), Utf8ToSjis(text)) << testing::PrintToString(std::string(text));
    }

    std::mt19937 random(20240611);
    const std::vector<unsigned char> pieces = {0x41, 0x80, 0x81, 0xA1, 0xBF, 0xC1, 0xC2, 0xC3, 0xE0, 0xE3, 0xE6,
                                               0xED, 0xEF, 0xF0, 0xF4, 0x9F, 0x8F, 0xFF};
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 12, '\0');
        for (char& c : text)
            c = static_cast<char>(pieces[random() % pieces.size()]);
        ASSERT_EQ(Utf8PageToShiftJis(text), Utf8ToSjis(text)) << testing::PrintToString(text);
    }
}

TEST(EncodingConverter, GarbageNeverGrowsTheText)
{
    std::mt19937 random(7203);
    for (int round = 0; round < 5000; ++round) {
        std::string text(random() % 40, '\0');
        for (char& c : text) {
            // Mostly high bytes, some escapes and ASCII, so every reading gets exercised.
            const unsigned r = random() % 20;
            c = static_cast<char>(r == 0 ? 0x1B : r < 3 ? "$(BIJ@D"[random() % 7] : 0x80 + random() % 0x80);
        }
        SCOPED_TRACE(testing::PrintToString(text));
        std::string out;
        const int score = ConvertToShiftJis(text, out);
        ASSERT_LE(out.size(), text.size());
        ASSERT_GE(score, 0);
        for (auto convert : {Utf8PageToShiftJis, EucJpToShiftJis, Iso2022JpToShiftJis, FoldLatin})
            ASSERT_LE(convert(text).size(), text.size());
    }
}
