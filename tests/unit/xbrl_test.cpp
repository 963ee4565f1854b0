#include "core/disclosure/listing_scan.h"
#include "core/xbrl/figures_line.h"
#include "core/xbrl/xbrl_reader.h"
#include "market_simulator_xbrl.h"
#include "support/page_builders.h"

using namespace zelmora;
using sim::XbrlKind;

// Each kind of release the simulator serves, read from its ZIP and from its
// summary alone, and once more from a summary that only an HTML parser takes.
TEST(XbrlFigures, EachKindOfSummaryGivesItsFiguresAndItsLine)
{
    using P = FiguresPeriod;
    const bool C = true, N = false;
    const auto J = AccountingStandard::JapaneseGaap, I = AccountingStandard::Ifrs;
    const struct {
        XbrlKind kind;
        P period;
        bool consolidated;
        AccountingStandard standard;
        const char* line;
    } table[] = {
        {XbrlKind::QuarterlyJapaneseGaap, P::Q2, C, J,
         "売上高 1兆2,345億円(+5.2%) 営業利益 1,234億円(+12.0%) 経常利益 1,300億円(+10.1%) 純利益 890億円(-3.1%) "
         "EPS 45.6円 / 通期予想 営業利益 1,333億円(+8.0%)"},
        {XbrlKind::AnnualJapaneseGaap, P::Year, C, J,
         "売上高 988億円(+3.4%) 営業利益 87.7億円(+0.1%) 経常利益 90.1億円(-1.3%) 純利益 60.0億円 EPS 123.5円 / "
         "通期予想 営業利益 95.0億円(+8.4%)"},
        {XbrlKind::Ifrs, P::Year, C, I,
         "売上高 13兆208億円(+2.2%) 営業利益 1兆3,024億円(+7.5%) 税引前利益 1兆3,700億円(+6.0%) 純利益 9,700億円(+4.1%) "
         "EPS 158.1円 / 通期予想 税引前利益 1兆4,500億円(+5.8%)"},
        {XbrlKind::NonConsolidated, P::Q3, N, J,
         "売上高 54.3億円(+2.0%) 営業利益 3.2億円 経常利益 3.3億円 純利益 2.1億円 EPS 35.0円 / 通期予想 営業利益 4.5億円(+10.0%)"},
        {XbrlKind::Loss, P::Year, C, J, "売上高 23.5億円(-8.0%) 営業利益 -42百万円 経常利益 -15.6億円 純利益 -250億円 EPS -12.3円"},
        {XbrlKind::NilFact, P::Q1, C, J, "売上高 500億円 経常利益 10.0億円(+5.0%) 純利益 6.0億円"},
        {XbrlKind::RangeForecast, P::Year, C, J,
         "売上高 3,000億円(+1.0%) 営業利益 120億円(+2.0%) / 通期予想 営業利益 110億円～130億円(中央 120億円)"},
        {XbrlKind::Revision, P::Unknown, C, J, "通期予想修正 営業利益 1,200億円→1,500億円(+25.0%)"},
    };
    for (const auto& row : table) {
        const EarningsReading read = ReadEarnings(sim::BuildXbrlZip(row.kind, "7203", "20261207"));
        EXPECT_EQ(read.line, row.line) << read.reason;
        EXPECT_EQ(read.summaryName, sim::XbrlSummaryEntry(row.kind, "7203", "20261207"));
        EXPECT_EQ(read.figures.period, row.period) << row.line;
        EXPECT_EQ(read.figures.consolidated, row.consolidated) << row.line;
        EXPECT_EQ(read.figures.standard, row.standard) << row.line;
        EXPECT_EQ(read.figures.revision, row.kind == XbrlKind::Revision) << row.line;
        std::string summary = sim::RenderXbrlSummary(row.kind, "7203");
        EXPECT_EQ(ReadEarnings(summary).line, row.line);
        summary.insert(summary.find("<table>"), "<br><p>決算短信");
        EXPECT_EQ(ReadEarnings(summary).line, row.line);
    }
    const EarningsFigures range = ReadEarnings(sim::RenderXbrlSummary(XbrlKind::RangeForecast, "7751")).figures;
    EXPECT_EQ(range.operatingProfit.forecast, (XbrlNumber{12'000, 6}));
    const EarningsFigures revision = ReadEarnings(sim::RenderXbrlSummary(XbrlKind::Revision, "9984")).figures;
    EXPECT_EQ(revision.sales.previousForecast, (XbrlNumber{2'000'000, 6}));
    EXPECT_EQ(revision.sales.forecast, (XbrlNumber{2'100'000, 6}));
}

TEST(XbrlFigures, AmountsAndRatesRoundHalvesAwayFromZeroAtTheirUnit)
{
    const struct {
        XbrlNumber number;
        const char* amount;
    } amounts[] = {
        {{-42, 6}, "-42百万円"}, {{994, 5}, "99百万円"},   {{995, 5}, "1.0億円"},     {{-995, 5}, "-1.0億円"},
        {{9'994, 6}, "99.9億円"}, {{9'996, 6}, "100億円"}, {{1, 12}, "1兆円"},       {{123'456'789, 6}, "123兆4,568億円"},
        {{0, 0}, "0百万円"},     {{1, 30}, ""},
    };
    for (const auto& row : amounts)
        EXPECT_EQ(AmountText(row.number), row.amount) << NumberText(row.number);
    EXPECT_EQ(RateText({5, -4}), "+0.1%");
    EXPECT_EQ(RateText({-125, -4}), "-1.3%");
    EXPECT_EQ(RateText({-4, -5}), "+0.0%");
    EXPECT_EQ(ReadFactNumber(" 1,234.5 ", "ixt:numdotdecimal", "3", true), (XbrlNumber{-12'345, 2}));
    EXPECT_EQ(ReadFactNumber("1.234,5", "ixt:numcommadecimal", "", false), (XbrlNumber{12'345, -1}));
    EXPECT_EQ(ReadFactNumber("△1,234", "ixt:numdotdecimal", "6", false), std::nullopt);
    EXPECT_EQ(ReadFactNumber("1", "", "99", false), std::nullopt);
}

// Refused from the archive's directory before anything is unpacked, and an
// entry that unpacks to more than it states is refused as well.
TEST(XbrlFigures, AnArchiveOverTheLimitsBrokenOrWithoutASummaryGivesNoFigures)
{
    const XbrlZipLimits limits{4'096, 8'192, 3};
    const std::string name = sim::XbrlSummaryEntry(XbrlKind::NilFact, "6502", "20261207");
    const std::string summary = sim::RenderXbrlSummary(XbrlKind::NilFact, "6502");
    ASSERT_FALSE(ReadEarnings(sim::BuildZip({{name, summary}}), limits).line.empty());

    std::string understated = sim::BuildZip({{name, summary}});
    // The unpacked size in the local header (offset 22) and the directory (24).
    for (const auto& [signature, offset] : {std::pair{"PK\x03\x04", 22}, std::pair{"PK\x01\x02", 24}})
        understated.replace(understated.find(signature) + offset, 4, std::string("\x40\0\0\0", 4));
    const struct {
        std::string zip;
        const char* reason;
    } table[] = {
        {sim::BuildZip({{name, summary}, {"a", ""}, {"b", ""}, {"c", ""}}), "more than 3 entries"},
        {sim::BuildZip({{name, summary}, {"XBRLData/Attachment/a.htm", std::string(8'000, ' ')}}), "more than 0 MB unpacked"},
        {"PK" + std::string(4'096, '\0'), "more than 0 MB"},
        {sim::BuildXbrlZip(XbrlKind::BrokenZip, "6501", "20261207"), "not a ZIP archive: Not a zip archive"},
        {sim::BuildZip({{"XBRLData/Attachment/" + name.substr(17), summary}}), "no XBRLData/Summary/*-ixbrl.htm in the archive"},
        {understated, "the summary does not unpack to its stated size"},
    };
    for (const auto& row : table) {
        const EarningsReading read = ReadEarnings(row.zip, limits);
        EXPECT_EQ(read.line, "");
        EXPECT_EQ(read.reason, row.reason);
    }
    EXPECT_EQ(ZipRefusal(table[0].zip, limits), "more than 3 entries");
}

TEST(ListingScan, TakesTheXbrlLinkOnlyFromTheHitsOwnRow)
{
    const std::string xbrl = "<td class=\"kjXbrl\"><a href=\"X1.zip\">XBRL</a></td>\n";
    const std::string page = ListingEntry("14:00", "67580", "c.pdf", "C") + ListingEntry("15:00", "72030", "a.pdf", "A") +
                             "<td class=\"kjXbrl\"></td>\n</tr>\n" + ListingEntry("15:30", "99840", "b.pdf", "B") + xbrl;
    std::vector<std::string> links;
    ScanListingPage(page, {"67580", "72030", "99840"}, [&](const ListingHit& hit) {
        links.push_back(hit.xbrlHref);
        return true;
    });
    EXPECT_EQ(links, (std::vector<std::string>{"", "", "X1.zip"}));
}
