#include "core/dayrecord/day_record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "core/disclosure/date_list.h"
#include "core/disclosure/document_path.h"
#include "core/disclosure/stock_folder_files.h"
#include "core/schedule/trading_calendar.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

// A day has at most 1440 lines of a few dozen bytes; more is no record of ours.
constexpr std::size_t kMaxRecordBytes = 1 << 20;

// Enough of the file's end for its last lines.
constexpr std::size_t kTailBytes = 512;

// A page's clock may run a little ahead of the machine's.
constexpr int kPageClockLeadMinutes = 10;

// "+1,234.5" -> "1234.5", "-37" -> "-37"; nothing unless the text is such a
// number.
std::optional<std::string> PlainDecimal(std::string_view text)
{
    text = TrimBlanks(text);
    std::string out;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        if (text.front() == '-')
            out += '-';
        text.remove_prefix(1);
    }
    bool digits = false;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsAsciiDigit(c)) {
            digits = true;
            out += c;
        } else if (c == ',' && digits && !point && i + 1 < text.size() && IsAsciiDigit(text[i + 1])) {
            continue;
        } else if (c == '.' && digits && !point && i + 1 < text.size() && IsAsciiDigit(text[i + 1])) {
            point = true;
            out += c;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return out;
}

// No price or volume comes near this; a chart of larger numbers would
// overflow its scale.
constexpr double kLargestNumber = 1e15;

std::optional<double> ParseNumber(std::string_view text)
{
    if (text.empty() || (!IsAsciiDigit(text.front()) && text.front() != '-'))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !(std::fabs(value) < kLargestNumber))
        return std::nullopt;
    return value;
}

// At most `most` bytes of the file from `offset`.
std::string ReadFrom(const std::string& path, std::size_t offset, std::size_t most)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    in.seekg(static_cast<std::streamoff>(offset));
    std::error_code error;
    if (const auto size = std::filesystem::file_size(path, error); !error)
        most = std::min<std::size_t>(most, size > offset ? static_cast<std::size_t>(size) - offset : 0);
    std::string bytes(most, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

struct RecordTail {
    std::optional<int> lastMinute;
    // Where the last whole line ends, when a crash left part of a line after
    // it; a tail too long to hold a line end gets one instead.
    std::optional<std::size_t> cutAt;
    bool needsLineEnd = false;
};

RecordTail ReadTail(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size == 0)
        return {};
    const std::size_t offset = size > kTailBytes ? static_cast<std::size_t>(size) - kTailBytes : 0;
    const std::string tail = ReadFrom(path, offset, kTailBytes);
    RecordTail result;
    const std::size_t lastEnd = tail.rfind('\n');
    if (!tail.empty() && tail.back() != '\n') {
        if (lastEnd != std::string::npos)
            result.cutAt = offset + lastEnd + 1;
        else if (offset == 0)
            result.cutAt = 0;
        else
            result.needsLineEnd = true;
    }
    // The first line of a cut tail may be the end of a longer one.
    std::string_view whole = tail;
    if (offset > 0) {
        const std::size_t first = whole.find('\n');
        whole = first == std::string_view::npos ? std::string_view() : whole.substr(first + 1);
    }
    const std::vector<DayPoint> points = ParseDayRecord(whole);
    if (!points.empty())
        result.lastMinute = points.back().minute;
    return result;
}

// One write, so a reader sees the line whole or not at all.
bool AppendBytes(const std::string& path, const std::string& bytes, std::optional<std::size_t> cutAt)
{
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, 0644);
    if (fd < 0)
        return false;
    const bool cut = !cutAt || _chsize_s(fd, static_cast<long long>(*cutAt)) == 0;
    const bool written = cut && _write(fd, bytes.data(), static_cast<unsigned>(bytes.size())) == static_cast<int>(bytes.size());
    return _close(fd) == 0 && written;
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool cut = !cutAt || ::ftruncate(fd, static_cast<off_t>(*cutAt)) == 0;
    const bool written = cut && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written;
#endif
}

} // namespace

std::string DayRecordPath(const std::string& programFolder, const std::string& date, const std::string& code)
{
    const std::string folder = DocumentFolder(programFolder, date, code);
    return folder.empty() ? std::string() : folder + std::string(kDayRecordFileName);
}

std::optional<std::string> DayRecordLine(const QuoteValues& values)
{
    const std::optional<int> minute = PageMinute(values[QuoteTime]);
    const std::optional<std::string> price = PlainDecimal(values[QuotePrice]);
    if (!minute || !price || price->front() == '-' || !(*ParseNumber(*price) > 0))
        return std::nullopt;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", *minute / 60, *minute % 60);
    return std::string(time) + "," + *price + "," + PlainDecimal(values[QuoteChange]).value_or("") + ","
           + PlainDecimal(values[QuoteVolume]).value_or("") + "\r\n";
}

std::optional<DayPoint> ParseDayRecordLine(std::string_view line)
{
    std::string_view fields[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? line.find(',') : line.size();
        if (comma == std::string_view::npos)
            return std::nullopt;
        fields[i] = line.substr(0, comma);
        line.remove_prefix(comma < line.size() ? comma + 1 : comma);
    }
    DayPoint point;
    const std::optional<int> minute = fields[0].size() == 5 ? PageMinute(fields[0]) : std::nullopt;
    const std::optional<double> price = ParseNumber(fields[1]);
    if (!minute || !price || !(*price > 0))
        return std::nullopt;
    point.minute = *minute;
    point.price = *price;
    point.change = ParseNumber(fields[2]);
    point.volume = ParseNumber(fields[3]);
    // A field that is there must read: else the line is a mixture.
    if ((!fields[2].empty() && !point.change) || (!fields[3].empty() && !point.volume))
        return std::nullopt;
    return point;
}

std::vector<DayPoint> ParseDayRecord(std::string_view bytes)
{
    std::vector<DayPoint> points;
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1)) {
        std::string_view line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (const std::optional<DayPoint> point = ParseDayRecordLine(line))
            points.push_back(*point);
    }
    return points;
}

std::vector<DayPoint> ReadDayRecord(const std::string& path)
{
    return path.empty() ? std::vector<DayPoint>() : ParseDayRecord(ReadFrom(path, 0, kMaxRecordBytes));
}

std::optional<double> PreviousClose(const std::vector<DayPoint>& points)
{
    for (auto point = points.rbegin(); point != points.rend(); ++point) {
        if (point->change)
            return point->price - *point->change;
    }
    return std::nullopt;
}

// A half line a crash left at the end goes before the new line is written:
// it could read as a line with a cut number once another follows it.
DayRecordAppend AppendDayRecord(const std::string& path, const QuoteValues& values)
{
    const std::optional<std::string> line = DayRecordLine(values);
    if (!line)
        return DayRecordAppend::NoTime;
    if (path.empty())
        return DayRecordAppend::Failed;
    const RecordTail tail = ReadTail(path);
    if (tail.lastMinute && *PageMinute(line->substr(0, 5)) <= *tail.lastMinute)
        return DayRecordAppend::NotNewer;
    const bool written = AppendBytes(path, tail.needsLineEnd ? "\r\n" + *line : *line, tail.cutAt);
    return written ? DayRecordAppend::Written : DayRecordAppend::Failed;
}

DayRecordAppend RecordDayQuote(const std::string& programFolder, const LocalTime& now, const std::string& code,
                               const QuoteValues& values)
{
    const std::optional<int> minute = PageMinute(values[QuoteTime]);
    if (!minute)
        return DayRecordAppend::NoTime;
    if (!IsTradingDay(now.year, now.month, now.day) || *minute > now.hour * 60 + now.minute + kPageClockLeadMinutes)
        return DayRecordAppend::NotToday;
    const std::string path = DayRecordPath(programFolder, FormatDate(now), code);
    if (path.empty())
        return DayRecordAppend::Failed;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return AppendDayRecord(path, values);
}

} // namespace zelmora
