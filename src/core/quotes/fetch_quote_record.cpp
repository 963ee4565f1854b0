#include "core/quotes/fetch_quote_record.h"

#include "core/quotes/page_fetcher.h"

namespace zelmora {

FetchedQuote FetchQuoteRecord(HttpSession& session, const std::string& address, const MarkerRules& rules,
                              const PieceWindow& window)
{
    return QuoteRecordFromOutcome(FetchPageWindow(session, address, window), rules);
}

} // namespace zelmora
