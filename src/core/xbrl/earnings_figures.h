#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/xbrl/inline_facts.h"

// The key figures of an earnings release or a forecast revision, taken from
// the facts of its XBRL summary.
namespace zelmora {

enum class FiguresPeriod { Unknown, Year, Q1, Q2, Q3 };
enum class AccountingStandard { JapaneseGaap, Ifrs };

// One figure: the period's value and its year-on-year rate, and the year's
// forecast (a point, or a range whose midpoint is taken) with its rate; in a
// revision also the previous forecast. Each is there only when its fact is.
struct Figure {
    std::optional<XbrlNumber> value;
    std::optional<XbrlNumber> rate; // a fraction: 0.052 is 5.2%
    std::optional<XbrlNumber> forecast;
    std::optional<XbrlNumber> forecastLower;
    std::optional<XbrlNumber> forecastUpper;
    std::optional<XbrlNumber> forecastRate;
    std::optional<XbrlNumber> previousForecast;

    bool HasForecast() const { return forecast || (forecastLower && forecastUpper); }
    bool Empty() const { return !value && !HasForecast(); }
};

struct EarningsFigures {
    FiguresPeriod period = FiguresPeriod::Unknown;
    bool consolidated = true;
    AccountingStandard standard = AccountingStandard::JapaneseGaap;
    bool revision = false; // previous and new forecasts

    Figure sales;
    Figure operatingProfit;
    Figure ordinaryProfit;   // Japanese GAAP
    Figure profitBeforeTax;  // IFRS, in its place
    Figure netProfit;
    Figure earningsPerShare;

    bool Empty() const
    {
        return sales.Empty() && operatingProfit.Empty() && ordinaryProfit.Empty() && profitBeforeTax.Empty() &&
               netProfit.Empty() && earningsPerShare.Empty();
    }
};

// The figures of the facts: consolidated facts where there are any, else
// non-consolidated; results of the year or the latest quarter to date;
// forecasts of the next year after an annual release, else of the current
// year. Facts that are nil, unreadable or in other contexts (segments, prior
// years) are left out, so a malformed summary gives fewer figures, never
// made-up ones.
EarningsFigures ExtractFigures(const std::vector<XbrlFact>& facts);

// The midpoint of a range, exactly; nothing when it does not fit.
std::optional<XbrlNumber> Midpoint(const XbrlNumber& lower, const XbrlNumber& upper);

// The number in units of 10^unitExponent, rounded to the nearest with
// halves away from zero; nothing when it does not fit.
std::optional<std::int64_t> RoundedUnits(const XbrlNumber& number, int unitExponent);

// (to - from) / |from| in tenths of a percent, rounded the same way;
// nothing when from is zero or it does not fit.
std::optional<std::int64_t> ChangeTenthsOfPercent(const XbrlNumber& from, const XbrlNumber& to);

} // namespace zelmora
