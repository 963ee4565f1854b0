#include "core/engine/entry_lookup.h"

#include <algorithm>
#include <utility>

#include "core/text/sjis.h"

namespace zelmora {
namespace {

// A new row takes at most this much of each entry row value; the next pass
// brings the whole text.
constexpr std::size_t kEntryCellBytes = 24;

std::string EntryCell(const std::string& text)
{
    return std::string(CutSjis(text, kEntryCellBytes));
}

} // namespace

EntryLookup::EntryLookup(WatchListStore& rows, WatcherObserver& observer, StopFlag& stop, Hooks hooks)
    : m_rows(rows), m_observer(observer), m_lookupStop(&stop), m_hooks(std::move(hooks)),
      m_worker("zelmora-lookup", [this] { RunLookup(); })
{
}

EntryLookup::~EntryLookup()
{
    Stop();
}

void EntryLookup::Stop()
{
    m_lookupStop.Raise();
    m_worker.Stop();
}

bool EntryLookup::IsBusy() const
{
    return m_worker.IsBusy();
}

EntryRow EntryLookup::Entry() const
{
    const std::lock_guard hold(m_lock);
    return m_entry;
}

std::uint64_t EntryLookup::TypeCode(const std::string& code)
{
    const std::lock_guard hold(m_lock);
    NewEditLocked();
    m_entry.code = code;
    if (code.size() >= kMinCodeLength)
        LookUpLocked();
    return m_entry.serial;
}

std::uint64_t EntryLookup::ChooseMarket(int market)
{
    const std::lock_guard hold(m_lock);
    NewEditLocked();
    m_entry.market = market;
    if (m_entry.code.size() >= kMinCodeLength)
        LookUpLocked();
    return m_entry.serial;
}

EntryRow EntryLookup::CopyRow(const WatchList::Cells& cells)
{
    const std::lock_guard hold(m_lock);
    NewEditLocked();
    m_entry.code = cells[ColCode];
    for (std::size_t i = 0; i < kQuoteColumns.size(); ++i)
        m_entry.values[i] = cells[kQuoteColumns[i]];
    m_entry.trend = cells[ColTrend];
    return m_entry;
}

// An edit ends what waited for the last one.
void EntryLookup::NewEditLocked()
{
    ++m_entry.serial;
    m_entry.lookupRunning = false;
    m_pendingAdd.reset();
}

// The page is fetched on the lookup worker; a newer lookup cancels the
// transfer of an older one.
void EntryLookup::LookUpLocked()
{
    m_entry.lookupRunning = true;
    m_nextLookup = LookupRequest{m_entry.serial, m_entry.code, m_entry.market, m_hooks.config()};
    m_lookupStop.Raise();
    m_worker.Request();
}

AddResult EntryLookup::Add(std::size_t position)
{
    std::size_t row = 0;
    return *AddAs(position, EditFrom::Owner, std::nullopt, row);
}

std::optional<AddResult> EntryLookup::AddAs(std::size_t position, EditFrom from, std::optional<std::uint64_t> serial,
                                            std::size_t& row)
{
    std::optional<AddResult> result;
    // The list's lock, then the entry's: the entry empties with the add.
    m_rows.Edit(from, [&](WatchList& list) {
        const std::lock_guard hold(m_lock);
        if (serial && *serial != m_entry.serial)
            return false;
        result = AddLocked(list, position, row);
        return result == AddResult::Added;
    });
    if (result == AddResult::Added)
        m_hooks.rowAdded();
    return result;
}

AddResult EntryLookup::AddLocked(WatchList& list, std::size_t position, std::size_t& row)
{
    if (m_entry.code.size() < kMinCodeLength)
        return AddResult::NoCode;
    if (m_entry.lookupRunning) {
        m_pendingAdd = position;
        return AddResult::Deferred;
    }
    if (list.IsFull())
        return AddResult::ListFull;
    if (!HasQuote(m_entry.values[QuotePrice]))
        return AddResult::NoQuote;
    row = std::min(position, list.RowCount());
    list.InsertRow(row, m_entry.code);
    const std::size_t market = static_cast<std::size_t>(std::max(0, m_entry.market)) % kMarketCount;
    list.SetCell(row, ColMarket, MarketNames()[market]);
    for (std::size_t i = 0; i < kQuoteColumns.size(); ++i)
        list.SetCell(row, kQuoteColumns[i], EntryCell(m_entry.values[i]));
    list.SetCell(row, ColTrend, EntryCell(m_entry.trend));
    // The entry row empties for the next stock; its market stays chosen.
    EntryRow next;
    next.market = m_entry.market;
    next.serial = m_entry.serial + 1;
    m_entry = std::move(next);
    return AddResult::Added;
}

void EntryLookup::RunLookup()
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
    std::optional<std::size_t> pendingAdd;
    {
        const std::lock_guard hold(m_lock);
        if (request.serial != m_entry.serial)
            return;
        m_entry.values = quote.values;
        m_entry.trend = quote.trend;
        m_entry.lookupRunning = false;
        pendingAdd = std::exchange(m_pendingAdd, std::nullopt);
    }
    if (quote.httpError)
        m_hooks.pageError();
    m_observer.EntryChanged({request.serial, quote.values, quote.trend});
    if (pendingAdd) {
        AddReport report;
        if (const auto result = AddAs(*pendingAdd, EditFrom::Pass, request.serial, report.row)) {
            report.result = *result;
            m_observer.AddFinished(report);
        }
    }
    PassReport report;
    report.kind = PassKind::Lookup;
    report.pagesFetched = session.PagesReceived();
    m_observer.PassFinished(report);
}

std::string EntryLookup::Code(std::uint64_t& serial) const
{
    const std::lock_guard hold(m_lock);
    serial = m_entry.serial;
    return m_entry.code;
}

int EntryLookup::Market() const
{
    const std::lock_guard hold(m_lock);
    return m_entry.market;
}

void EntryLookup::StoreQuote(std::uint64_t serial, const EntryQuote& quote)
{
    {
        const std::lock_guard hold(m_lock);
        if (serial != m_entry.serial)
            return;
        m_entry.values = quote.values;
        m_entry.trend = quote.trend;
    }
    m_observer.EntryChanged({serial, quote.values, quote.trend});
}

} // namespace zelmora
