#include "core/xbrl/xbrl_reader.h"

#include "core/xbrl/figures_line.h"

namespace zelmora {

EarningsReading ReadEarnings(std::string_view bytes, const XbrlZipLimits& limits)
{
    EarningsReading reading;
    std::string unpacked;
    std::string_view summary = bytes;
    if (bytes.substr(0, 2) == "PK") {
        ZipSummary found = ReadSummaryFromZip(bytes, limits);
        if (found.name.empty()) {
            reading.reason = found.reason;
            return reading;
        }
        reading.summaryName = std::move(found.name);
        unpacked = std::move(found.bytes);
        summary = unpacked;
    } else if (bytes.size() > limits.maxUnpackedBytes) {
        reading.reason = "more than " + std::to_string(limits.maxUnpackedBytes >> 20) + " MB";
        return reading;
    }
    reading.facts = ParseInlineFacts(summary);
    reading.figures = ExtractFigures(reading.facts);
    reading.line = FiguresLine(reading.figures);
    if (reading.line.empty())
        reading.reason = reading.facts.empty() ? "no inline XBRL facts in the summary" : "no earnings figures in the summary";
    return reading;
}

} // namespace zelmora
