#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/settings/profile_file.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

std::optional<std::string> Found(const std::string& text)
{
    return text;
}

} // namespace

TEST(ProfileRead, NamesMatchIgnoringAsciiCaseAndSurroundingBlanks)
{
    const auto p = ProfileFile::Parse("[ Link_Jouhou ]\r\n  Base_Url  =  x  \r\n");
    EXPECT_EQ(p.Find("LINK_JOUHOU", "base_url"), Found("x"));
    EXPECT_EQ(p.Find(" link_jouhou\t", " BASE_URL "), Found("x"));
    EXPECT_EQ(p.Find("LINK", "BASE_URL"), std::nullopt);
}

TEST(ProfileRead, SecondBytesOfDoubleByteNamesAreNotFolded)
{
    // ア is 83 41; 83 61 is another character, not a lower-case ア.
    const std::string lowerSecondByte = "\x83\x61";
    const auto p = ProfileFile::Parse("[" + S("ア") + "]\r\n" + S("ア") + "B=1\r\n");
    EXPECT_EQ(p.Find(S("ア"), S("ア") + "b"), Found("1"));
    EXPECT_EQ(p.Find(lowerSecondByte, S("ア") + "B"), std::nullopt);
    EXPECT_EQ(p.Find(S("ア"), lowerSecondByte + "B"), std::nullopt);
}

TEST(ProfileRead, AcceptsEveryLineEnd)
{
    const auto p = ProfileFile::Parse("[s]\r\na=1\nb=2\rc=3\r\n\r\n\n\rd=4");
    EXPECT_EQ(p.Find("s", "a"), Found("1"));
    EXPECT_EQ(p.Find("s", "b"), Found("2"));
    EXPECT_EQ(p.Find("s", "c"), Found("3"));
    EXPECT_EQ(p.Find("s", "d"), Found("4"));
}

TEST(ProfileRead, HeaderNameRunsToTheLastBracketOutsideDoubleByteCharacters)
{
    const std::string zo = S("ゾ"); // 83 5D: its second byte is "]"
    ASSERT_EQ(zo, "\x83\x5D");

    const auto p = ProfileFile::Parse("[a]b] ; note\r\nk=1\r\n[x" + zo + "]\r\nk=2\r\n");
    EXPECT_EQ(p.Find("a]b", "k"), Found("1"));
    EXPECT_EQ(p.Find("x" + zo, "k"), Found("2"));

    // Neither line is a header, so their keys stay in section s.
    const auto q = ProfileFile::Parse("[s]\r\n[x" + zo + "\r\nk=1\r\n[open\r\nj=2\r\n");
    EXPECT_EQ(q.Find("s", "k"), Found("1"));
    EXPECT_EQ(q.Find("s", "j"), Found("2"));
    EXPECT_EQ(q.Find("open", "j"), std::nullopt);
}

TEST(ProfileRead, EntriesSplitAtTheFirstEqualsAndLoseOnePairOfQuotes)
{
    const auto p = ProfileFile::Parse("[s]\r\n"
                                      "url = http://h/q?s=1&t=2 \r\n"
                                      "dq=\"  padded  \"\r\n"
                                      "sq='x'\r\n"
                                      "twice=\"\"x\"\"\r\n"
                                      "mixed=\"x'\r\n"
                                      "lone=\"\r\n"
                                      "empty=\r\n");
    EXPECT_EQ(p.Find("s", "url"), Found("http://h/q?s=1&t=2"));
    EXPECT_EQ(p.Find("s", "dq"), Found("  padded  "));
    EXPECT_EQ(p.Find("s", "sq"), Found("x"));
    EXPECT_EQ(p.Find("s", "twice"), Found("\"x\""));
    EXPECT_EQ(p.Find("s", "mixed"), Found("\"x'"));
    EXPECT_EQ(p.Find("s", "lone"), Found("\""));
    EXPECT_EQ(p.Find("s", "empty"), Found(""));
    EXPECT_EQ(p.FindRaw("s", "dq"), Found("\"  padded  \""));
}

TEST(ProfileRead, LinesWithoutEqualsAndCommentsAreNoKeys)
{
    const auto p = ProfileFile::Parse("[s]\r\nlonely\r\n;c=1\r\n");
    EXPECT_EQ(p.Find("s", "lonely"), std::nullopt);
    EXPECT_EQ(p.Find("s", ";c"), std::nullopt);
    EXPECT_EQ(p.GetString("s", "lonely", "d", 10), "d");
}

TEST(ProfileRead, FirstDuplicateWinsAndSectionsAreNotMerged)
{
    const auto p = ProfileFile::Parse("[s]\r\nk=1\r\nK=2\r\n[t]\r\n[S]\r\nk=3\r\nj=4\r\n");
    EXPECT_EQ(p.Find("s", "k"), Found("1"));
    EXPECT_EQ(p.Find("s", "j"), std::nullopt);
}

TEST(ProfileRead, GetStringCutsToTheBufferWithoutSplittingACharacter)
{
    const std::string value = "ab" + S("銘柄");
    const auto p = ProfileFile::Parse("[s]\r\nk=" + value + "\r\n");
    EXPECT_EQ(p.GetString("s", "k", "", 7), value);
    EXPECT_EQ(p.GetString("s", "k", "", 6), "ab" + S("銘"));
    EXPECT_EQ(p.GetString("s", "k", "", 5), "ab" + S("銘"));
    EXPECT_EQ(p.GetString("s", "k", "", 4), "ab");
    EXPECT_EQ(p.GetString("s", "k", "", 1), "");
    EXPECT_EQ(p.GetString("s", "k", "", 0), "");
}

TEST(ProfileRead, DefaultLosesTrailingBlanksAndIsCutLikeAValue)
{
    const auto missing = ProfileFile::Load("/nonexistent-folder/base_data.ini");
    EXPECT_EQ(missing.GetString("s", "k", " def \t ", 99), " def");
    EXPECT_EQ(missing.GetString("s", "k", S("銘柄"), 4), S("銘"));

    // A value's own blanks are gone already; a quoted blank value stays.
    const auto p = ProfileFile::Parse("[s]\r\nq=\" \"\r\n");
    EXPECT_EQ(p.GetString("s", "q", "d", 9), " ");
}

TEST(ProfileRead, MissingFileIsEmptyButAnUnreadableOneIsReported)
{
    EXPECT_TRUE(ProfileFile::Read("/nonexistent-folder/base_data.ini").has_value());
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_FALSE(ProfileFile::Read(folder).has_value());
    EXPECT_EQ(ProfileFile::Load(folder).GetString("s", "k", "d", 9), "d");
}

TEST(ProfileRead, GetIntReadsTheLeadingNumber)
{
    const auto p = ProfileFile::Parse("[s]\r\n"
                                      "mixed=42A9\r\nletters=abc\r\nminus=-1\r\nplus= +5 \r\n"
                                      "quoted=\"12\"\r\nwrap=4294967297\r\nhuge=99999999999\r\n");
    EXPECT_EQ(p.GetInt("s", "mixed", 7), 42);
    EXPECT_EQ(p.GetInt("s", "letters", 7), 0);
    EXPECT_EQ(p.GetInt("s", "missing", 7), 7);
    EXPECT_EQ(p.GetInt("nosection", "mixed", 7), 7);
    EXPECT_EQ(p.GetInt("s", "minus", 7), -1);
    EXPECT_EQ(p.GetInt("s", "plus", 7), 5);
    EXPECT_EQ(p.GetInt("s", "quoted", 7), 12);
    // Large values wrap modulo 2^32 as on Windows.
    EXPECT_EQ(p.GetInt("s", "wrap", 7), 1);
    EXPECT_EQ(p.GetInt("s", "huge", 7), 1215752191);
}

TEST(ProfileWrite, NewFileAndNewSectionsAreAppendedWithoutBlankLines)
{
    ProfileFile p;
    p.WriteString("S", "k", "v");
    EXPECT_EQ(p.Serialize(), "[S]\r\nk=v\r\n");
    p.WriteString(" T ", " j ", "");
    EXPECT_EQ(p.Serialize(), "[S]\r\nk=v\r\n[T]\r\nj=\r\n");
}

TEST(ProfileWrite, NewKeyGoesToTheEndOfItsSectionBeforeBlankLines)
{
    auto p = ProfileFile::Parse("[a]\r\nx=1\r\n;note\r\n\r\n\r\n[b]\r\ny=2\r\n");
    p.WriteString("A", "z", "3");
    EXPECT_EQ(p.Serialize(), "[a]\r\nx=1\r\n;note\r\nz=3\r\n\r\n\r\n[b]\r\ny=2\r\n");

    auto last = ProfileFile::Parse("[a]\r\nx=1\r\n\r\n");
    last.WriteString("a", "z", "3");
    EXPECT_EQ(last.Serialize(), "[a]\r\nx=1\r\nz=3\r\n\r\n");

    auto headerOnly = ProfileFile::Parse("[a]\r\n\r\n[b]\r\n");
    headerOnly.WriteString("a", "z", "3");
    EXPECT_EQ(headerOnly.Serialize(), "[a]\r\nz=3\r\n\r\n[b]\r\n");
}

TEST(ProfileWrite, ExistingKeyIsReplacedInPlace)
{
    auto p = ProfileFile::Parse("[a]\r\n  X = old \r\ny=2\r\n[b]\r\nx=9\r\n");
    p.WriteString("a", "x", "new value");
    EXPECT_EQ(p.Serialize(), "[a]\r\nx=new value\r\ny=2\r\n[b]\r\nx=9\r\n");
    p.WriteString("a", "y", "");
    EXPECT_EQ(p.Serialize(), "[a]\r\nx=new value\r\ny=\r\n[b]\r\nx=9\r\n");
}

TEST(ProfileWrite, DeletesKeysAndWholeSections)
{
    auto p = ProfileFile::Parse("[a]\r\nx=1\r\n;in a\r\ny=2\r\n[b]\r\nz=3\r\n");
    p.DeleteKey("A", "X");
    EXPECT_EQ(p.Serialize(), "[a]\r\n;in a\r\ny=2\r\n[b]\r\nz=3\r\n");
    p.DeleteSection("a");
    EXPECT_EQ(p.Serialize(), "[b]\r\nz=3\r\n");

    p.DeleteKey("b", "missing");
    p.DeleteKey("missing", "z");
    p.DeleteSection("missing");
    EXPECT_EQ(p.Serialize(), "[b]\r\nz=3\r\n");
}

TEST(ProfileWrite, UntouchedTextKeepsItsBytes)
{
    const std::string file = "before the first section\r\n"
                             "; " + S("コメント") + "\r\n"
                             "[" + S("ソゾ") + "]\r\n"
                             "  odd   spacing =  \"q\"  \r\n"
                             "no equals here\r\n"
                             "\r\n"
                             "[MEIGARA_DATA]\r\n"
                             "MESSAGE0=" + S("メモ") + "\r\n"
                             "\t\r\n"
                             "[unknown]\r\n"
                             "key=v\r\n";
    auto p = ProfileFile::Parse(file);
    EXPECT_EQ(p.Serialize(), file);

    p.WriteString("MEIGARA_DATA", "MESSAGE0", "x");
    std::string expected = file;
    expected.replace(expected.find("MESSAGE0="), 9 + S("メモ").size(), "MESSAGE0=x");
    EXPECT_EQ(p.Serialize(), expected);
}

TEST(ProfileWrite, OutputLinesEndInCrLf)
{
    auto p = ProfileFile::Parse("[a]\nx=1\ry=2");
    EXPECT_EQ(p.Serialize(), "[a]\r\nx=1\r\ny=2\r\n");
}
