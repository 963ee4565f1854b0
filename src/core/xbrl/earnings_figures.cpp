#include "core/xbrl/earnings_figures.h"

#include <array>
#include <initializer_list>
#include <limits>
#include <string_view>

namespace zelmora {
namespace {

using Wide = __int128;

// Names by standard, the first that has a value wins; the year-on-year rate
// is "ChangeIn" and the same name.
const std::initializer_list<std::string_view> kSalesNames = {"NetSales", "OperatingRevenues", "NetSalesIFRS",
                                                             "RevenueIFRS", "SalesIFRS", "OperatingRevenuesIFRS"};
const std::initializer_list<std::string_view> kOperatingNames = {"OperatingIncome", "OperatingIncomeIFRS",
                                                                 "OperatingProfitIFRS"};
const std::initializer_list<std::string_view> kOrdinaryNames = {"OrdinaryIncome"};
const std::initializer_list<std::string_view> kPreTaxNames = {"ProfitBeforeTaxIFRS"};
const std::initializer_list<std::string_view> kNetNames = {"ProfitAttributableToOwnersOfParent", "NetIncome",
                                                           "ProfitAttributableToOwnersOfParentIFRS"};
const std::initializer_list<std::string_view> kPerShareNames = {"NetIncomePerShare", "BasicEarningsPerShareIFRS"};

constexpr std::string_view kRatePrefix = "ChangeIn";
constexpr std::string_view kCurrentYear = "CurrentYearDuration";
constexpr std::string_view kNextYear = "NextYearDuration";

// What a context's name says; anything else in it (a segment, a member we
// do not know) makes it a context we do not read.
struct Context {
    bool valid = false;
    std::string_view period;
    bool consolidated = false;
    bool result = false, forecast = false, upper = false, lower = false, previous = false, current = false;

    enum Role { None, Result, Point, Lower, Upper, Previous };
    Role RoleOf() const
    {
        if (!valid)
            return None;
        if (result)
            return forecast || upper || lower || previous || current ? None : Result;
        if (previous)
            return upper || lower ? None : Previous;
        if (upper != lower)
            return upper ? Upper : Lower;
        if (upper)
            return None;
        return forecast || current ? Point : None;
    }
};

Context ReadContext(std::string_view name)
{
    Context context;
    const std::size_t first = name.find('_');
    if (first == std::string_view::npos)
        return context;
    context.period = name.substr(0, first);
    bool consolidation = false;
    std::string_view rest = name.substr(first + 1);
    while (!rest.empty()) {
        const std::size_t end = rest.find('_');
        const std::string_view member = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        bool* flag = nullptr;
        if (member == "ConsolidatedMember" || member == "NonConsolidatedMember") {
            if (consolidation)
                return context;
            consolidation = true;
            context.consolidated = member == "ConsolidatedMember";
            continue;
        }
        if (member == "ResultMember")
            flag = &context.result;
        else if (member == "ForecastMember")
            flag = &context.forecast;
        else if (member == "UpperMember")
            flag = &context.upper;
        else if (member == "LowerMember")
            flag = &context.lower;
        else if (member == "PreviousMember")
            flag = &context.previous;
        else if (member == "CurrentMember")
            flag = &context.current;
        if (!flag || *flag)
            return context;
        *flag = true;
    }
    context.valid = consolidation;
    return context;
}

bool IsResultPeriod(std::string_view period)
{
    return period == kCurrentYear || period == "CurrentAccumulatedQ1Duration" ||
           period == "CurrentAccumulatedQ2Duration" || period == "CurrentAccumulatedQ3Duration";
}

FiguresPeriod PeriodOf(std::string_view period)
{
    if (period == kCurrentYear)
        return FiguresPeriod::Year;
    if (period == "CurrentAccumulatedQ3Duration")
        return FiguresPeriod::Q3;
    if (period == "CurrentAccumulatedQ2Duration")
        return FiguresPeriod::Q2;
    if (period == "CurrentAccumulatedQ1Duration")
        return FiguresPeriod::Q1;
    return FiguresPeriod::Unknown;
}

struct ReadFact {
    const XbrlFact* fact;
    Context context;
    std::string_view local;
};

bool IsFigureName(std::string_view local)
{
    if (local.substr(0, kRatePrefix.size()) == kRatePrefix)
        local.remove_prefix(kRatePrefix.size());
    for (const auto* names : {&kSalesNames, &kOperatingNames, &kOrdinaryNames, &kPreTaxNames, &kNetNames, &kPerShareNames}) {
        for (const std::string_view name : *names) {
            if (name == local)
                return true;
        }
    }
    return false;
}

class FactTable {
public:
    explicit FactTable(const std::vector<XbrlFact>& facts)
    {
        for (const XbrlFact& fact : facts) {
            const std::string_view local = LocalName(fact.name);
            const Context context = ReadContext(fact.context);
            if (context.RoleOf() != Context::None && IsFigureName(local))
                m_facts.push_back({&fact, context, local});
        }
        m_consolidated = false;
        for (const ReadFact& read : m_facts)
            m_consolidated = m_consolidated || read.context.consolidated;
        for (const ReadFact& read : m_facts) {
            if (read.context.consolidated != m_consolidated)
                continue;
            if (read.context.RoleOf() == Context::Result && IsResultPeriod(read.context.period)) {
                const FiguresPeriod period = PeriodOf(read.context.period);
                if (m_period == FiguresPeriod::Unknown || period == FiguresPeriod::Year ||
                    (m_period != FiguresPeriod::Year && period > m_period)) {
                    m_period = period;
                    m_resultPeriod = read.context.period;
                }
            }
            m_revision = m_revision || read.context.RoleOf() == Context::Previous;
            m_ifrs = m_ifrs || read.local.ends_with("IFRS");
        }
        // After an annual release the forecast is next year's.
        m_forecastPeriod = kCurrentYear;
        bool current = false, next = false;
        for (const ReadFact& read : m_facts) {
            const Context::Role role = read.context.RoleOf();
            if (read.context.consolidated != m_consolidated || role == Context::Result || role == Context::None)
                continue;
            current = current || read.context.period == kCurrentYear;
            next = next || read.context.period == kNextYear;
        }
        if (next && (m_period == FiguresPeriod::Year || !current))
            m_forecastPeriod = kNextYear;
    }

    Figure Read(const std::initializer_list<std::string_view>& names) const
    {
        Figure figure;
        if (const auto name = FirstWith(names, Context::Result, m_resultPeriod)) {
            figure.value = Value(*name, Context::Result, m_resultPeriod);
            figure.rate = Value(std::string(kRatePrefix) + std::string(*name), Context::Result, m_resultPeriod);
        }
        if (const auto name = FirstWith(names, Context::Point, m_forecastPeriod)) {
            figure.forecast = Value(*name, Context::Point, m_forecastPeriod);
            figure.forecastRate = Value(std::string(kRatePrefix) + std::string(*name), Context::Point, m_forecastPeriod);
        } else {
            for (const std::string_view name : names) {
                const auto lower = Value(name, Context::Lower, m_forecastPeriod);
                const auto upper = Value(name, Context::Upper, m_forecastPeriod);
                if (lower && upper) {
                    figure.forecastLower = lower;
                    figure.forecastUpper = upper;
                    figure.forecast = Midpoint(*lower, *upper);
                    break;
                }
            }
        }
        if (const auto name = FirstWith(names, Context::Previous, m_forecastPeriod))
            figure.previousForecast = Value(*name, Context::Previous, m_forecastPeriod);
        return figure;
    }

    bool Consolidated() const { return m_consolidated; }
    FiguresPeriod Period() const { return m_period; }
    bool Ifrs() const { return m_ifrs; }
    bool Revision() const { return m_revision; }

private:
    std::optional<XbrlNumber> Value(std::string_view local, Context::Role role, std::string_view period) const
    {
        if (period.empty())
            return std::nullopt;
        for (const ReadFact& read : m_facts) {
            if (read.local == local && read.fact->value && read.context.consolidated == m_consolidated &&
                read.context.RoleOf() == role && read.context.period == period)
                return read.fact->value;
        }
        return std::nullopt;
    }

    std::optional<std::string_view> FirstWith(const std::initializer_list<std::string_view>& names, Context::Role role,
                                              std::string_view period) const
    {
        for (const std::string_view name : names) {
            if (Value(name, role, period))
                return name;
        }
        return std::nullopt;
    }

    std::vector<ReadFact> m_facts;
    bool m_consolidated = true;
    FiguresPeriod m_period = FiguresPeriod::Unknown;
    std::string_view m_resultPeriod;
    std::string_view m_forecastPeriod;
    bool m_ifrs = false;
    bool m_revision = false;
};

std::optional<Wide> Pow10(int exponent)
{
    if (exponent < 0 || exponent > 36)
        return std::nullopt;
    Wide power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

bool FitsInt64(Wide value)
{
    return value >= std::numeric_limits<std::int64_t>::min() && value <= std::numeric_limits<std::int64_t>::max();
}

// Rounds numerator / denominator (denominator > 0), halves away from zero.
Wide DivideRounded(Wide numerator, Wide denominator)
{
    Wide quotient = numerator / denominator;
    const Wide remainder = numerator % denominator;
    const Wide twice = (remainder < 0 ? -remainder : remainder) * 2;
    if (twice >= denominator)
        quotient += numerator < 0 ? -1 : 1;
    return quotient;
}

// Both numbers over the smaller exponent; nothing when that overflows.
bool Align(const XbrlNumber& a, const XbrlNumber& b, Wide& wideA, Wide& wideB, int& exponent)
{
    exponent = std::min(a.exponent, b.exponent);
    const auto scaleA = Pow10(a.exponent - exponent);
    const auto scaleB = Pow10(b.exponent - exponent);
    if (!scaleA || !scaleB || *scaleA > Wide(1) << 50 || *scaleB > Wide(1) << 50)
        return false;
    wideA = Wide(a.mantissa) * *scaleA;
    wideB = Wide(b.mantissa) * *scaleB;
    return true;
}

} // namespace

std::optional<XbrlNumber> Midpoint(const XbrlNumber& lower, const XbrlNumber& upper)
{
    Wide a = 0, b = 0;
    int exponent = 0;
    if (!Align(lower, upper, a, b, exponent))
        return std::nullopt;
    Wide sum = a + b;
    if (sum % 2 == 0) {
        sum /= 2;
    } else {
        sum *= 5;
        --exponent;
    }
    if (!FitsInt64(sum))
        return std::nullopt;
    return XbrlNumber{static_cast<std::int64_t>(sum), exponent};
}

std::optional<std::int64_t> RoundedUnits(const XbrlNumber& number, int unitExponent)
{
    const int shift = number.exponent - unitExponent;
    Wide units = 0;
    if (shift >= 0) {
        const auto scale = Pow10(shift);
        if (!scale || *scale > Wide(1) << 62)
            return std::nullopt;
        units = Wide(number.mantissa) * *scale;
    } else if (shift < -36) {
        units = 0;
    } else {
        units = DivideRounded(number.mantissa, *Pow10(-shift));
    }
    if (!FitsInt64(units))
        return std::nullopt;
    return static_cast<std::int64_t>(units);
}

std::optional<std::int64_t> ChangeTenthsOfPercent(const XbrlNumber& from, const XbrlNumber& to)
{
    Wide a = 0, b = 0;
    int exponent = 0;
    if (!Align(from, to, a, b, exponent) || a == 0)
        return std::nullopt;
    const Wide change = DivideRounded((b - a) * 1000, a < 0 ? -a : a);
    if (!FitsInt64(change))
        return std::nullopt;
    return static_cast<std::int64_t>(change);
}

EarningsFigures ExtractFigures(const std::vector<XbrlFact>& facts)
{
    const FactTable table(facts);
    EarningsFigures figures;
    figures.period = table.Period();
    figures.consolidated = table.Consolidated();
    figures.standard = table.Ifrs() ? AccountingStandard::Ifrs : AccountingStandard::JapaneseGaap;
    figures.revision = table.Revision();
    figures.sales = table.Read(kSalesNames);
    figures.operatingProfit = table.Read(kOperatingNames);
    figures.ordinaryProfit = table.Read(kOrdinaryNames);
    figures.profitBeforeTax = table.Read(kPreTaxNames);
    figures.netProfit = table.Read(kNetNames);
    figures.earningsPerShare = table.Read(kPerShareNames);
    return figures;
}

} // namespace zelmora
