#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/dayrecord/day_record.h"
#include "core/platform/file_bytes.h"

using namespace zelmora;
namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

QuoteValues Quote(const char* time, const char* price, const char* change, const char* volume)
{
    return {"name", time, price, change, "+1.29%", volume};
}

} // namespace

// Each quote in turn, as passes read them: what the record says to it and
// the file it leaves; `before` starts the file again as a crash left it.
TEST(DayRecord, KeepsOneLinePerNewPageTimeAndReadsPastHalfLines)
{
    std::string folder = (fs::temp_directory_path() / "zelmora-day-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const LocalTime now{2026, 12, 8, 10, 40, 0, 2};
    const std::string path = DayRecordPath(folder, "20261208", "7203");
    using R = DayRecordAppend;
    const struct {
        QuoteValues quote;
        R result;
        std::string file;
        const char* before = nullptr;
    } steps[] = {
        {Quote("10:31", "2,905", "+37", "1,234,500"), R::Written, "10:31,2905,37,1234500\r\n"},
        {Quote("10:31", "2,906", "+38", "1,234,600"), R::NotNewer, "10:31,2905,37,1234500\r\n"}, // same time
        {Quote("10:30", "2,904", "+36", "1,234,400"), R::NotNewer, "10:31,2905,37,1234500\r\n"}, // earlier
        {Quote("12/07", "2,904", "+36", "1,234,400"), R::NoTime, "10:31,2905,37,1234500\r\n"},   // a date
        {Quote("10:32", "nodata", "nodata", "nodata"), R::NoTime, "10:31,2905,37,1234500\r\n"},
        {Quote("10:55", "2,904", "+36", "1,234,400"), R::NotToday, "10:31,2905,37,1234500\r\n"}, // after now
        // A half line at the end goes before the next line comes.
        {Quote("9:32", "38,123.45", "-1,012.5", "---"), R::Written, "09:30,1,0,\r\n09:32,38123.45,-1012.5,\r\n",
         "09:30,1,0,\r\n09:31,38123.45,-1"},
    };
    for (const auto& step : steps) {
        if (step.before) {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << step.before;
            EXPECT_EQ(ReadDayRecord(path).size(), 1u); // the half line is left out
        }
        EXPECT_EQ(RecordDayQuote(folder, now, "7203", step.quote), step.result) << step.quote[QuoteTime];
        EXPECT_EQ(ReadFileBytes(path).value_or(""), step.file) << step.quote[QuoteTime];
    }
    EXPECT_EQ(ReadDayRecord(path).back(), (DayPoint{9 * 60 + 32, 38123.45, -1012.5, std::nullopt}));
    EXPECT_EQ(PreviousClose(ReadDayRecord(path)), 38123.45 + 1012.5);
    // 31 December: no trading day.
    EXPECT_EQ(RecordDayQuote(folder, {2026, 12, 31, 10, 40, 0, 4}, "7203", Quote("10:35", "1", "0", "")), R::NotToday);
    fs::remove_all(folder);

    // A crash in the middle: what a half line left between lines is skipped.
    const std::vector<DayPoint> read = ParseDayRecord("10:31,2905,37,1234500\r\n10:3\0\0\r\n10:33,2890,-15,\r\n"sv);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1], (DayPoint{10 * 60 + 33, 2890, -15, std::nullopt}));
}
