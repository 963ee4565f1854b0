#include "core/xbrl/figures_line.h"

namespace zelmora {
namespace {

constexpr int kMillion = 6;
constexpr int kTenMillion = 7;
constexpr int kOku = 8;        // 億: 10^8 yen
constexpr std::int64_t kOkuPerCho = 10'000; // 兆: 10^12 yen

std::string Grouped(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

std::uint64_t Magnitude(std::int64_t value)
{
    return value < 0 ? 0ull - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

// "45.6" of 456 tenths, grouped before the point.
std::string TenthsText(std::int64_t tenths)
{
    const std::uint64_t magnitude = Magnitude(tenths);
    return (tenths < 0 ? "-" : "") + Grouped(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

// "営業利益 1,234億円(+12.0%)"; empty without the value.
std::string Item(const char* label, const std::optional<XbrlNumber>& value, const std::optional<XbrlNumber>& rate)
{
    if (!value)
        return {};
    const std::string amount = AmountText(*value);
    if (amount.empty())
        return {};
    std::string item = std::string(label) + " " + amount;
    if (rate && !RateText(*rate).empty())
        item += "(" + RateText(*rate) + ")";
    return item;
}

void Append(std::string& line, const std::string& part, const char* separator = " ")
{
    if (part.empty())
        return;
    if (!line.empty())
        line += separator;
    line += part;
}

// The forecast as a point, or "110億円～130億円(中央 120億円)".
std::string ForecastAmount(const Figure& figure)
{
    if (figure.forecastLower && figure.forecastUpper) {
        const std::string lower = AmountText(*figure.forecastLower);
        const std::string upper = AmountText(*figure.forecastUpper);
        const std::string middle = figure.forecast ? AmountText(*figure.forecast) : std::string();
        if (lower.empty() || upper.empty())
            return {};
        return lower + "～" + upper + (middle.empty() ? "" : "(中央 " + middle + ")");
    }
    return figure.forecast ? AmountText(*figure.forecast) : std::string();
}

std::string ForecastPart(const EarningsFigures& figures)
{
    const bool operating = figures.operatingProfit.HasForecast();
    const Figure& figure = operating ? figures.operatingProfit : figures.profitBeforeTax;
    if (!figure.HasForecast())
        return {};
    const std::string amount = ForecastAmount(figure);
    if (amount.empty())
        return {};
    const std::string label = operating ? "営業利益" : "税引前利益";
    if (figures.revision && figure.previousForecast && figure.forecast) {
        const std::string previous = AmountText(*figure.previousForecast);
        if (previous.empty())
            return {};
        std::string part = "通期予想修正 " + label + " " + previous + "→" + amount;
        if (const auto change = ChangeTenthsOfPercent(*figure.previousForecast, *figure.forecast))
            part += "(" + std::string(*change < 0 ? "" : "+") + TenthsText(*change) + "%)";
        return part;
    }
    std::string part = "通期予想 " + label + " " + amount;
    const bool range = figure.forecastLower && figure.forecastUpper;
    if (!range && figure.forecastRate && !RateText(*figure.forecastRate).empty())
        part += "(" + RateText(*figure.forecastRate) + ")";
    return part;
}

} // namespace

std::string AmountText(const XbrlNumber& yen)
{
    const auto millions = RoundedUnits(yen, kMillion);
    if (!millions)
        return {};
    if (Magnitude(*millions) < 100)
        return std::to_string(*millions) + "百万円";
    const auto tenths = RoundedUnits(yen, kTenMillion);
    if (!tenths)
        return {};
    if (Magnitude(*tenths) < 1000)
        return TenthsText(*tenths) + "億円";
    const auto oku = RoundedUnits(yen, kOku);
    if (!oku)
        return {};
    const std::uint64_t magnitude = Magnitude(*oku);
    const std::string sign = *oku < 0 ? "-" : "";
    if (magnitude < kOkuPerCho)
        return sign + Grouped(magnitude) + "億円";
    const std::uint64_t rest = magnitude % kOkuPerCho;
    return sign + Grouped(magnitude / kOkuPerCho) + "兆" + (rest ? Grouped(rest) + "億円" : "円");
}

std::string RateText(const XbrlNumber& fraction)
{
    // Tenths of a percent are thousandths of the fraction.
    const auto tenths = RoundedUnits(fraction, -3);
    if (!tenths)
        return {};
    return (*tenths < 0 ? "" : "+") + TenthsText(*tenths) + "%";
}

std::string FiguresLine(const EarningsFigures& figures)
{
    std::string results;
    Append(results, Item("売上高", figures.sales.value, figures.sales.rate));
    Append(results, Item("営業利益", figures.operatingProfit.value, figures.operatingProfit.rate));
    if (figures.ordinaryProfit.value)
        Append(results, Item("経常利益", figures.ordinaryProfit.value, figures.ordinaryProfit.rate));
    else
        Append(results, Item("税引前利益", figures.profitBeforeTax.value, figures.profitBeforeTax.rate));
    Append(results, Item("純利益", figures.netProfit.value, figures.netProfit.rate));
    if (figures.earningsPerShare.value) {
        if (const auto tenths = RoundedUnits(*figures.earningsPerShare.value, -1))
            Append(results, "EPS " + TenthsText(*tenths) + "円");
    }
    std::string line = results;
    Append(line, ForecastPart(figures), " / ");
    return line;
}

} // namespace zelmora
