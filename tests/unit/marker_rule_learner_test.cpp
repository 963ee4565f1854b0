#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/quotes/marker_rule_learner.h"
#include "core/text/code_page.h"
#include "support/sjis_literals.h"

using namespace zelmora;

namespace {

// One quote as a page shows it, in UTF-8.
struct Quote {
    std::string name, time, price, change, rate, volume;
};

const Quote kRising{"トヨタ自動車", "15:00", "2,845", "+12", "+0.42%", "12,345,600"};
// Other lengths, a fall written plainly, a name in half-width kana.
const Quote kFalling{"ｿﾆｰｸﾞﾙｰﾌﾟ", "9:05", "12,480.5", "-230", "-1.81%", "800"};
// Names whose EUC-JP bytes the encoding converter reads as EUC-JP (those of
// kana read as Shift_JIS, and the program keeps them as they are).
const Quote kRisingEuc{"日本電信電話", "15:00", "155", "+1", "+0.65%", "98,765,400"};
const Quote kFallingEuc{"三菱商事", "10:30", "2,912.5", "-38", "-1.29%", "5,000"};

enum class Encoding { ShiftJis, Utf8, EucJp };

std::string Encode(const std::string& utf8, Encoding encoding)
{
    switch (encoding) {
    case Encoding::ShiftJis:
        return Utf8ToSjis(utf8);
    case Encoding::EucJp:
        return SjisToEucJp(Utf8ToSjis(utf8));
    case Encoding::Utf8:
        break;
    }
    return utf8;
}

// Lines that stand around a quote on a real page: links, times and prices
// of other things, every one of them one piece.
std::string Filler(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += i % 3 == 0 ? "<li><a href=\"/info?id=" + std::to_string(1000 + i) + "\">お知らせ</a> <small>15:00</small></li>\n"
                : i % 3 == 1 ? "<tr><td class=no>" + std::to_string(i) + "</td><td class=value align=right>2,845</td></tr>\n"
                             : "<p class=notice>株価は模擬データです。</p>\n";
    }
    return text;
}

// Quote blocks, one line per element as pages write them.
std::string ClassicTable(const Quote& q)
{
    return "<table class=quote><tr><th>銘柄</th><th>取引値</th></tr><tr align=right>\n"
           "<td nowrap align=left><img src=\"/img/stock.gif\" width=13 height=13 align=absmiddle><b>" + q.name + "&nbsp;</b></td>\n"
           "<td nowrap align=center>" + q.time + "</td>\n"
           "<td nowrap><b>" + q.price + "</b></td>\n"
           "<td nowrap>" + q.change + "</td>\n"
           "<td nowrap>" + q.rate + "</td>\n"
           "<td nowrap>" + q.volume + "</td>\n"
           "</tr></table>\n";
}

// The classic table as quote services drew falls: in a colour tag.
std::string ColouredTable(const Quote& q)
{
    const auto coloured = [](const std::string& v) { return v.starts_with('-') ? "<font color=blue>" + v + "</font>" : v; };
    return ClassicTable({q.name, q.time, q.price, coloured(q.change), coloured(q.rate), q.volume});
}

std::string DefinitionList(const Quote& q)
{
    return "<dl class=\"stock-quote\">\n"
           "<dt>銘柄名</dt><dd class=\"name\">" + q.name + "</dd>\n"
           "<dt>取引時刻</dt><dd>" + q.time + "</dd>\n"
           "<dt>現在値</dt><dd class=\"price\">" + q.price + "</dd>\n"
           "<dt>前日比</dt><dd>" + q.change + "</dd>\n"
           "<dt>騰落率</dt><dd>" + q.rate + "</dd>\n"
           "<dt>出来高</dt><dd>" + q.volume + "</dd>\n"
           "</dl>\n";
}

// The same list on a page that names its charset beside the quote: the
// name then keeps its whole suffix and dashes are not cut.
std::string MentioningList(const Quote& q)
{
    return "<form action=\"/q\" accept-charset=\"Shift_JIS\"><input name=s></form>\n" + DefinitionList(q);
}

// A state object of about 100 KB on one line: news before and a ranking
// after the quote, so its values stand pieces deep into the line.
std::string JsonState(const Quote& q)
{
    std::string news;
    for (int i = 0; news.size() < 60'000; ++i)
        news += std::string(i ? "," : "") + "{\"id\":\"n" + std::to_string(i) + "\",\"title\":\"東証大引け　反発\",\"time\":\"15:00\"}";
    std::string ranking;
    for (int i = 0; ranking.size() < 40'000; ++i)
        ranking += std::string(i ? "," : "") + "{\"rank\":" + std::to_string(i + 1) + ",\"price\":\"2,845\"}";
    return "<script>window.__STATE__={\"news\":[" + news + "],\"quote\":{\"code\":\"7203\",\"market\":\"t\",\"name\":\"" +
           q.name + "\",\"time\":\"" + q.time + "\",\"price\":\"" + q.price + "\",\"change\":\"" + q.change +
           "\",\"rate\":\"" + q.rate + "\",\"volume\":\"" + q.volume + "\"},\"ranking\":[" + ranking + "]};</script>\n";
}

// A page of `total` lines whose quote block starts at line `blockLine`.
std::string Page(const std::function<std::string(const Quote&)>& block, const Quote& q, Encoding encoding,
                 int blockLine = 160, int total = 280)
{
    const std::string head = "<html><head><meta charset=\"x\"><title>株価</title></head><body>\n";
    const std::string quote = block(q);
    const int blockLines = static_cast<int>(std::count(quote.begin(), quote.end(), '\n'));
    return Encode(head + Filler(blockLine - 2) + quote + Filler(total - blockLine - blockLines + 1) + "</body></html>\n",
                  encoding);
}

SeenValues Seen(const Quote& q)
{
    return {S(q.name.c_str()), S(q.time.c_str()), S(q.price.c_str()), S(q.change.c_str()), S(q.rate.c_str()),
            S(q.volume.c_str())};
}

QuoteValues Expected(const Quote& q)
{
    return {S(q.name.c_str()), S(q.time.c_str()), S(q.price.c_str()), S(q.change.c_str()), S(q.rate.c_str()),
            S(q.volume.c_str())};
}

QuoteValues ReadWith(const LearnedRules& learned, const std::string& page)
{
    return SplitQuoteRecord(ExtractQuoteRecord(CutPageWindow(page, learned.window), learned.rules));
}

} // namespace

TEST(LearnMarkerRules, LearnedRulesReadAnotherPageOfTheSameLayout)
{
    struct Case {
        const char* what;
        std::function<std::string(const Quote&)> block;
        Encoding encoding;
        int blockLine;
        bool defaultWindow;
        Quote first = kRising;
        Quote second = kFalling;
    };
    const std::vector<Case> cases{
        {"classic table, Shift_JIS", ClassicTable, Encoding::ShiftJis, 160, true},
        {"classic table, UTF-8", ClassicTable, Encoding::Utf8, 160, true},
        {"classic table learned from a fall in a colour tag", ColouredTable, Encoding::ShiftJis, 160, true, kFalling, kRising},
        {"dl/dd pairs, Shift_JIS", DefinitionList, Encoding::ShiftJis, 170, true},
        {"dl/dd pairs, UTF-8", DefinitionList, Encoding::Utf8, 151, true},
        {"dl/dd pairs, EUC-JP", DefinitionList, Encoding::EucJp, 180, true, kRisingEuc, kFallingEuc},
        {"dl/dd pairs beside a Shift_JIS mention", MentioningList, Encoding::ShiftJis, 160, true},
        {"one-line JSON state of 100 KB", JsonState, Encoding::Utf8, 30, false},
        {"classic table before piece 151", ClassicTable, Encoding::ShiftJis, 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string first = Page(c.block, c.first, c.encoding, c.blockLine);
        const LearnedRules learned = LearnMarkerRules(first, Seen(c.first));
        EXPECT_TRUE(learned.Complete());
        EXPECT_EQ(learned.window == PieceWindow{}, c.defaultWindow) << PieceWindowText(learned.window);
        EXPECT_EQ(ReadWith(learned, first), Expected(c.first));

        const std::string second = Page(c.block, c.second, c.encoding, c.blockLine);
        EXPECT_EQ(ReadWith(learned, second), Expected(c.second));
        for (std::size_t k = 0; k < RuleCount; ++k)
            EXPECT_EQ(ParseMarkerRule(learned.texts[k], k == RuleKey), learned.rules[k]) << learned.texts[k];
    }
}

TEST(LearnMarkerRules, MarkersAreTheTagsNextToTheValues)
{
    const LearnedRules classic = LearnMarkerRules(Page(ClassicTable, kRising, Encoding::ShiftJis), Seen(kRising));
    EXPECT_EQ(classic.texts, (std::array<std::string, RuleCount>{
                                 "[key]_align=absmiddle>", S("[銘柄名]_<b>_&nbsp;</b>"),
                                 S("[時間]_<td nowrap align=center>_</td>"), S("[現在値]_<b>_</b>"),
                                 S("[前日差]_<td nowrap>_</td>"), S("[差割合]_<td nowrap>_</td>"),
                                 S("[出来高]_<td nowrap>_</td>")}));
}

TEST(LearnMarkerRules, ProposesTheNarrowestWindowWithAMarginOfTenPieces)
{
    // Table at line 20: the anchor and the name on line 21, the volume on 26;
    // every line is one piece.
    const LearnedRules early = LearnMarkerRules(Page(ClassicTable, kRising, Encoding::ShiftJis, 20), Seen(kRising));
    EXPECT_EQ(PieceWindowText(early.window), "11-36");

    // The window asked for is kept when it holds the values.
    const PieceWindow wide{100, 250};
    EXPECT_EQ(LearnMarkerRules(Page(ClassicTable, kRising, Encoding::ShiftJis), Seen(kRising), wide).window, wide);

    // A volume 3,000 pieces after the rest cannot join them in one window
    // of at most 2,000 pieces: the window holds the others (list from line
    // 20, its anchor there, the rate on line 25).
    const std::string far = Page(DefinitionList, kRising, Encoding::ShiftJis, 20) + Filler(3000) +
                            Utf8ToSjis("<dl><dt>出来高</dt><dd>987,654</dd></dl>\n");
    SeenValues values = Seen(kRising);
    values[QuoteVolume] = "987,654";
    const LearnedRules apart = LearnMarkerRules(far, values);
    EXPECT_EQ(PieceWindowText(apart.window), "10-35");
    EXPECT_EQ(apart.problems[QuoteVolume], LearnProblem::OutsideWindow);
    EXPECT_EQ(apart.problems[QuoteRate], LearnProblem::None);
}

TEST(LearnMarkerRules, SaysWhyAValueCouldNotBeLearned)
{
    const std::string page = Page(DefinitionList, kRising, Encoding::ShiftJis);
    struct Case {
        const char* what;
        std::string page;
        QuoteValueIndex value;
        std::string typed;
        LearnProblem problem;
    };
    std::string yen = page;
    yen.replace(yen.find("12,345,600"), 10, "12,345,600" + S("株"));
    // The price stands only in the page head, out of the window and out of
    // the order of the other values, so no window holds them all in turn.
    std::string headOnly = page;
    headOnly.replace(headOnly.find("<title>"), 7, "<title>9,876 ");
    const std::vector<Case> cases{
        {"a price nowhere on the page", page, QuotePrice, "9,999", LearnProblem::NotOnPage},
        {"a name that only stands inside a longer one", page, QuoteName, S("トヨタ"), LearnProblem::NoMarkerPair},
        {"a number that only stands inside a longer one", page, QuoteVolume, "345,600", LearnProblem::NotOnPage},
        {"a price out of the window", headOnly, QuotePrice, "9,876", LearnProblem::OutsideWindow},
        {"a volume followed by a kanji has no ASCII suffix", yen, QuoteVolume, "12,345,600", LearnProblem::NoMarkerPair},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeenValues values = Seen(kRising);
        values[c.value] = c.typed;
        const LearnedRules learned = LearnMarkerRules(c.page, values);
        EXPECT_FALSE(learned.Complete());
        for (std::size_t v = 0; v < QuoteValueCount; ++v)
            EXPECT_EQ(learned.problems[v], v == c.value ? c.problem : LearnProblem::None) << v;
        // The value that was not learned reads "nodata"; the others still read.
        const QuoteValues read = ReadWith(learned, c.page);
        EXPECT_EQ(read[c.value], "nodata");
        EXPECT_EQ(read[QuoteRate], S(kRising.rate.c_str()));
    }
}

TEST(LearnMarkerRules, ValuesLeftOutReadNodata)
{
    for (const auto& left : std::vector<std::vector<QuoteValueIndex>>{{QuoteTime}, {QuoteName, QuoteTime}, {QuoteVolume}}) {
        SeenValues values = Seen(kRising);
        QuoteValues expected = Expected(kFalling);
        for (QuoteValueIndex v : left) {
            values[v] = v == QuoteVolume ? std::optional<std::string>("") : std::nullopt; // empty is left out too
            expected[v] = "nodata";
        }
        for (const auto& block : {ClassicTable, DefinitionList}) {
            const LearnedRules learned = LearnMarkerRules(Page(block, kRising, Encoding::Utf8), values);
            EXPECT_TRUE(learned.Complete());
            EXPECT_EQ(ReadWith(learned, Page(block, kFalling, Encoding::Utf8)), expected) << learned.texts[RuleTime];
        }
    }
}

// Whatever the values learned hold and wherever the anchor stands, a value
// not learned has the rule that gives "nodata", and the others read back.
TEST(LearnMarkerRules, EveryValueNotLearnedHasTheNodataRule)
{
    Quote underscored = kRising;
    underscored.name = "Foo_Bar";
    SeenValues timeLeftOut = Seen(underscored);
    timeLeftOut[QuoteTime].reset();
    SeenValues nameLeftOut = Seen(kRising);
    nameLeftOut[QuoteName].reset();
    // The anchor at the window's first byte, and again further on.
    const std::string atStart = "<table><tr><td class=t>15:00</td><td class=p>2,845</td><td class=c>+12</td><td class=r>"
                                "+0.42%</td><td class=v>12,345,600</td></tr></table>\n<table><tr><td>x</td></tr></table>\n";
    const struct {
        const char* what;
        std::string page;
        SeenValues values;
        std::array<LearnProblem, QuoteValueCount> problems;
    } cases[] = {
        {"a name typed with \"_\"", Page(DefinitionList, underscored, Encoding::ShiftJis), timeLeftOut,
         {LearnProblem::NoMarkerPair}},
        {"the name left out, the anchor at the window's start", atStart, nameLeftOut, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LearnedRules learned = LearnMarkerRules(c.page, c.values);
        EXPECT_EQ(learned.problems, c.problems);
        const QuoteValues read = ReadWith(learned, c.page);
        for (std::size_t v = 0; v < QuoteValueCount; ++v) {
            const bool learnedIt = c.values[v] && learned.problems[v] == LearnProblem::None;
            EXPECT_EQ(learned.rules[RuleName + v].prefix == "<nodata>", !learnedIt) << learned.texts[RuleName + v];
            EXPECT_EQ(read[v], learnedIt ? *c.values[v] : "nodata") << v;
        }
    }
}

TEST(LearnMarkerRules, WithoutAnyValueLearnedTheBuiltInRulesStay)
{
    SeenValues values;
    values[QuotePrice] = "1";
    const LearnedRules learned = LearnMarkerRules("<html>no quote here</html>", values);
    EXPECT_EQ(learned.rules, Settings().markerRules);
    EXPECT_EQ(learned.problems[QuotePrice], LearnProblem::NotOnPage);
    EXPECT_EQ(learned.window, PieceWindow{});
}
