// The exchange's XBRL as a download may bring it: a ZIP, or a summary alone,
// read into the figures line under limits small enough to be reached.
#include <algorithm>

#include "core/text/code_page.h"
#include "core/xbrl/xbrl_reader.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

const XbrlZipLimits kLimits{64u << 10, 256u << 10, 16};

bool IsFact(const std::vector<XbrlFact>& facts, const std::optional<XbrlNumber>& number)
{
    return !number ||
           std::any_of(facts.begin(), facts.end(), [&](const XbrlFact& fact) { return fact.value == number; });
}

// Every number of a figure is a fact's, but the midpoint of a range, which
// is its two ends' own.
void CheckFigure(const std::vector<XbrlFact>& facts, const Figure& figure)
{
    FUZZ_CHECK(IsFact(facts, figure.value) && IsFact(facts, figure.rate) && IsFact(facts, figure.forecastRate));
    FUZZ_CHECK(IsFact(facts, figure.forecastLower) && IsFact(facts, figure.forecastUpper));
    FUZZ_CHECK(IsFact(facts, figure.previousForecast));
    if (figure.forecastLower && figure.forecastUpper)
        FUZZ_CHECK(figure.forecast == Midpoint(*figure.forecastLower, *figure.forecastUpper));
    else
        FUZZ_CHECK(IsFact(facts, figure.forecast));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const EarningsReading reading = ReadEarnings(bytes, kLimits);

    // An archive over the limits is refused from its directory: nothing of
    // it is unpacked or read.
    if (bytes.substr(0, 2) == "PK") {
        if (const auto refused = ZipRefusal(bytes, kLimits)) {
            FUZZ_CHECK(reading.reason == *refused && reading.summaryName.empty() && reading.facts.empty());
            return 0;
        }
    }
    FUZZ_CHECK(reading.facts.size() <= kMaxXbrlFacts);
    const EarningsFigures& figures = reading.figures;
    for (const Figure* figure : {&figures.sales, &figures.operatingProfit, &figures.ordinaryProfit,
                                 &figures.profitBeforeTax, &figures.netProfit, &figures.earningsPerShare})
        CheckFigure(reading.facts, *figure);
    // A line only from figures, on one line, and it goes into Shift_JIS files.
    FUZZ_CHECK(reading.line.empty() || !figures.Empty());
    FUZZ_CHECK(reading.line.empty() == !reading.reason.empty());
    FUZZ_CHECK(reading.line.find('\n') == std::string::npos && IsValidUtf8(reading.line));
    FUZZ_CHECK(Utf8ToSjis(reading.line).find('?') == std::string::npos);
    return 0;
}
