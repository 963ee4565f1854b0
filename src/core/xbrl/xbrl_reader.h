#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/xbrl/earnings_figures.h"
#include "core/xbrl/inline_facts.h"
#include "core/xbrl/zip_summary.h"

// The one call the disclosure pass and zelmora-rules make: the figures of
// the exchange's XBRL ZIP, or of its summary file alone.
namespace zelmora {

struct EarningsReading {
    std::string summaryName; // the ZIP's entry; empty for a summary given alone
    std::vector<XbrlFact> facts;
    EarningsFigures figures;
    std::string line;   // UTF-8; empty when there are no figures
    std::string reason; // why the line is empty
};

// bytes: a ZIP (it starts with "PK") or a summary's XHTML.
EarningsReading ReadEarnings(std::string_view bytes, const XbrlZipLimits& limits = kXbrlZipLimits);

} // namespace zelmora
