#include "market_simulator_xbrl.h"

#include <zip.h>

#include <cstdio>
#include <initializer_list>

namespace zelmora::sim {
namespace {

constexpr const char* kInline2013 = "http://www.xbrl.org/2013/inlineXBRL";
constexpr const char* kInline2008 = "http://www.xbrl.org/2008/inlineXBRL";

// One fact as the summary writes it. Amounts are in millions of yen
// (scale 6), rates in percent (scale -2), per-share figures in yen.
struct SimFact {
    std::string name;
    std::string context;
    std::string text; // as shown; "" with nil
    enum Unit { Millions, Percent, PerShare } unit = Millions;
    bool negative = false;
    bool nil = false;
};

std::string Context(const std::string& period, bool consolidated, const std::string& kind)
{
    return period + (consolidated ? "_ConsolidatedMember_" : "_NonConsolidatedMember_") + kind;
}

// A figure of one context: its name, its shown value and its rate ("-" for
// negative, "" for none).
struct SimFigure {
    const char* name;
    const char* value;
    const char* rate;
};

void AddFigures(std::vector<SimFact>& facts, const std::string& context, std::initializer_list<SimFigure> figures)
{
    for (const auto& [name, value, rate] : figures) {
        const bool negativeValue = value[0] == '-';
        const bool negativeRate = rate[0] == '-';
        facts.push_back({name, context, negativeValue ? value + 1 : value, SimFact::Millions, negativeValue});
        if (rate[0] != '\0')
            facts.push_back({std::string("ChangeIn") + name, context, negativeRate ? rate + 1 : rate, SimFact::Percent,
                             negativeRate});
    }
}

void AddPerShare(std::vector<SimFact>& facts, const std::string& context, const char* name, const char* value)
{
    const bool negative = value[0] == '-';
    facts.push_back({name, context, negative ? value + 1 : value, SimFact::PerShare, negative});
}

std::vector<SimFact> FactsOf(XbrlKind kind)
{
    std::vector<SimFact> facts;
    switch (kind) {
    case XbrlKind::AnnualJapaneseGaap: {
        const std::string year = Context("CurrentYearDuration", true, "ResultMember");
        AddFigures(facts, year, {{"NetSales", "98,765", "3.4"}, {"OperatingIncome", "8,765", "0.05"},
                                 {"OrdinaryIncome", "9,012", "-1.25"}, {"ProfitAttributableToOwnersOfParent", "6,000", ""}});
        AddPerShare(facts, year, "NetIncomePerShare", "123.45");
        AddFigures(facts, Context("PriorYearDuration", true, "ResultMember"), {{"NetSales", "95,500", "1.0"}});
        AddFigures(facts, Context("NextYearDuration", true, "ForecastMember"), {{"OperatingIncome", "9,500", "8.4"}});
        break;
    }
    case XbrlKind::QuarterlyJapaneseGaap: {
        const std::string q2 = Context("CurrentAccumulatedQ2Duration", true, "ResultMember");
        AddFigures(facts, q2, {{"NetSales", "1,234,549", "5.2"}, {"OperatingIncome", "123,400", "12.0"},
                               {"OrdinaryIncome", "130,000", "10.1"},
                               {"ProfitAttributableToOwnersOfParent", "89,000", "-3.1"}});
        AddPerShare(facts, q2, "NetIncomePerShare", "45.63");
        AddFigures(facts, Context("PriorAccumulatedQ2Duration", true, "ResultMember"), {{"NetSales", "1,173,500", ""}});
        AddFigures(facts, Context("CurrentYearDuration", true, "ForecastMember"), {{"OperatingIncome", "133,300", "8.0"}});
        break;
    }
    case XbrlKind::Ifrs: {
        const std::string year = Context("CurrentYearDuration", true, "ResultMember");
        AddFigures(facts, year, {{"RevenueIFRS", "13,020,768", "2.2"}, {"OperatingProfitIFRS", "1,302,400", "7.5"},
                                 {"ProfitBeforeTaxIFRS", "1,370,000", "6.0"},
                                 {"ProfitAttributableToOwnersOfParentIFRS", "970,000", "4.1"}});
        AddPerShare(facts, year, "BasicEarningsPerShareIFRS", "158.12");
        AddFigures(facts, Context("NextYearDuration", true, "ForecastMember"), {{"ProfitBeforeTaxIFRS", "1,450,000", "5.8"}});
        break;
    }
    case XbrlKind::NonConsolidated: {
        const std::string q3 = Context("CurrentAccumulatedQ3Duration", false, "ResultMember");
        AddFigures(facts, q3, {{"NetSales", "5,432", "2.0"}, {"OperatingIncome", "321", ""},
                               {"OrdinaryIncome", "330", ""}, {"NetIncome", "210", ""}});
        AddPerShare(facts, q3, "NetIncomePerShare", "35.0");
        AddFigures(facts, Context("CurrentYearDuration", false, "ForecastMember"), {{"OperatingIncome", "450", "10.0"}});
        break;
    }
    case XbrlKind::Loss: {
        const std::string year = Context("CurrentYearDuration", true, "ResultMember");
        AddFigures(facts, year, {{"NetSales", "2,345", "-8.0"}, {"OperatingIncome", "-42", ""},
                                 {"OrdinaryIncome", "-1,560", ""}, {"ProfitAttributableToOwnersOfParent", "-25,010", ""}});
        AddPerShare(facts, year, "NetIncomePerShare", "-12.34");
        break;
    }
    case XbrlKind::NilFact: {
        const std::string q1 = Context("CurrentAccumulatedQ1Duration", true, "ResultMember");
        AddFigures(facts, q1, {{"NetSales", "50,000", ""}, {"OrdinaryIncome", "1,000", "5.0"},
                               {"ProfitAttributableToOwnersOfParent", "600", ""}});
        facts.push_back({"ChangeInNetSales", q1, "", SimFact::Percent, false, true});
        facts.push_back({"OperatingIncome", q1, "", SimFact::Millions, false, true});
        facts.push_back({"OperatingIncome", Context("CurrentYearDuration", true, "ForecastMember"), "", SimFact::Millions,
                         false, true});
        break;
    }
    case XbrlKind::RangeForecast: {
        AddFigures(facts, Context("CurrentYearDuration", true, "ResultMember"),
                   {{"NetSales", "300,000", "1.0"}, {"OperatingIncome", "12,000", "2.0"}});
        AddFigures(facts, Context("NextYearDuration", true, "LowerMember_ForecastMember"), {{"OperatingIncome", "11,000", "-8.3"}});
        AddFigures(facts, Context("NextYearDuration", true, "UpperMember_ForecastMember"), {{"OperatingIncome", "13,000", "8.3"}});
        break;
    }
    case XbrlKind::Revision: {
        AddFigures(facts, Context("CurrentYearDuration", true, "PreviousMember_ForecastMember"),
                   {{"NetSales", "2,000,000", ""}, {"OperatingIncome", "120,000", ""}});
        AddFigures(facts, Context("CurrentYearDuration", true, "CurrentMember_ForecastMember"),
                   {{"NetSales", "2,100,000", ""}, {"OperatingIncome", "150,000", ""}});
        break;
    }
    case XbrlKind::BrokenZip:
        break;
    }
    return facts;
}

std::string FactMarkup(const SimFact& fact, bool splitText)
{
    static const char* const kUnits[] = {"JPY", "Pure", "JPYPerShares"};
    static const char* const kScales[] = {"6", "-2", "0"};
    std::string text = fact.text;
    // The exchange's files may break a figure over nested elements.
    if (splitText && text.size() > 2)
        text = "<span>" + text.substr(0, 2) + "</span>" + text.substr(2);
    std::string markup = "<ix:nonFraction name=\"tse-ed-t:" + fact.name + "\" contextRef=\"" + fact.context +
                         "\" unitRef=\"" + kUnits[fact.unit] + "\" decimals=\"" + (fact.unit == SimFact::Millions ? "-6" : "2") +
                         "\"";
    if (fact.nil)
        return markup + " xsi:nil=\"true\"/>";
    markup += std::string(" scale=\"") + kScales[fact.unit] + "\" format=\"ixt:numdotdecimal\"";
    if (fact.negative)
        markup += " sign=\"-\"";
    return markup + ">" + text + "</ix:nonFraction>";
}

const char* FileKind(XbrlKind kind)
{
    switch (kind) {
    case XbrlKind::QuarterlyJapaneseGaap:
    case XbrlKind::NilFact:
        return "qcedjpsm";
    case XbrlKind::Ifrs:
        return "acedifsm";
    case XbrlKind::NonConsolidated:
        return "qnedjpsm";
    case XbrlKind::Revision:
        return "rvfc";
    default:
        return "acedjpsm";
    }
}

} // namespace

std::string RenderXbrlSummary(XbrlKind kind, const std::string& code)
{
    std::string page = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:ix=\"";
    page += kind == XbrlKind::Ifrs ? kInline2008 : kInline2013;
    page += "\" xmlns:ixt=\"http://www.xbrl.org/inlineXBRL/transformation/2011-07-31\""
            " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
            " xmlns:tse-ed-t=\"http://www.xbrl.tdnet.info/taxonomy/jp/tse/tdnet/ed/t/2014-01-12\">\n"
            "<head><title>" + code + " サマリー情報</title></head>\n<body>\n<table>\n";
    bool first = true;
    for (const SimFact& fact : FactsOf(kind)) {
        page += "<tr><td>" + fact.name + "</td><td>" + FactMarkup(fact, kind == XbrlKind::AnnualJapaneseGaap && first) +
                "</td></tr>\n";
        first = false;
    }
    page += "</table>\n</body>\n</html>\n";
    return page;
}

std::string XbrlSummaryEntry(XbrlKind kind, const std::string& code, const std::string& date)
{
    return "XBRLData/Summary/tse-" + std::string(FileKind(kind)) + "-" + code + "0-" + date + "000001-ixbrl.htm";
}

std::string BuildXbrlZip(XbrlKind kind, const std::string& code, const std::string& date)
{
    if (kind == XbrlKind::BrokenZip)
        return "PK\x03\x04 this archive was cut off by the simulator";
    return BuildZip({{XbrlSummaryEntry(kind, code, date), RenderXbrlSummary(kind, code)},
                     {"XBRLData/Attachment/index.txt", "statements of " + code + "\n"}});
}

std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_error_fini(&error);
    if (!target)
        return {};
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, nullptr);
    if (!archive) {
        zip_source_free(target);
        return {};
    }
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0)
            zip_source_free(source);
    }
    std::string zip;
    if (zip_close(archive) != 0) {
        zip_discard(archive);
    } else if (zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(target);
        zip_source_seek(target, 0, SEEK_SET);
        zip.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        const zip_int64_t read = zip_source_read(target, zip.data(), zip.size());
        zip.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
        zip_source_close(target);
    }
    zip_source_free(target);
    return zip;
}

} // namespace zelmora::sim
