#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/quotes/quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/settings/settings.h"
#include "support/page_builders.h"

using namespace zelmora;

namespace {

MarkerRules DefaultRules()
{
    return Settings().markerRules;
}

// Rules with short markers for position tests: anchor "#", values "N=" to
// "V=" each ending in ";". Windows for them end in kMention so that the name
// keeps its whole suffix.
const std::string kMention = " Shift_JIS";

struct Letters {
    Letters()
    {
        rules[RuleKey].prefix = "#";
        for (std::size_t k = RuleName; k < RuleCount; ++k)
            rules[k] = {"", std::string(1, "NTPCRV"[k - 1]) + "=", ";"};
    }
    Letters& Prefix(std::size_t k, const std::string& text) { return rules[k].prefix = text, *this; }
    Letters& Suffix(std::size_t k, const std::string& text) { return rules[k].suffix = text, *this; }
    Letters& NoValuePrefixes()
    {
        for (std::size_t k = RuleName; k < RuleCount; ++k)
            rules[k].prefix.clear();
        return *this;
    }
    operator MarkerRules() const { return rules; }
    MarkerRules rules;
};

std::string Record(std::initializer_list<std::string> values)
{
    std::string record;
    for (const std::string& v : values)
        record += v + "_";
    return record;
}

const std::string kNoValues = Record({"nodata", "nodata", "nodata", "nodata", "nodata", "nodata"});

} // namespace

// ---------------------------------------------------------------- extraction

TEST(ExtractQuoteRecord, ReadsWhatTheRulesMark)
{
    const std::string nine = "\xE6\x97\xA5\xE6\x9C\xAC" "abc"; // "日本abc" in UTF-8, 9 bytes
    std::string oddNbsp = QuoteTable({.name = "ACME"});
    oddNbsp[oddNbsp.find("&nbsp;")] = '?';
    std::string noAnchor = QuoteTable({});
    noAnchor.erase(noAnchor.find(kQuoteAnchor), kQuoteAnchor.size());
    struct Case {
        const char* what;
        MarkerRules rules;
        std::string window;
        int value; // the value compared, or -1 for the whole record
        std::string expected;
    };
    const std::vector<Case> cases{
        {"default rules read the six values", DefaultRules(), "<p>filler</p>\n" + QuoteTable({}), -1,
         Record({S("トヨタ自動車"), "15:00", "5,120", "-15", "-0.29%", "8,123,400"})},
        // Without a Shift_JIS mention the name suffix searched is "nbsp;</b>" and the byte before it is dropped.
        {"ascii name", DefaultRules(), QuoteTable({.name = "ACME"}), QuoteName, "ACME"},
        {"odd byte before nbsp", DefaultRules(), oddNbsp, QuoteName, "ACME"},
        {"name right before the shortened suffix", DefaultRules(), QuoteTable({.name = ""}), QuoteName, ""},
        {"EUC-JP name is converted", DefaultRules(), QuoteTable({.name = "\xC6\xFC\xCB\xDC\xC5\xC5\xBF\xAE\xC5\xC5\xCF\xC3"}),
         QuoteName, S("日本電信電話")},
        {"UTF-8 name is converted", DefaultRules(), QuoteTable({.name = "トヨタ自動車"}), QuoteName, S("トヨタ自動車")},
        // end - start counts the prefix: every default time value is "long" and converted.
        {"long time is converted", DefaultRules(), QuoteTable({.time = "15:00 日本"}), QuoteTime, S("15:00 日本")},
        {"\"@\" and 9 bytes are 10: not converted", Letters().Prefix(RuleTime, "@"),
         "#N=a;@" + nine + ";P=1;C=2;R=3;V=4;", QuoteTime, nine},
        {"one byte more is converted", Letters().Prefix(RuleTime, "@"), "#N=a;@" + nine + "d;P=1;C=2;R=3;V=4;",
         QuoteTime, S("日本abcd")},
        {"a Shift_JIS mention keeps name bytes, the full suffix and dashes", DefaultRules(),
         "<meta charset=Shift_JIS>" + QuoteTable({.name = "トヨタ", .time = "--:--", .change = "-15"}), -1,
         Record({"トヨタ", "--:--", "5,120", "-15", "<font color=red>-0.29%</font>", "8,123,400"})},
        {"a mention starting on a second byte does not count", DefaultRules(),
         "\x83Shift_JIS" + QuoteTable({.time = "--:--"}), QuoteTime, S("－")},
        {"without a mention a dash before a tag starts the value, a lone dash is no value", DefaultRules(),
         QuoteTable({.time = "--:--", .change = "<font color=blue>-120.35</font>", .rate = "+0.52%", .volume = "12-34"}),
         -1, Record({S("トヨタ自動車"), S("－"), "5,120", "-120.35", "+0.52%", "-34"})},
        {"no anchor", DefaultRules(), noAnchor, -1, ""},
        {"empty window", DefaultRules(), "", -1, ""},
        {"values before the anchor are not searched from it", Letters(), "N=a;T=b;P=c;C=d;R=e;V=f;", -1, ""},
        // The price suffix "</b></td>" is missing: the change is then found before the anchor.
        {"missing suffix gives nodata and restarts at the start", DefaultRules(),
         "<td nowrap>D1</td>" + kQuoteAnchor + "<td align=absmiddle><b>ACME&nbsp;</b></td>" +
             "<td nowrap align=center>15:00</td><td nowrap><b>100</td>",
         -1, Record({"ACME", "15:00", "nodata", "D1", "<b>100", "nodata"})},
        // T's suffix is searched from -1 + 2 + 1 = 2 and found at 3, so P is searched from 4: neither P=x
        // (a restart at 0) nor P=y (a search on from N's suffix).
        {"missing prefix still searches its suffix from the prefix length", Letters(),
         "P=x;#P=z;N=a;P=y;C=c;R=r;V=v;" + kMention, -1, Record({"a", "nodata", "z", "c", "r", "v"})},
        {"values are searched in turn after the anchor", Letters(), "#C=early;N=a;T=b;P=c;C=d;R=e;V=f;" + kMention,
         -1, Record({"a", "b", "c", "d", "e", "f"})},
        // ゼ is 83 5B, ダ 83 5F: their second bytes read as "[" and "_".
        {"a prefix on a second byte is no prefix", Letters().Prefix(RuleName, "["),
         "#" + S("ゼ") + "[v;T=b;P=c;C=d;R=e;V=f;Shift_JIS", QuoteName, "v"},
        {"a suffix on a second byte is no suffix", Letters().Prefix(RuleName, "[").Suffix(RuleName, "_"),
         "#[" + S("ダ") + "x_T=b;P=c;C=d;R=e;V=f;Shift_JIS", -1, S("ダ") + "x_b_c_d_e_f_"},
        {"a suffix right after the prefix is passed over", Letters(), "Shift_JIS #N=;x;T=b;P=c;C=d;R=e;V=f;",
         QuoteName, ";x"},
        // The empty suffix matches one byte after the prefix and that byte is dropped.
        {"a one-byte name suffix without mention", Letters(), "#N=abc;T=b;P=c;C=d;R=e;V=f;", -1,
         Record({"", "b", "c", "d", "e", "f"})},
        {"an empty name suffix without mention", Letters().Suffix(RuleName, ""), "#N=abc;T=b;P=c;C=d;R=e;V=f;", -1,
         Record({"", "b", "c", "d", "e", "f"})},
        {"empty time prefix and one-byte price", Letters().Prefix(RuleTime, "").Suffix(RulePrice, ""),
         "#N=a;15:00;P=987;C=d;R=e;V=f;" + kMention, -1, Record({"a", "15:00", "9", "d", "e", "f"})},
        {"a suffix at the last byte closes its value", Letters(), "#N=a;T=b;P=c;C=d;R=e;V=f;", QuoteVolume, "f"},
        {"a value running to the end has no suffix", Letters(), "#N=a;T=b;P=c;C=d;R=e;V=12345", QuoteVolume, "nodata"},
        {"a prefix ending the window", Letters(), "#N=a;T=b;P=c;C=d;R=e;V=", QuoteVolume, "nodata"},
        // N is searched from past the end; its shortened suffix is empty and matches at 2, so T is found.
        {"anchor at the last byte", Letters(), "N=a;T=b;P=c;C=d;R=e;V=f;#", -1,
         Record({"nodata", "b", "c", "d", "e", "f"})},
        {"anchor at the last byte, empty prefixes", Letters().NoValuePrefixes(), "abc#", -1, kNoValues},
        {"default anchor at the last byte", DefaultRules(), "<p>" + kQuoteAnchor, -1, kNoValues},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string record = ExtractQuoteRecord(c.window, c.rules);
        EXPECT_EQ(c.value < 0 ? record : SplitQuoteRecord(record)[static_cast<std::size_t>(c.value)], c.expected);
    }
}

// Without a Shift_JIS mention: a fall written plainly keeps its sign, a
// dash without digits is still the flat mark, a tag after the dash still
// ends the value.
TEST(ExtractQuoteRecord, DashedValuesWithoutATagKeepTheirDigits)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"-230", "-230"},
        {"-1.81%", "-1.81%"},
        {"-0", "-0"},
        {"12-34", "-34"},
        {"- 5", "- 5"},
        {"--:--", S("－")},
        {"-", S("－")},
        {"-abc", S("－")},
        {"<font color=blue>-15</font>", "-15"},
        {"-15<br>", "-15"},
        {"-<b>15</b>", "-"},
    };
    for (const auto& [written, read] : cases) {
        const std::string window = "#N=a;T=b;P=c;C=" + written + ";R=e;V=f;";
        EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(window, Letters()))[QuoteChange], read) << written;
    }
}

TEST(ExtractQuoteRecord, AnUnderscoreInAValueShiftsTheSplitValues)
{
    const std::string record = ExtractQuoteRecord(QuoteTable({.name = "A_B"}), DefaultRules());
    EXPECT_EQ(std::count(record.begin(), record.end(), '_'), 7);
    const QuoteValues values = SplitQuoteRecord(record);
    EXPECT_EQ(std::vector(values.begin(), values.begin() + 3), (std::vector<std::string>{"A", "B", "15:00"}));
}

TEST(ExtractQuoteRecord, AValueEndingInALeadByteKeepsItsMark)
{
    // A rule without a suffix reads one character: here the lead byte that
    // ends a window cut after it. The record's "_" must not become that
    // byte's second half.
    const std::string record = ExtractQuoteRecord(kMention + "#N=a;T=b;P=c;C=d;R=e;V=\x96", Letters().Suffix(RuleVolume, ""));
    EXPECT_EQ(record, Record({"a", "b", "c", "d", "e", ""}));
    EXPECT_EQ(SplitQuoteRecord(record), (QuoteValues{"a", "b", "c", "d", "e", ""}));
}

TEST(ExtractQuoteRecord, BinaryGarbageGivesADefinedRecord)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string garbage(51 * 1023, '\0');
    for (char& c : garbage)
        c = static_cast<char>(byte(random));
    std::erase(garbage, '<');
    EXPECT_EQ(ExtractQuoteRecord(garbage, DefaultRules()), "");

    // With an anchor the six values are all missing, yet every one is there.
    // The line feed keeps the anchor on a character boundary whatever byte
    // the garbage ends with.
    EXPECT_EQ(ExtractQuoteRecord(garbage + "\n" + kQuoteAnchor + garbage, DefaultRules()), kNoValues);

    // Garbage between the markers is carried through, converted or not.
    const std::string record =
        ExtractQuoteRecord(QuoteTable({.name = garbage.substr(0, 300), .price = garbage.substr(300, 300)}), DefaultRules());
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.back(), '_');
    EXPECT_GE(std::count(record.begin(), record.end(), '_'), 6);
}

TEST(ExtractQuoteRecord, TenMegabyteSingleLineWindow)
{
    std::string window(10 * 1024 * 1024, 'x');
    window.replace(0, kQuoteAnchor.size(), kQuoteAnchor);
    window += QuoteTable({}).substr(QuoteTable({}).find(kQuoteAnchor) + kQuoteAnchor.size());
    EXPECT_EQ(ExtractQuoteRecord(window, DefaultRules()),
              Record({S("トヨタ自動車"), "15:00", "5,120", "-15", "-0.29%", "8,123,400"}));

    // Nothing after the anchor: every search runs over the whole window.
    EXPECT_EQ(ExtractQuoteRecord(std::string(10 * 1024 * 1024, S("日")[0]) + kQuoteAnchor, DefaultRules()), kNoValues);
}

// ---------------------------------------------------------------- splitting, usable quote and trend

TEST(SplitQuoteRecord, SixValuesAndARestartAtTheStartWhenAMarkIsMissing)
{
    const std::vector<std::pair<std::string, QuoteValues>> cases{
        {"1_2_3_4_5_6_", {"1", "2", "3", "4", "5", "6"}},
        {"1_2_3_4_5_6_7_", {"1", "2", "3", "4", "5", "6"}}, // more marks than values: the rest is ignored
        {"______", {}},
        {"404", {}},
        {"", {}},
        {"a_b", {"a", "", "a", "", "a", ""}},
        {"a_b_c", {"a", "b", "", "a", "b", ""}},
        {S("ダ") + "_2_3_4_5_6_", {S("ダ"), "2", "3", "4", "5", "6"}}, // ダ is 83 5F: no mark
    };
    for (const auto& [record, values] : cases)
        EXPECT_EQ(SplitQuoteRecord(record), values) << record;
}

TEST(HasQuote, PriceReadsAsANumberOfAtLeastOne)
{
    for (const char* price : {"1", "1,234", " 13500.12", "+3"})
        EXPECT_TRUE(HasQuote(price)) << price;
    for (const std::string& price : {std::string("0"), std::string("0.99"), std::string("-5"), std::string("nodata"),
                                     S("－"), std::string()})
        EXPECT_FALSE(HasQuote(price)) << price;
}

TEST(TrendMark, RiseFallOrNeither)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        {"+1.25%", "△ "}, {"-0.80%", "▼ "}, {"0.00%", "－ "}, {"-1+2", "△ "}, {"", "－ "}, {"nodata", "－ "}};
    for (const auto& [rate, mark] : cases)
        EXPECT_EQ(TrendMark(rate), S(mark)) << rate;
}

// ---------------------------------------------------------------- fetch outcomes

TEST(QuoteRecordFromOutcome, EachOutcomeGivesItsRecord)
{
    const std::string table = QuoteTable({});
    const std::vector<std::pair<FetchOutcome, FetchedQuote>> cases{
        {{FetchOutcome::Failed, table, ""}, {FetchOutcome::Failed, ""}}, // the window is never read on failure
        {{FetchOutcome::HttpStatus, "", "404"}, {FetchOutcome::HttpStatus, "404"}},
        {{FetchOutcome::Ok, table, ""}, {FetchOutcome::Ok, ExtractQuoteRecord(table, DefaultRules())}},
        {{FetchOutcome::Ok, "", ""}, {FetchOutcome::Ok, ""}},
    };
    for (const auto& [outcome, expected] : cases) {
        const FetchedQuote got = QuoteRecordFromOutcome(outcome, DefaultRules());
        EXPECT_EQ(got.kind, expected.kind);
        EXPECT_EQ(got.record, expected.record);
    }
    EXPECT_EQ(SplitQuoteRecord(ExtractQuoteRecord(table, DefaultRules()))[QuotePrice], "5,120");
}

// ---------------------------------------------------------------- addresses

TEST(BuildQuoteUrl, DefaultTemplate)
{
    const std::string base = Settings().quoteBaseUrl;
    const std::string stock = BuildQuoteUrl(base, "1234", "t");
    EXPECT_TRUE(stock.ends_with("q?s=1234.t")) << stock;
    EXPECT_EQ(stock.size(), base.size() - 4 - 4 + 4 + 1);

    const std::string index = BuildQuoteUrl(base, "998407", "t");
    EXPECT_TRUE(index.ends_with("q?s=998407")) << index;
    EXPECT_EQ(index.substr(0, index.size() - 6), stock.substr(0, stock.size() - 6));
    EXPECT_TRUE(BuildQuoteUrl(base, "5040469", "").ends_with("q?s=5040469"));
}

TEST(BuildQuoteUrl, Templates)
{
    const std::string split = "a\x88\x96\xC1\x95\xBF"; // 88 96 | C1 | 95 BF: 銘柄's bytes 96 C1 95 BF on a second byte
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases{
        // template, code, market, address
        {S("http://h/銘柄/q?s=銘柄.市場&m=市場"), "7203", "q", "http://h/7203/q?s=7203.q&m=q"}, // every placeholder
        {S("http://h/q?s=銘柄.市場"), "7203", "", "http://h/q?s=7203."},
        // Index codes (any length but 4) lose the last five bytes, whatever they are.
        {S("http://h/q?s=銘柄&m=市場"), "1234", "t", "http://h/q?s=1234&m=t"},
        {S("http://h/q?s=銘柄&m=市場"), "998407", "t", "http://h/q?s=998407&m"},
        {S("http://h/q?s=銘柄"), "23337", "t", "http://h/q?s="},
        {S("http://h/q?s=銘柄.市場"), "123", "t", "http://h/q?s=123"},
        // Short templates give an empty address.
        {"abc", "998407", "t", ""}, {"", "998407", "t", ""}, {"", "1234", "t", ""}, {"abcde", "998407", "t", ""},
        // Inserted text is not searched again.
        {S("a/銘柄.市場"), S("市場"), "t", "a/" + S("市場") + ".t"},
        {S("a/銘柄.市場"), S("銘柄"), "t", "a/" + S("銘柄") + ".t"},
        {S("a/銘柄.市場"), "1234", S("銘柄"), "a/1234." + S("銘柄")},
        {split + S("銘柄"), "1234", "t", split + "1234"}, // placeholders match only at character boundaries
    };
    for (const auto& [base, code, market, address] : cases)
        EXPECT_EQ(BuildQuoteUrl(base, code, market), address) << base << " " << code << " " << market;
}
