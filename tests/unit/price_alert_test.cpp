#include <gtest/gtest.h>

#include <map>

#include "core/alerts/price_alert.h"
#include "support/sjis_literals.h"

namespace zelmora {
namespace {

// One quote pass, or (time "restart") a new start that reads the day's
// alert.txt lines written so far. fired: the conditions' first letters.
struct Step {
    const char* date;
    const char* time;
    const char* price;
    const char* rate;
    const char* fired;
};

struct Sequence {
    const char* name;
    const char* thresholds;
    std::vector<Step> steps;
};

// Named in test lists by its name rather than its bytes.
void PrintTo(const Sequence& sequence, std::ostream* out)
{
    *out << sequence.name;
}

const char* kDay = "20261207";
const char* kNextDay = "20261208";

std::string Letters(const std::vector<AlertCondition>& fired)
{
    std::string letters;
    for (const AlertCondition c : fired)
        letters += "ULR"[static_cast<int>(c)];
    return letters;
}

class PassSequence : public ::testing::TestWithParam<Sequence> {};

TEST_P(PassSequence, FiresOnlyWhereExpected)
{
    const Sequence& sequence = GetParam();
    RowAlert alert;
    alert.thresholds = ParseAlertThresholds(sequence.thresholds);
    std::map<std::string, std::vector<std::string>> fileLines; // alert.txt of each date
    for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
        const Step& step = sequence.steps[i];
        if (std::string(step.time) == "restart") {
            alert = RowAlert{alert.thresholds, {}, false};
            RestoreAlertState(alert, step.date, fileLines[step.date]);
            continue;
        }
        const AlertQuote quote{step.time, step.price, step.rate};
        const std::vector<AlertCondition> fired = EvaluateAlert(alert, step.date, quote);
        EXPECT_EQ(Letters(fired), step.fired) << "step " << i;
        for (const AlertCondition c : fired)
            fileLines[step.date].push_back(AlertLine("10:00:00", c, alert.thresholds, quote));
    }
}

INSTANTIATE_TEST_SUITE_P(
    PriceAlert, PassSequence,
    ::testing::Values(
        Sequence{"CrossingUp", "3000__", {{kDay, "09:01", "2,990", "+0.5%", ""}, {kDay, "09:02", "3,000", "+0.8%", "U"},
                                          {kDay, "09:03", "3,010", "+1.0%", ""}}},
        Sequence{"CrossingDown", "_2700_", {{kDay, "09:01", "2,750", "-0.5%", ""}, {kDay, "09:02", "2,700", "-1.5%", "L"},
                                            {kDay, "09:03", "2,650", "-2.5%", ""}}},
        Sequence{"OpeningBeyond", "3000_2700_", {{kDay, "09:00", "3,100", "+3.0%", "U"}}},
        Sequence{"WobbleFiresOnce", "3000__", {{kDay, "09:01", "2,990", "", ""}, {kDay, "09:02", "3,001", "", "U"},
                                               {kDay, "09:03", "2,995", "", ""}, {kDay, "09:04", "3,002", "", ""},
                                               {kDay, "09:05", "2,985", "", ""}, {kDay, "09:06", "3,005", "", ""}}},
        Sequence{"UpperRearmsPastTheMargin", "3000__", {{kDay, "09:01", "3,001", "", "U"}, {kDay, "09:02", "2,984.9", "", ""},
                                                        {kDay, "09:03", "3,000", "", "U"}}},
        Sequence{"LowerRearmsPastTheMargin", "_2850.5_", {{kDay, "09:01", "2,850.5", "", "L"}, {kDay, "09:02", "2,864.7", "", ""},
                                                          {kDay, "09:03", "2,850", "", ""}, {kDay, "09:04", "2,864.8", "", ""},
                                                          {kDay, "09:05", "2,850", "", "L"}}},
        Sequence{"RateEitherWay", "__3", {{kDay, "09:01", "100", "+2.9%", ""}, {kDay, "09:02", "100", "+3.1%", "R"},
                                          {kDay, "09:03", "100", "-3.2%", ""}, {kDay, "09:04", "100", "+2.5%", ""},
                                          {kDay, "09:05", "100", "-2.4%", ""}, {kDay, "09:06", "100", "-3.0%", "R"}}},
        Sequence{"StaleQuoteIsNoEvaluation", "3000__", {{kDay, "12/07", "3,100", "+3.3%", ""}, {kDay, "09:01", "3,100", "", "U"},
                                                        {kDay, "12/07", "2,900", "", ""}, {kDay, "09:02", "3,100", "", ""}}},
        Sequence{"NodataIsNoEvaluation", "3000__", {{kDay, "09:01", "nodata", "nodata", ""}, {kDay, "09:02", "3,000", "", "U"},
                                                    {kDay, "09:03", "nodata", "", ""}, {kDay, "09:04", "3,000", "", ""}}},
        Sequence{"RestartSameDayDoesNotFireAgain", "3000__2",
                 {{kDay, "09:01", "3,100", "+2.1%", "UR"}, {kDay, "restart", "", "", ""}, {kDay, "09:02", "3,100", "+2.1%", ""}}},
        Sequence{"NextDayArmedAgain", "3000__",
                 {{kDay, "14:59", "3,100", "", "U"}, {kNextDay, "restart", "", "", ""}, {kNextDay, "09:00", "3,100", "", "U"},
                  {kNextDay, "09:01", "3,100", "", ""}}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return info.param.name; });

TEST(PriceAlert, ThresholdsAndTextsReadAsWritten)
{
    const AlertThresholds thresholds = ParseAlertThresholds("2850.5__2.5");
    EXPECT_EQ(AlertThresholdsText(thresholds), "2850.5__2.5");
    EXPECT_FALSE(ParseAlertThresholds("x_-5_0").Any());
    EXPECT_EQ(ParseAlertNumber("1,234.5"), 12'345'000);
    EXPECT_FALSE(ParseAlertNumber("1,,2").has_value());

    const AlertFiring firing{0, "7203", S("トヨタ自動車"), "", {"10:01", "2,905", "+3.1%"}, ParseAlertThresholds("2900__3"),
                             {AlertCondition::Upper, AlertCondition::Rate}};
    EXPECT_EQ(AlertSummary(firing), S("7203 トヨタ自動車 2,905 (+3.1%)"));
    EXPECT_EQ(AlertConditionLines(firing), (std::vector<std::string>{S("上限 2,900 以上"), S("変化率 +3.1%（基準 3%）")}));
    EXPECT_EQ(AlertMailSubject({firing, firing}), S("株価アラート 7203 7203"));
}

} // namespace
} // namespace zelmora
