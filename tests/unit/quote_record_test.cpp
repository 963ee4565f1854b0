#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "core/quotes/quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/settings/settings.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

const std::string kAnchor = "</tr><tr align=right>";

MarkerRules DefaultRules()
{
    return Settings().m_markerRules;
}

struct QuoteRow {
    std::string name = S("トヨタ自動車");
    std::string time = "15:00";
    std::string price = "5,120";
    std::string change = "<font color=red>-15</font>";
    std::string rate = "<font color=red>-0.29%</font>";
    std::string volume = "8,123,400";
};

// The quote table as the service writes it, for the default rules.
std::string QuoteTable(const QuoteRow& row)
{
    return "<table><tr><th>name</th></tr>" + kAnchor + "<td><img src=\"i.gif\" align=absmiddle><b>" + row.name +
           "&nbsp;</b></td>\n<td nowrap align=center>" + row.time + "</td>\n<td nowrap><b>" + row.price +
           "</b></td>\n<td nowrap>" + row.change + "</td>\n<td nowrap>" + row.rate + "</td>\n<td nowrap>" +
           row.volume + "</td>\n</tr></table>\n";
}

// Rules with short markers for position tests; the anchor is "#". Windows
// for them end in kMention so that the name keeps its whole suffix.
const std::string kMention = " Shift_JIS";

MarkerRules LetterRules()
{
    MarkerRules rules;
    rules[RuleKey].prefix = "#";
    const char* names[] = {"N", "T", "P", "C", "R", "V"};
    for (std::size_t k = RuleName; k < RuleCount; ++k) {
        rules[k].prefix = std::string(names[k - 1]) + "=";
        rules[k].suffix = ";";
    }
    return rules;
}

std::string Record(std::initializer_list<std::string> values)
{
    std::string record;
    for (const std::string& v : values)
        record += v + "_";
    return record;
}

} // namespace

// ---------------------------------------------------------------- extraction

TEST(ExtractQuoteRecord, DefaultRulesReadTheSixValuesOfTheQuoteTable)
{
    const std::string window = "<p>filler</p>\n" + QuoteTable({});
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()),
              Record({S("トヨタ自動車"), "15:00", "5,120", "-15", "-0.29%", "8,123,400"}));
}

TEST(ExtractQuoteRecord, WithoutShiftJisMentionTheNameLosesTheByteBeforeItsShortenedSuffix)
{
    // The suffix searched is "nbsp;</b>", so a page writing "X&nbsp;</b>"
    // gives X and an odd "?nbsp;</b>" gives X as well: the byte is dropped.
    QuoteRow row;
    row.name = "ACME";
    std::string window = QuoteTable(row);
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, DefaultRules()))[QuoteName], "ACME");

    const std::size_t amp = window.find("&nbsp;");
    window[amp] = '?';
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, DefaultRules()))[QuoteName], "ACME");
}

TEST(ExtractQuoteRecord, NamesInOtherEncodingsAreConvertedWhenThePageIsNotShiftJis)
{
    QuoteRow euc;
    euc.name = "\xC6\xFC\xCB\xDC\xC5\xC5\xBF\xAE\xC5\xC5\xCF\xC3"; // 日本電信電話 in EUC-JP
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(QuoteTable(euc), DefaultRules()))[QuoteName], S("日本電信電話"));

    QuoteRow utf8;
    utf8.name = "トヨタ自動車";
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(QuoteTable(utf8), DefaultRules()))[QuoteName], S("トヨタ自動車"));
}

TEST(ExtractQuoteRecord, ALongTimeValueIsConvertedAndAShortOneIsNot)
{
    // end - start counts the 24-byte prefix, so every default time value is
    // "long"; with a one-byte prefix a 9-byte value is not.
    QuoteRow row;
    row.time = "15:00 日本"; // UTF-8 text
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(QuoteTable(row), DefaultRules()))[QuoteTime], S("15:00 日本"));

    MarkerRules rules = LetterRules();
    rules[RuleTime].prefix = "@";
    const std::string nine = "\xE6\x97\xA5\xE6\x9C\xAC" "abc"; // "日本abc" in UTF-8, 9 bytes
    // start .. end spans "@" + 9 bytes = 10: not converted.
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord("#N=a;@" + nine + ";P=1;C=2;R=3;V=4;", rules))[QuoteTime], nine);
    // One byte more crosses the limit.
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord("#N=a;@" + nine + "d;P=1;C=2;R=3;V=4;", rules))[QuoteTime],
              S("日本abcd"));
}

TEST(ExtractQuoteRecord, ShiftJisMentionKeepsNameBytesFullSuffixAndDashes)
{
    QuoteRow row;
    row.name = "トヨタ"; // UTF-8 bytes, left as they are
    row.time = "--:--";
    row.change = "-15";
    const std::string window = "<meta charset=Shift_JIS>" + QuoteTable(row);
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()),
              Record({"トヨタ", "--:--", "5,120", "-15", "<font color=red>-0.29%</font>", "8,123,400"}));
}

TEST(ExtractQuoteRecord, AShiftJisMentionOnASecondByteDoesNotCount)
{
    // "S" (0x53) can be the second byte of a double-byte character.
    QuoteRow row;
    row.time = "--:--";
    const std::string window = "\x83Shift_JIS" + QuoteTable(row);
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, DefaultRules()))[QuoteTime], S("－"));
}

TEST(ExtractQuoteRecord, DashHandlingWithoutShiftJisMention)
{
    QuoteRow row;
    row.time = "--:--";
    row.change = "<font color=blue>-120.35</font>";
    row.rate = "+0.52%";       // no dash: unchanged
    row.volume = "12-34";      // dash with no tag after it
    const QuoteValues values = SplitQuoteRecord(ExtractQuoteRecord(QuoteTable(row), DefaultRules()));
    EXPECT_EQ(values[QuoteTime], S("－"));
    EXPECT_EQ(values[QuoteChange], "-120.35");
    EXPECT_EQ(values[QuoteRate], "+0.52%");
    EXPECT_EQ(values[QuoteVolume], S("－"));
}

TEST(ExtractQuoteRecord, WithoutTheAnchorTheRecordIsEmpty)
{
    std::string window = QuoteTable({});
    window.erase(window.find(kAnchor), kAnchor.size());
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()), "");
    EXPECT_EQ(ExtractQuoteRecord("", DefaultRules()), "");
    // Values standing before the anchor are not searched from it.
    EXPECT_EQ(ExtractQuoteRecord("N=a;T=b;P=c;C=d;R=e;V=f;", LetterRules()), "");
}

TEST(ExtractQuoteRecord, AMissingSuffixGivesNodataAndRestartsTheNextSearchAtTheStart)
{
    // The price suffix "</b></td>" is missing: price is nodata, the change is
    // then found before the anchor, and the rate runs on from there.
    const std::string window = "<td nowrap>D1</td>" + kAnchor + "<td align=absmiddle><b>ACME&nbsp;</b></td>" +
                               "<td nowrap align=center>15:00</td><td nowrap><b>100</td>";
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()), Record({"ACME", "15:00", "nodata", "D1", "<b>100", "nodata"}));
}

TEST(ExtractQuoteRecord, AMissingPrefixStillSearchesItsSuffixFromThePrefixLength)
{
    // Rule T has no prefix in the window. Its suffix is searched from
    // -1 + 2 + 1 = 2 and found at 3, so P is searched from 4 and finds P=z:
    // neither P=x (a restart at 0) nor P=y (a search on from N's suffix).
    const std::string window = "P=x;#P=z;N=a;P=y;C=c;R=r;V=v;" + kMention;
    EXPECT_EQ(ExtractQuoteRecord(window, LetterRules()), Record({"a", "nodata", "z", "c", "r", "v"}));
}

TEST(ExtractQuoteRecord, ValuesAreSearchedInTurnAfterTheAnchor)
{
    // Each value is searched after the previous suffix, so repeated markers
    // are taken in order.
    const std::string window = "#C=early;N=a;T=b;P=c;C=d;R=e;V=f;" + kMention;
    EXPECT_EQ(ExtractQuoteRecord(window, LetterRules()), Record({"a", "b", "c", "d", "e", "f"}));
}

TEST(ExtractQuoteRecord, MarkersMatchOnlyAtCharacterBoundaries)
{
    // ゼ is 83 5B: its second byte reads as "[".
    MarkerRules rules = LetterRules();
    rules[RuleName].prefix = "[";
    const std::string window = "#" + S("ゼ") + "[v;T=b;P=c;C=d;R=e;V=f;Shift_JIS";
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, rules))[QuoteName], "v");
    // A suffix on a second byte is not a suffix either: ダ is 83 5F, "_".
    rules[RuleName].suffix = "_";
    const std::string window2 = "#[" + S("ダ") + "x_T=b;P=c;C=d;R=e;V=f;Shift_JIS";
    EXPECT_EQ(ExtractQuoteRecord(window2, rules), S("ダ") + "x_b_c_d_e_f_");
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window2, rules))[QuoteName], S("ダ") + "x");
}

TEST(ExtractQuoteRecord, ASuffixRightAfterThePrefixIsPassedOver)
{
    // The suffix search starts one byte after the prefix, so a value is never
    // empty: with the full suffix it runs to the suffix's next occurrence.
    const std::string window = "Shift_JIS #N=;x;T=b;P=c;C=d;R=e;V=f;";
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, LetterRules()))[QuoteName], ";x");
}

TEST(ExtractQuoteRecord, NameRightBeforeTheShortenedSuffixIsEmpty)
{
    // "align=absmiddle><b>&nbsp;</b>": "nbsp;</b>" is one byte after the
    // prefix, and the byte before it is dropped: an empty name, never a
    // negative length.
    QuoteRow row;
    row.name = "";
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(QuoteTable(row), DefaultRules()))[QuoteName], "");
}

TEST(ExtractQuoteRecord, ShortNameSuffixesWithoutShiftJisMention)
{
    // A one-byte or empty suffix loses everything: the empty suffix matches
    // one byte after the prefix and that byte is dropped.
    for (const std::string suffix : {";", ""}) {
        MarkerRules rules = LetterRules();
        rules[RuleName].suffix = suffix;
        const std::string window = "#N=abc;T=b;P=c;C=d;R=e;V=f;";
        EXPECT_EQ(ExtractQuoteRecord(window, rules), Record({"", "b", "c", "d", "e", "f"})) << "suffix " << suffix;
    }
}

TEST(ExtractQuoteRecord, EmptyPrefixOrSuffixOnOtherRules)
{
    MarkerRules rules = LetterRules();
    rules[RuleTime].prefix = "";  // the value starts right after the name's suffix
    rules[RulePrice].suffix = ""; // one byte
    const std::string window = "#N=a;15:00;P=987;C=d;R=e;V=f;" + kMention;
    EXPECT_EQ(ExtractQuoteRecord(window, rules), Record({"a", "15:00", "9", "d", "e", "f"}));
}

TEST(ExtractQuoteRecord, ValuesAtTheEndOfTheWindow)
{
    // A suffix ending at the last byte still closes its value.
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord("#N=a;T=b;P=c;C=d;R=e;V=f;", LetterRules()))[QuoteVolume], "f");
    // A value that runs to the end of the window has no suffix: nodata.
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord("#N=a;T=b;P=c;C=d;R=e;V=12345", LetterRules()))[QuoteVolume],
              "nodata");
    // A prefix that ends the window leaves nothing to search.
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord("#N=a;T=b;P=c;C=d;R=e;V=", LetterRules()))[QuoteVolume], "nodata");
}

TEST(ExtractQuoteRecord, AnchorAtTheLastByte)
{
    const std::string record = ExtractQuoteRecord("N=a;T=b;P=c;C=d;R=e;V=f;#", LetterRules());
    // N is searched from past the end: missing. Its shortened suffix is empty
    // and matches at 2, so T is searched from 3 and the later rules follow.
    EXPECT_EQ(record, Record({"nodata", "b", "c", "d", "e", "f"}));

    MarkerRules emptyPrefixes = LetterRules();
    for (std::size_t k = RuleName; k < RuleCount; ++k)
        emptyPrefixes[k].prefix = "";
    EXPECT_EQ(ExtractQuoteRecord("abc#", emptyPrefixes),
              Record({"nodata", "nodata", "nodata", "nodata", "nodata", "nodata"}));

    EXPECT_EQ(ExtractQuoteRecord("<p>" + kAnchor, DefaultRules()), Record({"nodata", "nodata", "nodata", "nodata",
                                                                           "nodata", "nodata"}));
}

TEST(ExtractQuoteRecord, AnUnderscoreInAValueShiftsTheSplitValues)
{
    QuoteRow row;
    row.name = "A_B";
    const std::string record = ExtractQuoteRecord(QuoteTable(row), DefaultRules());
    EXPECT_EQ(std::count(record.begin(), record.end(), '_'), 7);
    const QuoteValues values = SplitQuoteRecord(record);
    EXPECT_EQ(values[QuoteName], "A");
    EXPECT_EQ(values[QuoteTime], "B");
    EXPECT_EQ(values[QuotePrice], "15:00");
}

TEST(ExtractQuoteRecord, BinaryGarbageGivesADefinedRecord)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string garbage(51 * 1023, '\0');
    for (char& c : garbage)
        c = static_cast<char>(byte(random));
    garbage.erase(std::remove(garbage.begin(), garbage.end(), '<'), garbage.end());
    EXPECT_EQ(ExtractQuoteRecord(garbage, DefaultRules()), "");

    // With an anchor the six values are all missing, yet every one is there.
    // The line feed keeps the anchor on a character boundary whatever byte
    // the garbage ends with.
    const std::string withAnchor = garbage + "\n" + kAnchor + garbage;
    EXPECT_EQ(ExtractQuoteRecord(withAnchor, DefaultRules()),
              Record({"nodata", "nodata", "nodata", "nodata", "nodata", "nodata"}));

    // Garbage between the markers is carried through, converted or not.
    QuoteRow row;
    row.name = garbage.substr(0, 300);
    row.price = garbage.substr(300, 300);
    const std::string record = ExtractQuoteRecord(QuoteTable(row), DefaultRules());
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back(), '_');
    EXPECT_GE(std::count(record.begin(), record.end(), '_'), 6);
}

TEST(ExtractQuoteRecord, TenMegabyteSingleLineWindow)
{
    QuoteRow row;
    std::string window(10 * 1024 * 1024, 'x');
    window.replace(0, kAnchor.size(), kAnchor);
    window += QuoteTable(row).substr(QuoteTable(row).find(kAnchor) + kAnchor.size());
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()),
              Record({S("トヨタ自動車"), "15:00", "5,120", "-15", "-0.29%", "8,123,400"}));

    // Nothing after the anchor: every search runs over the whole window.
    std::string empty(10 * 1024 * 1024, S("日")[0]);
    empty += kAnchor;
    EXPECT_EQ(ExtractQuoteRecord(empty, DefaultRules()),
              Record({"nodata", "nodata", "nodata", "nodata", "nodata", "nodata"}));
}

// ---------------------------------------------------------------- splitting

TEST(SplitQuoteRecord, SixValuesInOrder)
{
    EXPECT_EQ(SplitQuoteRecord("1_2_3_4_5_6_"), (QuoteValues{"1", "2", "3", "4", "5", "6"}));
    // More marks than values: the rest is ignored.
    EXPECT_EQ(SplitQuoteRecord("1_2_3_4_5_6_7_"), (QuoteValues{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(SplitQuoteRecord("______"), QuoteValues{});
}

TEST(SplitQuoteRecord, RecordsWithoutMarksGiveSixEmptyValues)
{
    EXPECT_EQ(SplitQuoteRecord("404"), QuoteValues{});
    EXPECT_EQ(SplitQuoteRecord(""), QuoteValues{});
}

TEST(SplitQuoteRecord, AMissingMarkRestartsTheSearchAtTheStart)
{
    EXPECT_EQ(SplitQuoteRecord("a_b"), (QuoteValues{"a", "", "a", "", "a", ""}));
    EXPECT_EQ(SplitQuoteRecord("a_b_c"), (QuoteValues{"a", "b", "", "a", "b", ""}));
}

TEST(SplitQuoteRecord, AnUnderscoreAsSecondByteIsNoMark)
{
    // ダ is 83 5F.
    EXPECT_EQ(SplitQuoteRecord(S("ダ") + "_2_3_4_5_6_"), (QuoteValues{S("ダ"), "2", "3", "4", "5", "6"}));
}

// ---------------------------------------------------------------- usable quote and trend

TEST(HasQuote, PriceReadsAsANumberOfAtLeastOne)
{
    EXPECT_TRUE(HasQuote("1"));
    EXPECT_TRUE(HasQuote("1,234"));
    EXPECT_TRUE(HasQuote(" 13500.12"));
    EXPECT_TRUE(HasQuote("+3"));
    EXPECT_FALSE(HasQuote("0"));
    EXPECT_FALSE(HasQuote("0.99"));
    EXPECT_FALSE(HasQuote("-5"));
    EXPECT_FALSE(HasQuote("nodata"));
    EXPECT_FALSE(HasQuote(S("－")));
    EXPECT_FALSE(HasQuote(""));
}

TEST(TrendMark, RiseFallOrNeither)
{
    EXPECT_EQ(TrendMark("+1.25%"), S("△ "));
    EXPECT_EQ(TrendMark("-0.80%"), S("▼ "));
    EXPECT_EQ(TrendMark("0.00%"), S("－ "));
    EXPECT_EQ(TrendMark("-1+2"), S("△ "));
    EXPECT_EQ(TrendMark(""), S("－ "));
    EXPECT_EQ(TrendMark("nodata"), S("－ "));
}

// ---------------------------------------------------------------- fetch outcomes

TEST(QuoteRecordFromOutcome, EachOutcomeGivesItsRecord)
{
    FetchOutcome failed;
    failed.kind = FetchOutcome::Failed;
    failed.window = QuoteTable({}); // never read on failure
    const FetchedQuote fromFailed = QuoteRecordFromOutcome(failed, DefaultRules());
    EXPECT_EQ(fromFailed.kind, FetchOutcome::Failed);
    EXPECT_EQ(fromFailed.record, "");

    FetchOutcome status;
    status.kind = FetchOutcome::HttpStatus;
    status.status = "404";
    const FetchedQuote fromStatus = QuoteRecordFromOutcome(status, DefaultRules());
    EXPECT_EQ(fromStatus.kind, FetchOutcome::HttpStatus);
    EXPECT_EQ(fromStatus.record, "404");
    EXPECT_EQ(SplitQuoteRecord(fromStatus.record), QuoteValues{});

    FetchOutcome ok;
    ok.kind = FetchOutcome::Ok;
    ok.window = QuoteTable({});
    const FetchedQuote fromOk = QuoteRecordFromOutcome(ok, DefaultRules());
    EXPECT_EQ(fromOk.kind, FetchOutcome::Ok);
    EXPECT_EQ(fromOk.record, ExtractQuoteRecord(ok.window, DefaultRules()));
    EXPECT_EQ(SplitQuoteRecord(fromOk.record)[QuotePrice], "5,120");

    ok.window.clear();
    EXPECT_EQ(QuoteRecordFromOutcome(ok, DefaultRules()).record, "");
}

// ---------------------------------------------------------------- addresses

TEST(BuildQuoteUrl, DefaultTemplate)
{
    const std::string base = Settings().m_quoteBaseUrl;
    const std::string stock = BuildQuoteUrl(base, "1234", "t");
    EXPECT_TRUE(stock.ends_with("q?s=1234.t")) << stock;
    EXPECT_EQ(stock.size(), base.size() - 4 - 4 + 4 + 1);

    const std::string index = BuildQuoteUrl(base, "998407", "t");
    EXPECT_TRUE(index.ends_with("q?s=998407")) << index;
    EXPECT_EQ(index.substr(0, index.size() - 6), stock.substr(0, stock.size() - 6));
    EXPECT_TRUE(BuildQuoteUrl(base, "5040469", "").ends_with("q?s=5040469"));
}

TEST(BuildQuoteUrl, EveryPlaceholderIsReplaced)
{
    EXPECT_EQ(BuildQuoteUrl(S("http://h/銘柄/q?s=銘柄.市場&m=市場"), "7203", "q"), "http://h/7203/q?s=7203.q&m=q");
    EXPECT_EQ(BuildQuoteUrl(S("http://h/q?s=銘柄.市場"), "7203", ""), "http://h/q?s=7203.");
}

TEST(BuildQuoteUrl, IndexCodesLoseTheLastFiveBytesWhateverTheyAre)
{
    const std::string base = S("http://h/q?s=銘柄&m=市場");
    EXPECT_EQ(BuildQuoteUrl(base, "1234", "t"), "http://h/q?s=1234&m=t");
    EXPECT_EQ(BuildQuoteUrl(base, "998407", "t"), "http://h/q?s=998407&m");
    EXPECT_EQ(BuildQuoteUrl(S("http://h/q?s=銘柄"), "23337", "t"), "http://h/q?s=");
    // Other lengths than 4 are index codes too.
    EXPECT_EQ(BuildQuoteUrl(S("http://h/q?s=銘柄.市場"), "123", "t"), "http://h/q?s=123");
}

TEST(BuildQuoteUrl, ShortTemplatesGiveAnEmptyIndexAddress)
{
    EXPECT_EQ(BuildQuoteUrl("abc", "998407", "t"), "");
    EXPECT_EQ(BuildQuoteUrl("", "998407", "t"), "");
    EXPECT_EQ(BuildQuoteUrl("", "1234", "t"), "");
    EXPECT_EQ(BuildQuoteUrl("abcde", "998407", "t"), "");
}

TEST(BuildQuoteUrl, InsertedTextIsNotSearchedAgain)
{
    // A 4-byte code that reads "市場" or "銘柄" stays as typed.
    EXPECT_EQ(BuildQuoteUrl(S("a/銘柄.市場"), S("市場"), "t"), "a/" + S("市場") + ".t");
    EXPECT_EQ(BuildQuoteUrl(S("a/銘柄.市場"), S("銘柄"), "t"), "a/" + S("銘柄") + ".t");
    EXPECT_EQ(BuildQuoteUrl(S("a/銘柄.市場"), "1234", S("銘柄")), "a/1234." + S("銘柄"));
}

TEST(BuildQuoteUrl, PlaceholdersMatchOnlyAtCharacterBoundaries)
{
    // 88 96 | C1 | 95 BF: the bytes of 銘柄 (96 C1 95 BF) start on a second byte.
    const std::string base = std::string("a\x88\x96\xC1\x95\xBF") + S("銘柄");
    EXPECT_EQ(BuildQuoteUrl(base, "1234", "t"), "a\x88\x96\xC1\x95\xBF" "1234");
}
