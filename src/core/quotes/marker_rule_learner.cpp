#include "core/quotes/marker_rule_learner.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "core/text/code_page.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

constexpr std::size_t kMaxMarkerLength = 48;
// Shorter anchors are too easily found again elsewhere on the next page.
constexpr std::size_t kMinAnchorLength = 8;
// How far before the first value's prefix the anchor may start.
constexpr std::size_t kAnchorReach = 512;
// Pieces kept on each side of the values, for pages whose lines move.
constexpr std::size_t kWindowMargin = 10;
constexpr std::string_view kNoValueMarker = "<nodata>";
// The value is looked for at this many places at most after the previous
// one; the place it really stands is near.
constexpr std::size_t kMaxPlacesTried = 64;

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Bytes that continue a word or a number: a value must not start or end
// next to one, or it is only part of a longer one ("120" in "5,120").
bool IsWordByte(char c)
{
    return IsAsciiDigit(c) || IsLetter(c) || std::string_view(",.:%+-").find(c) != std::string_view::npos;
}

// A byte a marker may hold, judged in its place in the text: printable
// ASCII, and a digit only inside a name such as "h2", since other digits
// could be a price, a time or a code that the next page changes.
bool IsMarkerByte(std::string_view text, std::size_t i)
{
    const char c = text[i];
    if (c < 0x20 || c > 0x7E)
        return false;
    if (!IsAsciiDigit(c))
        return true;
    return i > 0 && IsLetter(text[i - 1]) && (i + 1 >= text.size() || !IsAsciiDigit(text[i + 1]));
}

// A prefix that begins a tag comes first, then one that follows a delimiter
// (as "price":" in a JSON object), then any other.
int PrefixTier(std::string_view text, std::size_t start)
{
    if (text[start] == '<')
        return 0;
    if (start > 0 && std::string_view(" >,;{[(").find(text[start - 1]) != std::string_view::npos)
        return 1;
    return 2;
}

bool Contains(std::string_view text, std::string_view part)
{
    return !part.empty() && text.find(part) != std::string_view::npos;
}

bool HoldsAnyValue(std::string_view text, const SeenValues& values)
{
    return std::any_of(values.begin(), values.end(), [&](const auto& v) { return v && Contains(text, *v); });
}

struct Span {
    std::size_t begin;
    std::size_t end;
};

// The value as a page may write it: Shift_JIS, UTF-8 or EUC-JP bytes.
std::vector<std::string> RawForms(const std::string& value)
{
    std::vector<std::string> forms{value};
    for (std::string form : {SjisToUtf8(value), SjisToEucJp(value)}) {
        if (std::find(forms.begin(), forms.end(), form) == forms.end())
            forms.push_back(std::move(form));
    }
    return forms;
}

bool StandsAlone(std::string_view text, const Span& span)
{
    if (span.begin > 0 && IsWordByte(text[span.begin]) && IsWordByte(text[span.begin - 1]))
        return false;
    return !(span.end < text.size() && IsWordByte(text[span.end - 1]) && IsWordByte(text[span.end]));
}

// Where the value stands in text at or after `from`, in order; at most
// `limit` places.
std::vector<Span> Spans(std::string_view text, const std::string& value, std::size_t from, std::size_t limit = npos)
{
    std::vector<Span> spans;
    for (const std::string& form : RawForms(value)) {
        for (std::size_t at = text.find(form, from); at != npos; at = text.find(form, at + 1)) {
            const Span span{at, at + form.size()};
            if (StandsAlone(text, span))
                spans.push_back(span);
        }
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    if (spans.size() > limit)
        spans.resize(limit);
    return spans;
}

// The places of the values given from value `first` on, in text; values
// that stand nowhere in it are left out.
std::vector<std::vector<Span>> PlacesOf(std::string_view text, const SeenValues& values, std::size_t first)
{
    std::vector<std::vector<Span>> places;
    for (std::size_t v = first; v < values.size(); ++v) {
        if (!values[v])
            continue;
        std::vector<Span> found = Spans(text, *values[v], 0);
        if (!found.empty())
            places.push_back(std::move(found));
    }
    return places;
}

// Where the values of places[first..] end when they follow one another
// from `end` on, each at its first place after the one before; npos when
// one of them has no place left.
std::size_t RunEnd(const std::vector<std::vector<Span>>& places, std::size_t first, std::size_t end)
{
    for (std::size_t i = first; i < places.size(); ++i) {
        const auto next = std::partition_point(places[i].begin(), places[i].end(), [&](const Span& s) { return s.begin < end; });
        if (next == places[i].end())
            return npos;
        end = next->end;
    }
    return end;
}

// A page and its pieces.
struct Page {
    std::string_view body;
    std::vector<std::size_t> starts;

    std::size_t ByteAt(std::size_t piece) const { return piece <= starts.size() ? starts[piece - 1] : body.size(); }
    std::size_t PieceOf(std::size_t offset) const
    {
        return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
    }
    // The narrowest window holding bytes first to last, with the margin.
    PieceWindow Around(std::size_t first, std::size_t last) const
    {
        PieceWindow window;
        const std::size_t firstPiece = PieceOf(first);
        window.first = firstPiece > kWindowMargin ? firstPiece - kWindowMargin : 1;
        window.last = std::min(PieceOf(last) + kWindowMargin, window.first + kMaxWindowPieces - 1);
        return window;
    }
};

// The window of a page as ExtractQuoteRecord sees it.
struct Window {
    Window(const Page& page, const PieceWindow& range)
        : offset(page.ByteAt(range.first)),
          text(page.body.substr(offset, page.ByteAt(range.last + 1) - offset)),
          notShiftJis(!MentionsShiftJis(text))
    {
    }

    std::size_t offset; // of the window in the page
    std::string_view text;
    bool notShiftJis;
};

// Places of a falling value with the tag that wraps it first
// ("<font color=blue>-15</font>"): without a Shift_JIS mention the
// extraction cuts a dashed value out of its tags, so the markers can be
// those of the cell, which a rising value of the next page shares.
std::vector<Span> WithWrappers(const Window& w, const std::vector<Span>& spans, const std::string& value)
{
    if (!w.notShiftJis || !value.starts_with('-'))
        return spans;
    std::vector<Span> places;
    for (const Span& span : spans) {
        const std::size_t open = span.begin > 0 && w.text[span.begin - 1] == '>' ? w.text.rfind('<', span.begin - 1) : npos;
        if (open != npos && span.begin - open <= kMaxMarkerLength) {
            const std::string_view tag = w.text.substr(open + 1, span.begin - open - 1);
            const std::string close = "</" + std::string(tag.substr(0, tag.find_first_of(" >"))) + ">";
            if (w.text.substr(span.end).starts_with(close))
                places.push_back({open, span.end + close.size()});
        }
        places.push_back(span);
    }
    return places;
}

// A value rule that fits, and where the search goes on after it.
struct Step {
    MarkerRule rule;
    std::size_t next;
    std::size_t reach; // end of the suffix in the window
};

// The suffix after span: it must be found first from one byte after the
// value's start (for the name without a Shift_JIS mention, its first byte
// is dropped and the byte before the rest is cut off). Markup after the
// value is taken to the end of its tag ("</dd>", "&nbsp;</b>"), anything
// else as short as it can be ('"' in a JSON object).
std::optional<std::string> ChooseSuffix(const Window& w, std::size_t k, const Span& span, const std::string& value)
{
    const bool dropsFirstByte = k == RuleName && w.notShiftJis;
    const bool markup = span.end < w.text.size() && (w.text[span.end] == '<' || w.text[span.end] == '&');
    std::optional<std::string> shortest;
    for (std::size_t m = 1; m <= kMaxMarkerLength && span.end + m <= w.text.size(); ++m) {
        if (!IsMarkerByte(w.text, span.end + m - 1))
            break;
        const std::string_view suffix = w.text.substr(span.end, m);
        if (Contains(suffix, value))
            break;
        // A settings value loses its trailing blanks.
        if (suffix.back() == ' ')
            continue;
        const bool found = dropsFirstByte ? m >= 2 && FindSjis(w.text, suffix.substr(1), span.begin + 1) == span.end + 1
                                          : FindSjis(w.text, suffix, span.begin + 1) == span.end;
        if (!found)
            continue;
        if (!markup || suffix.back() == '>')
            return std::string(suffix);
        if (!shortest)
            shortest = suffix;
    }
    return shortest;
}

// Prefixes that end where span begins and start at or after `from`, best
// first. "_" separates the parts of a rule, so no prefix holds it.
std::vector<std::string_view> PrefixCandidates(const Window& w, std::size_t begin, std::size_t from, const std::string& value)
{
    std::array<std::vector<std::string_view>, 3> tiers;
    for (std::size_t m = 1; m <= kMaxMarkerLength && m <= begin - from; ++m) {
        const std::size_t start = begin - m;
        if (!IsMarkerByte(w.text, start) || w.text[start] == '_')
            break;
        const std::string_view prefix = w.text.substr(start, m);
        if (Contains(prefix, value))
            break;
        tiers[static_cast<std::size_t>(PrefixTier(w.text, start))].push_back(prefix);
    }
    std::vector<std::string_view> all;
    for (const auto& tier : tiers)
        all.insert(all.end(), tier.begin(), tier.end());
    return all;
}

MarkerRule LabelledRule(std::size_t k, std::string_view prefix, std::string_view suffix)
{
    MarkerRule rule = ParseMarkerRule(DefaultMarkerRuleText(k), k == RuleKey);
    rule.prefix = prefix;
    rule.suffix = suffix;
    return rule;
}

// The rule of a prefix and suffix around span, when the extraction going on
// from pos cuts exactly the value with it.
std::optional<Step> FitRule(const Window& w, std::size_t k, const Span& span, std::string_view prefix, const std::string& suffix,
                            std::size_t pos, const std::string& value)
{
    const MarkerRule rule = LabelledRule(k, prefix, suffix);
    const CutValue cut = CutQuoteValue(w.text, rule, k, pos, w.notShiftJis);
    if (cut.value != value)
        return std::nullopt;
    return Step{rule, cut.next, span.end + suffix.size()};
}

// Rule k for a value when the search goes on from pos.
std::optional<Step> LearnValueRule(const Window& w, std::size_t k, std::size_t pos, const std::string& value)
{
    const std::size_t from = pos == npos ? 0 : pos + 1;
    for (const Span& span : WithWrappers(w, Spans(w.text, value, from + 1, kMaxPlacesTried), value)) {
        const auto suffix = ChooseSuffix(w, k, span, value);
        if (!suffix)
            continue;
        for (std::string_view prefix : PrefixCandidates(w, span.begin, from, value)) {
            if (FindSjis(w.text, prefix, from) != span.begin - prefix.size())
                continue;
            if (auto step = FitRule(w, k, span, prefix, *suffix, pos, value))
                return step;
        }
    }
    return std::nullopt;
}

struct Anchor {
    std::string text;
    std::size_t pos;
};

bool EndsToken(std::string_view text, std::size_t end)
{
    return text[end - 1] == '"' || (end < text.size() && std::string_view(" =>\"").find(text[end]) != std::string_view::npos);
}

// The anchor text that starts at s and ends at or before `limit`: found
// first in the window at s. The shortest that ends a tag is best, then the
// shortest that ends a word or an attribute, then the shortest.
std::optional<std::string> AnchorAt(const Window& w, std::size_t s, std::size_t limit, const SeenValues& values)
{
    std::size_t longest = s;
    while (longest < limit && longest - s < kMaxMarkerLength && IsMarkerByte(w.text, longest))
        ++longest;
    while (longest > s && w.text[longest - 1] == ' ')
        --longest;
    // A longer text is found first no earlier than a shorter one, so when
    // the longest is not found first at s, none is.
    if (longest - s < kMinAnchorLength || FindSjis(w.text, w.text.substr(s, longest - s)) != s)
        return std::nullopt;
    std::optional<std::string> wordEnd, shortest;
    for (std::size_t e = s + kMinAnchorLength; e <= longest; ++e) {
        const std::string_view anchor = w.text.substr(s, e - s);
        if (HoldsAnyValue(anchor, values))
            break;
        if (anchor.back() == ' ' || FindSjis(w.text, anchor) != s)
            continue;
        if (anchor.back() == '>')
            return std::string(anchor);
        if (!wordEnd && EndsToken(w.text, e))
            wordEnd = anchor;
        if (!shortest)
            shortest = anchor;
    }
    return wordEnd ? wordEnd : shortest;
}

// An anchor before the prefix at prefixStart from which the prefix is found
// first there. The nearest that begins a tag or follows a delimiter is best,
// else the nearest.
std::optional<Anchor> ChooseAnchor(const Window& w, std::string_view prefix, std::size_t prefixStart, const SeenValues& values)
{
    const std::size_t reach = prefixStart > kAnchorReach ? prefixStart - kAnchorReach : 0;
    for (const int worstTier : {1, 2}) {
        for (std::size_t s = prefixStart; s-- > reach;) {
            // Once another prefix stands between, it does for every earlier start.
            if (FindSjis(w.text, prefix, s + 1) != prefixStart)
                break;
            if (PrefixTier(w.text, s) > worstTier || (worstTier == 2 && PrefixTier(w.text, s) < 2))
                continue;
            if (auto text = AnchorAt(w, s, prefixStart, values))
                return Anchor{std::move(*text), s};
        }
    }
    return std::nullopt;
}

// Where the extraction goes on from once it has passed an anchor: the
// anchor's place, or where the rules that give "nodata" before the value
// leave the search.
using SearchAfter = std::function<std::size_t(const Anchor&)>;

// The rule of the first value, or of the first after values that gave no
// rule, together with the anchor text it is searched from; its places at or
// after `from` where the later values follow closest come first, so that
// the same number elsewhere on the page is not taken for the quote's.
std::optional<std::pair<Anchor, Step>> LearnAnchoredRule(const Window& w, std::size_t k, const SeenValues& values,
                                                         std::size_t from, const SearchAfter& searchAfter)
{
    const std::string& value = *values[k - RuleName];
    const std::vector<std::vector<Span>> later = PlacesOf(w.text, values, k - RuleName + 1);
    std::vector<Span> spans = Spans(w.text, value, from);
    const auto runLength = [&](const Span& span) {
        const std::size_t end = RunEnd(later, 0, span.end);
        return end == npos ? npos : end - span.begin;
    };
    std::stable_sort(spans.begin(), spans.end(), [&](const Span& a, const Span& b) { return runLength(a) < runLength(b); });
    spans.resize(std::min(spans.size(), kMaxPlacesTried));
    for (const Span& span : WithWrappers(w, spans, value)) {
        const auto suffix = ChooseSuffix(w, k, span, value);
        if (!suffix)
            continue;
        for (std::string_view prefix : PrefixCandidates(w, span.begin, 0, value)) {
            const auto anchor = ChooseAnchor(w, prefix, span.begin - prefix.size(), values);
            if (!anchor)
                continue;
            if (auto step = FitRule(w, k, span, prefix, *suffix, searchAfter(*anchor), value))
                return std::pair{*anchor, std::move(*step)};
        }
    }
    return std::nullopt;
}

// A value rule that gives "nodata": its prefix is on no page. Its suffix is
// then searched from the prefix's length on, and where it is found the next
// rule searches on: so it is the anchor of the next value learned, or again
// "<nodata>" when no value follows or the anchor stands before that search.
// The name's suffix loses its first byte where the window does not mention
// Shift_JIS, so there it comes with one more.
MarkerRule NoValueRule(const Window& w, std::size_t k, const std::optional<Anchor>& next = std::nullopt)
{
    std::string suffix(kNoValueMarker);
    if (next && next->pos >= kNoValueMarker.size())
        suffix = next->text;
    if (k == RuleName && w.notShiftJis)
        suffix.insert(0, 1, suffix.front());
    return LabelledRule(k, kNoValueMarker, suffix);
}

struct Attempt {
    LearnedRules learned;
    std::size_t learnedCount = 0;
    std::size_t firstByte = 0; // in the page: the anchor
    std::size_t lastByte = 0;  // in the page: the end of the last suffix
};

LearnProblem Classify(const Page& page, const Window& w, const std::string& value)
{
    if (Spans(page.body, value, 0).empty())
        return LearnProblem::NotOnPage;
    if (Spans(w.text, value, 0).empty())
        return LearnProblem::OutsideWindow;
    return LearnProblem::NoMarkerPair;
}

// Checks the rules the way the program will use them: their text form read
// back, the whole record cut out of the window. The built-in rules, kept
// when no anchor was found, learned nothing, whatever they read.
void Check(const Page& page, const Window& w, const SeenValues& values, bool anchored, Attempt& attempt)
{
    LearnedRules& learned = attempt.learned;
    for (std::size_t k = 0; k < RuleCount; ++k) {
        learned.texts[k] = MarkerRuleText(learned.rules[k], k == RuleKey);
        learned.rules[k] = ParseMarkerRule(learned.texts[k], k == RuleKey);
    }
    const QuoteValues got = SplitQuoteRecord(ExtractQuoteRecord(w.text, learned.rules));
    attempt.learnedCount = 0;
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (!values[v])
            continue;
        const bool learnedIt = anchored && got[v] == *values[v];
        learned.problems[v] = learnedIt ? LearnProblem::None : Classify(page, w, *values[v]);
        attempt.learnedCount += learnedIt ? 1 : 0;
    }
}

Attempt LearnOnce(const Page& page, const SeenValues& values, const PieceWindow& range)
{
    const Window w(page, range);
    Attempt attempt;
    LearnedRules& learned = attempt.learned;
    learned.window = range;
    learned.rules = Settings().markerRules;

    bool anchored = false;
    std::size_t pos = npos;
    // Rules that give "nodata" since the last value learned; the text the
    // next value is searched from becomes their suffix.
    std::vector<std::size_t> gap;
    for (std::size_t k = RuleName; k < RuleCount; ++k) {
        const std::optional<std::string>& value = values[k - RuleName];
        std::optional<Step> step;
        if (value && anchored && gap.empty()) {
            step = LearnValueRule(w, k, pos, *value);
        } else if (value) {
            const auto searchAfter = [&](const Anchor& anchor) {
                std::size_t at = anchored ? pos : anchor.pos;
                for (std::size_t g : gap)
                    at = CutQuoteValue(w.text, NoValueRule(w, g, anchor), g, at, w.notShiftJis).next;
                return at;
            };
            if (auto found = LearnAnchoredRule(w, k, values, anchored ? pos + 1 : 0, searchAfter)) {
                const Anchor& anchor = found->first;
                if (!anchored)
                    learned.rules[RuleKey].prefix = anchor.text;
                if (!anchored)
                    attempt.firstByte = w.offset + anchor.pos;
                anchored = true;
                for (std::size_t g : gap)
                    learned.rules[g] = NoValueRule(w, g, anchor);
                gap.clear();
                step = std::move(found->second);
            }
        }
        if (step) {
            learned.rules[k] = step->rule;
            pos = step->next;
            attempt.lastByte = w.offset + step->reach;
        } else {
            learned.rules[k] = NoValueRule(w, k);
            gap.push_back(k);
        }
    }
    if (!anchored)
        learned.rules = Settings().markerRules;
    Check(page, w, values, anchored, attempt);
    return attempt;
}

// A value reads through the rules before it only, so the first that does not
// read back is not learnable after them (a "_" in it splits the record, say);
// the rules are learned again without it until every value left reads back.
Attempt LearnInWindow(const Page& page, const SeenValues& values, const PieceWindow& range)
{
    SeenValues learnable = values;
    std::array<LearnProblem, QuoteValueCount> dropped{};
    // A value with no place in the window gives no rule wherever it stands.
    const Window w(page, range);
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (values[v] && Spans(w.text, *values[v], 0, 1).empty()) {
            dropped[v] = Classify(page, w, *values[v]);
            learnable[v].reset();
        }
    }
    for (;;) {
        Attempt attempt = LearnOnce(page, learnable, range);
        auto& problems = attempt.learned.problems;
        const auto failed = std::find_if(problems.begin(), problems.end(), [](LearnProblem p) { return p != LearnProblem::None; });
        if (failed == problems.end()) {
            for (std::size_t v = 0; v < QuoteValueCount; ++v)
                problems[v] = values[v] && !learnable[v] ? dropped[v] : problems[v];
            return attempt;
        }
        const auto v = static_cast<std::size_t>(failed - problems.begin());
        dropped[v] = *failed;
        learnable[v].reset();
    }
}

// The narrowest stretch of the page in which the values stand in their
// order, as a window with the margin; nothing when they never do.
std::optional<PieceWindow> WindowOfValues(const Page& page, const SeenValues& values)
{
    const std::vector<std::vector<Span>> places = PlacesOf(page.body, values, 0);
    if (places.empty())
        return std::nullopt;
    std::optional<Span> best;
    for (const Span& start : places.front()) {
        const std::size_t end = RunEnd(places, 1, start.end);
        if (end != npos && (!best || end - start.begin < best->end - best->begin))
            best = Span{start.begin, end};
    }
    if (!best)
        return std::nullopt;
    return page.Around(best->begin, best->end - 1);
}

bool AnyOutside(const LearnedRules& learned)
{
    return std::find(learned.problems.begin(), learned.problems.end(), LearnProblem::OutsideWindow) !=
           learned.problems.end();
}

} // namespace

bool LearnedRules::Complete() const
{
    return std::all_of(problems.begin(), problems.end(), [](LearnProblem p) { return p == LearnProblem::None; });
}

LearnedRules LearnMarkerRules(std::string_view body, const SeenValues& seen, const PieceWindow& window)
{
    SeenValues values = seen;
    for (auto& value : values) {
        if (value && value->empty())
            value.reset();
    }
    const Page page{body, PieceStarts(body)};
    Attempt asked = LearnInWindow(page, values, window);
    if (!AnyOutside(asked.learned))
        return asked.learned;
    const std::optional<PieceWindow> wide = WindowOfValues(page, values);
    if (!wide)
        return asked.learned;
    Attempt widened = LearnInWindow(page, values, *wide);
    if (widened.learnedCount <= asked.learnedCount)
        return asked.learned;
    // Learned in a window cut around the values; the anchor may stand a
    // little before them, so cut again around what the rules use.
    const PieceWindow narrow = page.Around(widened.firstByte, widened.lastByte - 1);
    if (narrow != *wide) {
        Attempt narrowed = LearnInWindow(page, values, narrow);
        if (narrowed.learnedCount >= widened.learnedCount)
            return narrowed.learned;
    }
    return widened.learned;
}

QuoteValues ValuesOfPage(std::string_view page, const MarkerRules& rules, const PieceWindow& window)
{
    return SplitQuoteRecord(ExtractQuoteRecord(CutPageWindow(page, window), rules));
}

PageReading ReadPageWithReasons(std::string_view page, const MarkerRules& rules, const PieceWindow& window)
{
    PageReading reading;
    const std::string cut = CutPageWindow(page, window);
    if (FindSjis(cut, rules[RuleKey].prefix) == std::string_view::npos) {
        reading.values.fill(std::string(kNoData));
        reading.missing.fill(MissingValue::NoAnchor);
        return reading;
    }
    reading.values = SplitQuoteRecord(ExtractQuoteRecord(cut, rules));
    // The same rules over the longest window that starts where this one does.
    std::optional<QuoteValues> beyond;
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        if (reading.values[i] != kNoData)
            continue;
        if (!beyond)
            beyond = ValuesOfPage(page, rules, {window.first, window.first + kMaxWindowPieces - 1});
        reading.missing[i] = (*beyond)[i] != kNoData ? MissingValue::WindowEndsBefore : MissingValue::NoMarkers;
    }
    return reading;
}

} // namespace zelmora
