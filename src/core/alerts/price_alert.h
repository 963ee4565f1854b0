#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Price alerts of a watch list row: up to three thresholds, and whether each
// may fire now. Plain values and decisions; the caller brings the date, the
// quote and the lines of the day's alert.txt.
namespace zelmora {

// A decimal number in ten-thousandths, so that the 0.5 % margin and a
// threshold such as 2850.5 compare exactly.
using AlertNumber = std::int64_t;
inline constexpr AlertNumber kAlertUnit = 10'000;

// "2,850.5", "+1.23%", "３０００" after the caller's width folding: blanks
// around, an optional sign, digits with "," between them, at most one ".",
// an optional "%". Digits past the fourth decimal are dropped. Nothing for
// anything else.
std::optional<AlertNumber> ParseAlertNumber(std::string_view text);
// The shortest plain form ("2850.5", "3000"), with "," every three digits
// when grouped ("2,850.5").
std::string FormatAlertNumber(AlertNumber number, bool grouped = false);

enum class AlertCondition : std::uint8_t { Upper, Lower, Rate };
inline constexpr std::size_t kAlertConditionCount = 3;

// 上限 (price at or above), 下限 (price at or below), 変化率 (the day's rate,
// up or down, at or beyond so many percent); each may be absent.
struct AlertThresholds {
    std::array<std::optional<AlertNumber>, kAlertConditionCount> values;

    std::optional<AlertNumber> Of(AlertCondition c) const { return values[static_cast<std::size_t>(c)]; }
    bool Any() const { return values[0] || values[1] || values[2]; }
    bool operator==(const AlertThresholds&) const = default;
};

// ALERT<n> of base_data.ini: "<upper>_<lower>_<rate>", an empty field for
// none ("3000__2.5"). A field that is no positive number counts as none.
AlertThresholds ParseAlertThresholds(std::string_view text);
std::string AlertThresholdsText(const AlertThresholds& thresholds);

// Where a condition stands: not evaluated yet today, armed (did not hold at
// the last evaluation), or fired and waiting for the price to move past the
// margin.
enum class AlertPhase : std::uint8_t { Unseen, Armed, Fired };

struct AlertState {
    std::string date; // yyyymmdd of the phases
    std::array<AlertPhase, kAlertConditionCount> phases{};
};

// A row's alerts as the watch list keeps them. marked: fired this run and not
// yet looked at (the row was not selected since).
struct RowAlert {
    AlertThresholds thresholds;
    AlertState state;
    bool marked = false;
};

// New thresholds: a condition whose threshold changed starts afresh.
void ChangeThresholds(RowAlert& alert, const AlertThresholds& thresholds);

// A row's quote as the page wrote it.
struct AlertQuote {
    std::string time;
    std::string price;
    std::string rate;
};

// One evaluation on date (yyyymmdd) of a quote taken while the market is
// open; returns the conditions that fired. A quote without a time of day or
// a price that reads is no evaluation at all. A new date starts every
// condition afresh.
std::vector<AlertCondition> EvaluateAlert(RowAlert& alert, const std::string& date, const AlertQuote& quote);

// The line alert.txt keeps for a firing, without its line end:
// time, label, threshold, price and rate, separated by tabs.
std::string AlertLine(const std::string& time, AlertCondition condition, const AlertThresholds& thresholds,
                      const AlertQuote& quote);
// The state of date after the firings of alert.txt: a condition whose last
// line names its present threshold is fired and waits to be armed again,
// and marks the row.
void RestoreAlertState(RowAlert& alert, const std::string& date, const std::vector<std::string>& lines);

// 上限, 下限 or 変化率, in Shift_JIS.
const std::string& AlertLabel(AlertCondition condition);

// What fired in one row in one pass.
struct AlertFiring {
    std::size_t row = 0;
    std::string code;
    std::string name;
    std::string market;
    AlertQuote quote;
    AlertThresholds thresholds;
    std::vector<AlertCondition> conditions;
};

// "7203 トヨタ自動車 2,905 (+1.2%)".
std::string AlertSummary(const AlertFiring& firing);
// "上限 2,900 以上", "下限 2,700 以下", "変化率 +3.1%（基準 3%）", one per condition.
std::vector<std::string> AlertConditionLines(const AlertFiring& firing);
// "株価アラート 7203 6758": the codes in list order.
std::string AlertMailSubject(const std::vector<AlertFiring>& firings);
// Per stock its summary and its condition lines; a blank line between stocks.
std::string AlertMailBody(const std::vector<AlertFiring>& firings);

} // namespace zelmora
