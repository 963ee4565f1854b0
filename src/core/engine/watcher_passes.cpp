// The watcher's passes: quote, disclosure and lookup workers, and what the
// passes read and write on their threads.

#include "core/disclosure/date_list.h"
#include "core/disclosure/document_path.h"
#include "core/engine/watcher.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

constexpr std::array<Column, QuoteValueCount> kRowColumns = {ColName, ColTime, ColPrice, ColChange, ColRate, ColVolume};

} // namespace

void Watcher::RequestQuotePass()
{
    m_quoteWorker.Request();
}

void Watcher::RequestDisclosurePass()
{
    m_disclosureWorker.Request();
}

// Each round reads the settings of its own start. A pass that no server
// answered at all makes the watch blind; only one that got pages ends it
// (one answered with errors alone leaves it as it was).
void Watcher::RunQuotePass()
{
    const QuotePassConfig config = MakeQuotePassConfig(CurrentSettings());
    HttpSession session(&m_stop);
    const QuotePassOutcome outcome = QuotePass(*this, config, session);
    PassReport report{PassKind::Quote, session.PagesReceived(), static_cast<int>(outcome.rowsUsable), 0};
    std::string shown;
    bool changed = false;
    {
        const std::lock_guard hold(m_lock);
        if (!m_stop.IsRaised()) {
            changed = m_layoutWatch.Record(outcome) != LayoutChangeWatch::Change::None;
            const bool blind = outcome.pagesFetched > 0 && outcome.pagesUnanswered == outcome.pagesFetched;
            if (report.pagesFetched > 0)
                m_lastGoodQuoteTime = HourMinute(m_clock.Now());
            if (blind != m_quoteBlind && (blind || report.pagesFetched > 0)) {
                m_quoteBlind = blind;
                changed = true;
            }
        }
        shown = StatusTextLocked();
        report.blind = m_quoteBlind;
        report.lastGoodTime = m_lastGoodQuoteTime;
    }
    if (changed)
        m_observer.StatusChanged(shown);
    m_observer.PassFinished(report);
}

// While today is followed, the first pass after midnight finishes the old
// day, whose last disclosures are still news, and the new day follows.
void Watcher::RunDisclosurePass()
{
    DisclosurePassConfig config;
    std::string newDay;
    {
        const std::lock_guard hold(m_lock);
        const std::string today = FormatDate(m_clock.Now());
        if (m_followingToday && m_disclosureDate != today)
            newDay = today;
        config.programFolder = m_programFolder;
        config.listBase = m_settings.m_disclosureListBase;
        config.date = m_disclosureDate;
        config.today = newDay.empty() ? today : m_disclosureDate;
        config.downloadDocuments = m_settings.m_orvekUse;
        config.scan = m_disclosureScan;
    }
    HttpSession session(&m_stop);
    const int newDisclosures = DisclosurePass(*this, config, session);
    m_observer.PassFinished({PassKind::Disclosure, session.PagesReceived(), 0, newDisclosures});
    if (newDay.empty() || m_stop.IsRaised())
        return;
    ChooseDisclosureDate(newDay);
    m_observer.DisclosureDayChanged(newDay);
}

void Watcher::FollowToday(bool following)
{
    bool behind = false;
    {
        const std::lock_guard hold(m_lock);
        m_followingToday = following;
        behind = following && m_disclosureDate != FormatDate(m_clock.Now());
    }
    if (behind)
        RequestDisclosurePass();
}

void Watcher::RunLookup()
{
    LookupRequest request;
    {
        const std::lock_guard hold(m_lock);
        if (!m_nextLookup)
            return;
        request = std::move(*m_nextLookup);
        m_nextLookup.reset();
        m_lookupStop.Lower();
    }
    HttpSession session(&m_lookupStop);
    const EntryQuote quote = LookUpEntryQuote(session, request.config, request.code, request.market);
    if (m_lookupStop.IsRaised())
        return;
    {
        const std::lock_guard hold(m_lock);
        if (request.serial != m_entry.serial)
            return;
        m_entry.values = quote.values;
        m_entry.trend = quote.trend;
        m_entry.lookupRunning = false;
    }
    if (quote.httpError)
        SetQuoteProgress({});
    m_observer.EntryChanged(request.serial);
    m_observer.PassFinished({PassKind::Lookup, session.PagesReceived(), 0, 0});
}

// The pass reads the date and the scan count under the lock in one go, so
// it never carries the new count with the old date.
void Watcher::ChooseDisclosureDate(const std::string& date)
{
    {
        const std::lock_guard hold(m_lock);
        m_rows.ClearDisclosures();
        ++m_disclosureScan;
        m_disclosureDate = date;
    }
    RemoveStaleTemporaryFilesOfDate(m_programFolder, date, m_startTime);
    RequestDisclosurePass();
}

void Watcher::ClearRowDisclosures()
{
    const std::lock_guard hold(m_lock);
    m_rows.ClearDisclosures();
}

std::string Watcher::DisclosureDate() const
{
    const std::lock_guard hold(m_lock);
    return m_disclosureDate;
}

StockDisclosures Watcher::DisclosuresOfRow(std::size_t row) const
{
    const std::lock_guard hold(m_lock);
    return DisclosuresOfStockLocked(row < m_rows.RowCount() ? m_rows.Cell(row, ColCode) : std::string());
}

StockDisclosures Watcher::DisclosuresOfStock(const std::string& code) const
{
    const std::lock_guard hold(m_lock);
    return DisclosuresOfStockLocked(code);
}

StockDisclosures Watcher::DisclosuresOfStockLocked(const std::string& code) const
{
    return {m_programFolder, m_disclosureDate, code, m_settings.m_orvekUse, m_settings.m_disclosurePortal,
            m_settings.m_disclosureListBase};
}

int Watcher::BusyWorkers() const
{
    int busy = 0;
    for (const RepeatingWorker* worker : {&m_quoteWorker, &m_disclosureWorker, &m_lookupWorker})
        busy += worker->IsBusy() ? 1 : 0;
    return busy + (m_mail.IsBusy() ? 1 : 0);
}

// Both kinds of pass share the status label: while a disclosure pass runs
// it says so, else it shows what the quote side last set, or, when that is
// nothing, that no quote page answered, or a warning that the quote pages
// look changed. Every change of the label goes through here.
std::string Watcher::StatusText() const
{
    const std::lock_guard hold(m_lock);
    return StatusTextLocked();
}

std::string Watcher::StatusTextLocked() const
{
    if (m_disclosureRunning)
        return texts::Sjis(texts::DataFetching);
    if (!m_quoteProgress.empty())
        return m_quoteProgress;
    if (!m_historyError.empty())
        return m_historyError;
    if (m_quoteBlind && !m_lastGoodQuoteTime.empty())
        return texts::Format(texts::QuoteFetchErrorSinceFormat, m_lastGoodQuoteTime);
    if (m_quoteBlind)
        return texts::Sjis(texts::QuoteFetchError);
    if (m_layoutWatch.Warning())
        return texts::Sjis(texts::LayoutChangeWarning);
    return {};
}

std::string Watcher::StalePricesNoteLocked() const
{
    if (!m_quoteBlind)
        return {};
    if (m_lastGoodQuoteTime.empty())
        return texts::Sjis(texts::QuoteFetchError) + "\n";
    return texts::Format(texts::PriceMailStaleFormat, m_lastGoodQuoteTime) + "\n";
}

bool Watcher::LayoutWarning() const
{
    const std::lock_guard hold(m_lock);
    return m_layoutWatch.Warning();
}

bool Watcher::QuotesBlind() const
{
    const std::lock_guard hold(m_lock);
    return m_quoteBlind;
}

void Watcher::SetQuoteProgress(const std::string& text)
{
    std::string shown;
    {
        const std::lock_guard hold(m_lock);
        m_quoteProgress = text;
        shown = StatusTextLocked();
    }
    m_observer.StatusChanged(shown);
}

void Watcher::SetDisclosureRunning(bool running)
{
    std::string shown;
    {
        const std::lock_guard hold(m_lock);
        m_disclosureRunning = running;
        shown = StatusTextLocked();
    }
    m_observer.StatusChanged(shown);
}

bool Watcher::Stopping()
{
    return m_stop.IsRaised();
}

void Watcher::SetProgressText(const std::string& text)
{
    SetQuoteProgress(text);
}

std::string Watcher::EntryCode(std::uint64_t& serial)
{
    const std::lock_guard hold(m_lock);
    serial = m_entry.serial;
    return m_entry.code;
}

int Watcher::EntryMarket()
{
    const std::lock_guard hold(m_lock);
    return m_entry.market;
}

void Watcher::StoreEntryQuote(std::uint64_t serial, const EntryQuote& quote)
{
    {
        const std::lock_guard hold(m_lock);
        if (serial != m_entry.serial)
            return;
        m_entry.values = quote.values;
        m_entry.trend = quote.trend;
    }
    m_observer.EntryChanged(serial);
}

void Watcher::ReportIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText)
{
    m_observer.IndexChanged(index, valueText, changeText);
}

std::optional<QuotePassTarget::Row> Watcher::ReadRow(std::size_t row)
{
    const std::lock_guard hold(m_lock);
    if (row >= m_rows.RowCount())
        return std::nullopt;
    return Row{m_rows.Cell(row, ColCode), m_rows.Cell(row, ColMarket)};
}

// Rows may have been added, removed or moved while the page was fetched:
// the values go only to the row that still shows the stock they belong to.
void Watcher::StoreRowQuote(std::size_t row, const std::string& code, const QuoteValues& values, const std::string& trend)
{
    {
        const std::lock_guard hold(m_lock);
        if (row >= m_rows.RowCount() || m_rows.Cell(row, ColCode) != code)
            return;
        for (std::size_t i = 0; i < values.size(); ++i)
            m_rows.SetCell(row, kRowColumns[i], values[i]);
        m_rows.SetCell(row, ColTrend, trend);
    }
    m_observer.RowChanged(row);
}

std::vector<std::string> Watcher::RowCodes()
{
    const std::lock_guard hold(m_lock);
    std::vector<std::string> codes;
    for (std::size_t row = 0; row < m_rows.RowCount(); ++row)
        codes.push_back(m_rows.Cell(row, ColCode));
    return codes;
}

bool Watcher::RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code, const std::string& entryText)
{
    bool added = false;
    {
        const std::lock_guard hold(m_lock);
        if (scan != m_disclosureScan || row >= m_rows.RowCount() || m_rows.Cell(row, ColCode) != code)
            return false;
        added = m_rows.AddDisclosure(row, entryText);
        m_rows.SetCell(row, ColDisclosure, texts::Sjis(texts::DisclosureMarker));
    }
    m_observer.RowChanged(row);
    return added;
}

} // namespace zelmora
