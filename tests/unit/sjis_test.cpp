#include <gtest/gtest.h>

#include <random>

#include "core/text/code_page.h"
#include "core/text/sjis.h"
#include "support/sjis_literals.h"

using namespace zelmora;

TEST(FindSjis, NeverMatchesOnASecondByte)
{
    // ソ is 83 5C, ゼ is 83 5B, ア is 83 41: their second bytes look like ASCII.
    const std::string text = S("ソ") + "\\" + S("ゼア") + "[A";
    EXPECT_EQ(FindSjis(text, "\\"), 2u);
    EXPECT_EQ(FindSjis(text, "["), 7u);
    EXPECT_EQ(FindSjis(text, "A"), 8u);
    EXPECT_EQ(FindSjis(S("ア"), "A"), npos);
}

TEST(FindSjis, BoundariesCountFromTheStartNotFromTheSearchPosition)
{
    const std::string text = S("ソ") + "\\";
    // Position 1 is the second byte of ソ; searching from it must not match it.
    EXPECT_EQ(FindSjis(text, "\\", 1), 2u);
    EXPECT_EQ(FindSjis(text, "\\", 3), npos);
    EXPECT_EQ(FindSjis(text, "x", 99), npos);
}

TEST(FindSjis, FindsEveryOccurrenceInTurn)
{
    const std::string text = "a_b_" + S("ソ") + "_";
    std::vector<std::size_t> hits;
    for (std::size_t p = FindSjis(text, "_"); p != npos; p = FindSjis(text, "_", p + 1))
        hits.push_back(p);
    EXPECT_EQ(hits, (std::vector<std::size_t>{1, 3, 6}));
}

TEST(FindSjis, LoneLeadByteAtTheEndIsOneCharacter)
{
    const std::string text = "ab\x83";
    EXPECT_EQ(FindSjis(text, "\x83"), 2u);
}

TEST(CutSjis, NeverSplitsADoubleByteCharacter)
{
    const std::string text = "ab" + S("銘柄");
    EXPECT_EQ(CutSjis(text, 6), text);
    EXPECT_EQ(CutSjis(text, 5), "ab" + S("銘"));
    EXPECT_EQ(CutSjis(text, 3), "ab");
    EXPECT_EQ(CutSjis(text, 0), "");
}

TEST(ParseLeadingInt, ReadsLikeAtoi)
{
    EXPECT_EQ(ParseLeadingInt("42A9"), 42);
    EXPECT_EQ(ParseLeadingInt("  -1"), -1);
    EXPECT_EQ(ParseLeadingInt("+7"), 7);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("1,234"), 1);
    EXPECT_EQ(ParseLeadingInt(S("－")), 0);
}

TEST(ParseLeadingInt, HugeValuesWrapModulo2To32)
{
    EXPECT_EQ(ParseLeadingInt("4294967296"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999"), 1215752191);
    EXPECT_EQ(ParseLeadingInt("2147483648"), -2147483647 - 1);
}

TEST(CodePage, RoundTripsJapaneseText)
{
    const std::string utf8 = "Zelmora！株価＆開示 memoφ(．．) ｺｰﾄﾞ";
    const std::string sjis = Utf8ToSjis(utf8);
    EXPECT_EQ(sjis.substr(0, 9), "Zelmora\x81\x49");
    EXPECT_EQ(SjisToUtf8(sjis), utf8);
}

TEST(CodePage, UnmappableAndMalformedInputIsReplaced)
{
    EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80" "b"), "a?b"); // emoji has no CP932 form
    EXPECT_EQ(Utf8ToSjis("a\xE3\x81"), "a?");               // cut sequence
    EXPECT_EQ(SjisToUtf8("a\xA0" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(SjisToUtf8("a\x83"), "a\xEF\xBF\xBD");
}

TEST(FindSjis, AgreesWithAWalkFromTheStartOnRandomText)
{
    // Bytes drawn mostly from lead-byte ranges, where boundaries are hardest.
    const std::string alphabet = "\x81\x83\x9F\xE0\xFC\x40\x5C\x5F\x7E\xA0\xB1" "a_";
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        const std::string needle(1, alphabet[random() % alphabet.size()]);
        const std::size_t from = random() % (text.size() + 1);

        std::size_t expected = npos;
        for (std::size_t p = 0; p < text.size(); p += SjisCharLength(text, p)) {
            if (p >= from && text.compare(p, needle.size(), needle) == 0) {
                expected = p;
                break;
            }
        }
        ASSERT_EQ(FindSjis(text, needle, from), expected) << round;
    }
}
