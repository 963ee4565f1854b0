#include "core/alerts/price_alert.h"

#include "core/quotes/quote_record.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr std::size_t kMaxIntegerDigits = 12;
constexpr int kDecimals = 4;
// Half a point of the rate; half a percent of a price is threshold * 5 / 1000.
constexpr AlertNumber kRateMargin = kAlertUnit / 2;

std::size_t Index(AlertCondition c)
{
    return static_cast<std::size_t>(c);
}

constexpr std::array<AlertCondition, kAlertConditionCount> kConditions = {AlertCondition::Upper, AlertCondition::Lower,
                                                                         AlertCondition::Rate};

// Whether the condition holds, and whether the price has moved past the
// margin on the other side, which arms it again.
struct Reading {
    bool holds = false;
    bool rearms = false;
};

std::optional<Reading> Read(AlertCondition c, AlertNumber threshold, AlertNumber price, std::optional<AlertNumber> rate)
{
    switch (c) {
    case AlertCondition::Upper:
        return Reading{price >= threshold, price * 1000 < threshold * 995};
    case AlertCondition::Lower:
        return Reading{price <= threshold, price * 1000 > threshold * 1005};
    case AlertCondition::Rate:
        if (!rate)
            return std::nullopt;
        const AlertNumber size = *rate < 0 ? -*rate : *rate;
        return Reading{size >= threshold, size < threshold - kRateMargin};
    }
    return std::nullopt;
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<AlertCondition> ConditionOfLabel(std::string_view label)
{
    for (const AlertCondition c : kConditions) {
        if (AlertLabel(c) == label)
            return c;
    }
    return std::nullopt;
}

} // namespace

std::optional<AlertNumber> ParseAlertNumber(std::string_view text)
{
    text = TrimBlanks(text);
    if (!text.empty() && text.back() == '%')
        text = TrimBlanks(text.substr(0, text.size() - 1));
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    AlertNumber whole = 0;
    std::size_t digits = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '.'; ++i) {
        // A "," stands only between digits.
        if (text[i] == ',' && digits > 0 && i + 1 < text.size() && IsAsciiDigit(text[i + 1]))
            continue;
        if (!IsAsciiDigit(text[i]) || ++digits > kMaxIntegerDigits)
            return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
    }
    AlertNumber fraction = 0;
    int decimals = 0;
    if (i < text.size()) {
        if (i + 1 == text.size())
            return std::nullopt;
        for (++i; i < text.size(); ++i) {
            if (!IsAsciiDigit(text[i]))
                return std::nullopt;
            if (decimals < kDecimals) {
                fraction = fraction * 10 + (text[i] - '0');
                ++decimals;
            }
        }
    }
    if (digits == 0 && decimals == 0)
        return std::nullopt;
    for (; decimals < kDecimals; ++decimals)
        fraction *= 10;
    const AlertNumber number = whole * kAlertUnit + fraction;
    return negative ? -number : number;
}

std::string FormatAlertNumber(AlertNumber number, bool grouped)
{
    const bool negative = number < 0;
    const AlertNumber size = negative ? -number : number;
    std::string whole = std::to_string(size / kAlertUnit);
    if (grouped) {
        for (std::size_t at = whole.size(); at > 3; at -= 3)
            whole.insert(at - 3, ",");
    }
    std::string fraction = std::to_string(size % kAlertUnit + kAlertUnit).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

AlertThresholds ParseAlertThresholds(std::string_view text)
{
    AlertThresholds thresholds;
    const std::vector<std::string_view> fields = SplitAt(text, '_');
    for (std::size_t i = 0; i < kAlertConditionCount && i < fields.size(); ++i) {
        const std::optional<AlertNumber> number = ParseAlertNumber(fields[i]);
        if (number && *number > 0)
            thresholds.values[i] = number;
    }
    return thresholds;
}

std::string AlertThresholdsText(const AlertThresholds& thresholds)
{
    std::string text;
    for (std::size_t i = 0; i < kAlertConditionCount; ++i) {
        if (i > 0)
            text += '_';
        if (thresholds.values[i])
            text += FormatAlertNumber(*thresholds.values[i]);
    }
    return text;
}

void ChangeThresholds(RowAlert& alert, const AlertThresholds& thresholds)
{
    for (std::size_t i = 0; i < kAlertConditionCount; ++i) {
        if (alert.thresholds.values[i] != thresholds.values[i])
            alert.state.phases[i] = AlertPhase::Unseen;
    }
    alert.thresholds = thresholds;
}

std::vector<AlertCondition> EvaluateAlert(RowAlert& alert, const std::string& date, const AlertQuote& quote)
{
    const std::optional<AlertNumber> price = ParseAlertNumber(quote.price);
    if (!alert.thresholds.Any() || !PageMinute(quote.time) || !price || *price <= 0)
        return {};
    if (alert.state.date != date)
        alert.state = {date, {}};
    const std::optional<AlertNumber> rate = ParseAlertNumber(quote.rate);
    std::vector<AlertCondition> fired;
    for (const AlertCondition c : kConditions) {
        const std::optional<AlertNumber> threshold = alert.thresholds.Of(c);
        const std::optional<Reading> reading = threshold ? Read(c, *threshold, *price, rate) : std::nullopt;
        if (!reading)
            continue;
        AlertPhase& phase = alert.state.phases[Index(c)];
        if (phase == AlertPhase::Fired) {
            if (reading->rearms)
                phase = AlertPhase::Armed;
        } else if (reading->holds) {
            phase = AlertPhase::Fired;
            fired.push_back(c);
        } else {
            phase = AlertPhase::Armed;
        }
    }
    if (!fired.empty())
        alert.marked = true;
    return fired;
}

std::string AlertLine(const std::string& time, AlertCondition condition, const AlertThresholds& thresholds,
                      const AlertQuote& quote)
{
    const std::optional<AlertNumber> threshold = thresholds.Of(condition);
    return time + '\t' + AlertLabel(condition) + '\t' + (threshold ? FormatAlertNumber(*threshold) : std::string()) +
           '\t' + quote.price + '\t' + quote.rate;
}

void RestoreAlertState(RowAlert& alert, const std::string& date, const std::vector<std::string>& lines)
{
    alert.state = {date, {}};
    for (const std::string& line : lines) {
        const std::vector<std::string_view> fields = SplitAt(line, '\t');
        const std::optional<AlertCondition> c = fields.size() >= 3 ? ConditionOfLabel(fields[1]) : std::nullopt;
        if (!c)
            continue;
        const std::optional<AlertNumber> threshold = ParseAlertNumber(fields[2]);
        const bool same = threshold && threshold == alert.thresholds.Of(*c);
        alert.state.phases[Index(*c)] = same ? AlertPhase::Fired : AlertPhase::Unseen;
        // Fired before the restart and not looked at in this run.
        alert.marked = alert.marked || same;
    }
}

const std::string& AlertLabel(AlertCondition condition)
{
    static constexpr std::array<texts::Id, kAlertConditionCount> kLabels = {texts::AlertUpper, texts::AlertLower,
                                                                            texts::AlertRate};
    return texts::Sjis(kLabels[Index(condition)]);
}

std::string AlertSummary(const AlertFiring& firing)
{
    std::string text = firing.code;
    if (!firing.name.empty())
        text += ' ' + firing.name;
    return text + ' ' + firing.quote.price + " (" + firing.quote.rate + ')';
}

std::vector<std::string> AlertConditionLines(const AlertFiring& firing)
{
    std::vector<std::string> lines;
    for (const AlertCondition c : firing.conditions) {
        const std::string threshold = FormatAlertNumber(firing.thresholds.Of(c).value_or(0), true);
        switch (c) {
        case AlertCondition::Upper:
            lines.push_back(texts::Format(texts::AlertUpperLineFormat, threshold));
            break;
        case AlertCondition::Lower:
            lines.push_back(texts::Format(texts::AlertLowerLineFormat, threshold));
            break;
        case AlertCondition::Rate:
            lines.push_back(texts::Format(texts::AlertRateLineFormat, firing.quote.rate, threshold));
            break;
        }
    }
    return lines;
}

std::string AlertMailSubject(const std::vector<AlertFiring>& firings)
{
    std::string subject = texts::Sjis(texts::AlertMailSubject);
    for (const AlertFiring& firing : firings)
        subject += ' ' + firing.code;
    return subject;
}

std::string AlertMailBody(const std::vector<AlertFiring>& firings)
{
    std::string body;
    for (const AlertFiring& firing : firings) {
        if (!body.empty())
            body += '\n';
        body += AlertSummary(firing) + '\n';
        for (const std::string& line : AlertConditionLines(firing))
            body += line + '\n';
    }
    return body;
}

} // namespace zelmora
