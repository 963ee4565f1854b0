#pragma once

#include <string>

#include "core/quotes/quote_record.h"

namespace zelmora {

// Fetches the window of the page at address (FetchPageWindow) and cuts its
// quote record out (QuoteRecordFromOutcome).
FetchedQuote FetchQuoteRecord(const std::string& address, const MarkerRules& rules, const PieceWindow& window = {});

} // namespace zelmora
