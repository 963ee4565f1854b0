#include "core/quotes/quote_record.h"

#include "core/text/encoding_converter.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr std::string_view kShiftJisMention = "Shift_JIS";
// A time value longer than this (counted from its prefix) may hold a
// differently encoded text and is converted.
constexpr std::size_t kTimeConvertLength = 10;

std::string ToShiftJis(std::string_view text)
{
    std::string converted;
    ConvertToShiftJis(text, converted);
    return converted;
}

bool HoldsDigit(std::string_view text)
{
    return text.find_first_of("0123456789") != std::string_view::npos;
}

// "<font color=red>-15</font>" keeps "-15"; a dash with no tag after it
// keeps the rest of the value when a digit follows ("-230" written plainly)
// and stands for no value otherwise, as in "--:--".
std::string CutAtDash(std::string value)
{
    const std::size_t dash = FindSjis(value, "-");
    if (dash == npos)
        return value;
    const std::size_t tag = FindSjis(value, "<", dash + 1);
    if (tag != npos)
        return value.substr(dash, tag - dash);
    if (HoldsDigit(std::string_view(value).substr(dash)))
        return value.substr(dash);
    return texts::Sjis(texts::DashPlaceholder);
}

} // namespace

bool MentionsShiftJis(std::string_view window)
{
    return ContainsSjis(window, kShiftJisMention);
}

CutValue CutQuoteValue(std::string_view window, const MarkerRule& rule, std::size_t k, std::size_t pos, bool notShiftJis)
{
    const bool dropByteBeforeSuffix = k == RuleName && notShiftJis;
    std::string_view suffix = rule.suffix;
    if (dropByteBeforeSuffix && !suffix.empty())
        suffix.remove_prefix(1);

    // Positions follow the rule of -1 for "not found": searching from
    // pos + 1 after a miss starts again at 0.
    const std::size_t start = FindSjis(window, rule.prefix, pos == npos ? 0 : pos + 1);
    const std::size_t valueBegin = (start == npos ? 0 : start + rule.prefix.size());
    // With a missing prefix the suffix is still searched, from
    // -1 + prefix length + 1, and its position becomes the next pos.
    const std::size_t end = FindSjis(window, suffix, start == npos ? rule.prefix.size() : valueBegin + 1);

    CutValue cut{std::string(kNoData), end};
    if (start != npos && end != npos) {
        // The suffix is searched from valueBegin + 1, so valueEnd >= valueBegin.
        const std::size_t valueEnd = dropByteBeforeSuffix ? end - 1 : end;
        cut.value = window.substr(valueBegin, valueEnd - valueBegin);
        if (dropByteBeforeSuffix || (k == RuleTime && end - start > kTimeConvertLength))
            cut.value = ToShiftJis(cut.value);
    }
    if (notShiftJis)
        cut.value = CutAtDash(std::move(cut.value));
    // A lead byte at the end would take the "_" for its second byte.
    cut.value = std::string(WithoutLoneLeadByte(cut.value));
    return cut;
}

std::string ExtractQuoteRecord(std::string_view window, const MarkerRules& rules)
{
    const std::size_t anchor = FindSjis(window, rules[RuleKey].prefix);
    if (anchor == npos)
        return {};
    // The window is only a stretch of the page, so this sees a charset
    // mention near the quote table, never the page head's declaration.
    const bool notShiftJis = !MentionsShiftJis(window);

    std::string record;
    std::size_t pos = anchor;
    for (std::size_t k = RuleName; k < RuleCount; ++k) {
        CutValue cut = CutQuoteValue(window, rules[k], k, pos, notShiftJis);
        pos = cut.next;
        record += cut.value;
        record += '_';
    }
    return record;
}

FetchedQuote QuoteRecordFromOutcome(const FetchOutcome& outcome, const MarkerRules& rules)
{
    switch (outcome.kind) {
    case FetchOutcome::Ok:
        return {outcome.kind, ExtractQuoteRecord(outcome.window, rules)};
    case FetchOutcome::HttpStatus:
        return {outcome.kind, outcome.status};
    case FetchOutcome::Failed:
        break;
    }
    return {FetchOutcome::Failed, {}};
}

QuoteValues SplitQuoteRecord(std::string_view record)
{
    QuoteValues values;
    std::size_t start = 0;
    for (std::string& value : values) {
        const std::size_t mark = FindSjis(record, "_", start);
        if (mark == npos) {
            start = 0;
            continue;
        }
        value = record.substr(start, mark - start);
        start = mark + 1;
    }
    return values;
}

bool HasQuote(std::string_view price)
{
    return ParseLeadingInt(price) >= 1;
}

std::string TrendMark(std::string_view rate)
{
    if (ContainsSjis(rate, "+"))
        return texts::Sjis(texts::TrendRising);
    if (ContainsSjis(rate, "-"))
        return texts::Sjis(texts::TrendFalling);
    return texts::Sjis(texts::TrendFlat);
}

std::optional<int> PageMinute(std::string_view time)
{
    time = TrimBlanks(time);
    const std::size_t colon = time.find(':');
    if (colon != 1 && colon != 2)
        return std::nullopt;
    if (time.size() != colon + 3)
        return std::nullopt;
    for (std::size_t i = 0; i < time.size(); ++i) {
        if (i != colon && !IsAsciiDigit(time[i]))
            return std::nullopt;
    }
    const int hour = colon == 1 ? time[0] - '0' : (time[0] - '0') * 10 + (time[1] - '0');
    const int minute = (time[colon + 1] - '0') * 10 + (time[colon + 2] - '0');
    if (hour > 23 || minute > 59)
        return std::nullopt;
    return hour * 60 + minute;
}

} // namespace zelmora
