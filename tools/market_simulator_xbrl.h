#pragma once

#include <string>
#include <utility>
#include <vector>

// The exchange's XBRL releases as the simulator serves them: a ZIP holding
// the inline XBRL summary (XBRLData/Summary/*-ixbrl.htm) and an attachment,
// built in memory.
namespace zelmora::sim {

enum class XbrlKind {
    AnnualJapaneseGaap,    // consolidated, with next year's forecast; one figure split over elements
    QuarterlyJapaneseGaap, // consolidated Q2, with the year's forecast
    Ifrs,                  // annual, profit before tax and its forecast, inline XBRL 2008
    NonConsolidated,       // Q3
    Loss,                  // sign="-" figures
    NilFact,               // xsi:nil values and rates
    RangeForecast,         // next year's operating profit as a range
    Revision,              // previous and new forecast
    BrokenZip,             // no ZIP at all behind the "PK"
};
inline constexpr XbrlKind kAllXbrlKinds[] = {
    XbrlKind::AnnualJapaneseGaap, XbrlKind::QuarterlyJapaneseGaap, XbrlKind::Ifrs,
    XbrlKind::NonConsolidated,    XbrlKind::Loss,                  XbrlKind::NilFact,
    XbrlKind::RangeForecast,      XbrlKind::Revision,              XbrlKind::BrokenZip};

// The summary's XHTML (UTF-8) of a release of the stock.
std::string RenderXbrlSummary(XbrlKind kind, const std::string& code);
// Its name in the ZIP, e.g. XBRLData/Summary/tse-qcedjpsm-72030-20261207000001-ixbrl.htm.
std::string XbrlSummaryEntry(XbrlKind kind, const std::string& code, const std::string& date);
// The ZIP the listing links to.
std::string BuildXbrlZip(XbrlKind kind, const std::string& code, const std::string& date);

// A ZIP of the given entries (name, bytes), deflated.
std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& entries);

} // namespace zelmora::sim
