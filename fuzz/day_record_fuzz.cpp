// kabuka.csv as a crash, a disk or a hand may have left it: every point read
// is one a pass could have written, and writes back as the same point.
#include <charconv>
#include <string>
#include <vector>

#include "core/dayrecord/day_record.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

std::string Plain(double value)
{
    char text[512];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return error == std::errc() ? std::string(text, end) : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<DayPoint> points = ParseDayRecord(bytes);
    std::size_t lineEnds = 0;
    for (char c : bytes)
        lineEnds += c == '\n' ? 1 : 0;
    FUZZ_CHECK(points.size() <= lineEnds);
    for (const DayPoint& point : points) {
        FUZZ_CHECK(point.minute >= 0 && point.minute < 24 * 60);
        FUZZ_CHECK(point.price > 0);
        const char time[] = {char('0' + point.minute / 600), char('0' + point.minute / 60 % 10), ':',
                             char('0' + point.minute % 60 / 10), char('0' + point.minute % 10), '\0'};
        const QuoteValues values = {"", time, Plain(point.price), point.change ? Plain(*point.change) : "",
                                    "", point.volume ? Plain(*point.volume) : ""};
        const std::optional<std::string> line = DayRecordLine(values);
        FUZZ_CHECK(line && line->ends_with("\r\n"));
        FUZZ_CHECK(ParseDayRecordLine(std::string_view(*line).substr(0, line->size() - 2)) == point);
    }
    return 0;
}
