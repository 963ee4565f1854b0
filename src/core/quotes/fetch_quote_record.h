#pragma once

#include <string>

#include "core/net/http_session.h"
#include "core/quotes/quote_record.h"

namespace zelmora {

// Fetches the window of the page at address in the session
// (FetchPageWindow) and cuts its quote record out (QuoteRecordFromOutcome).
FetchedQuote FetchQuoteRecord(HttpSession& session, const std::string& address, const MarkerRules& rules,
                              const PieceWindow& window = {});

} // namespace zelmora
