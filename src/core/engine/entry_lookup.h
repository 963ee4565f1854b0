#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/engine/watch_list_store.h"
#include "core/engine/watcher_observer.h"
#include "core/net/stop_flag.h"
#include "core/platform/repeating_worker.h"
#include "core/quotes/quote_pass.h"

namespace zelmora {

// The entry row: the typed code and market, and the quote it shows.
struct EntryRow {
    std::string code;
    int market = 0;
    QuoteValues values;
    std::string trend;
    std::uint64_t serial = 0;   // counts the edits of code, market and selection
    bool lookupRunning = false; // the quote of this edit is still being fetched
};

// The entry row, the lookup of its typed code on a worker of its own, and
// adding it to the list. A newer lookup cancels the transfer of an older
// one, whose answer would be moot anyway. An add asked for while the
// lookup runs is done with its answer, unless the entry is edited first.
class EntryLookup {
public:
    struct Hooks {
        std::function<QuotePassConfig()> config; // the quote settings of now
        std::function<void()> pageError;         // the page answered with an HTTP error
        std::function<void()> rowAdded;
    };

    EntryLookup(WatchListStore& rows, WatcherObserver& observer, StopFlag& stop, Hooks hooks);
    ~EntryLookup();
    EntryLookup(const EntryLookup&) = delete;
    EntryLookup& operator=(const EntryLookup&) = delete;

    void Stop();
    bool IsBusy() const;

    EntryRow Entry() const;
    // Each edit returns its serial; the entry's reports carry it.
    std::uint64_t TypeCode(const std::string& code);
    std::uint64_t ChooseMarket(int market);
    // A selected row's code and values; the market stays as chosen.
    EntryRow CopyRow(const WatchList::Cells& cells);
    // Adds the entry's stock before `position` with the quote it shows,
    // emptying the entry for the next stock.
    AddResult Add(std::size_t position);

    // The quote pass's preview of the entry row.
    std::string Code(std::uint64_t& serial) const;
    int Market() const;
    void StoreQuote(std::uint64_t serial, const EntryQuote& quote);

private:
    void RunLookup();
    void LookUpLocked();
    void NewEditLocked();
    // Nothing when the entry has been edited since edit `serial`.
    std::optional<AddResult> AddAs(std::size_t position, EditFrom from, std::optional<std::uint64_t> serial,
                                   std::size_t& row);
    AddResult AddLocked(WatchList& list, std::size_t position, std::size_t& row);

    struct LookupRequest {
        std::uint64_t serial = 0;
        std::string code;
        int market = 0;
        QuotePassConfig config;
    };

    WatchListStore& m_rows;
    WatcherObserver& m_observer;
    StopFlag m_lookupStop;
    const Hooks m_hooks;

    mutable std::mutex m_lock;
    EntryRow m_entry;
    std::optional<LookupRequest> m_nextLookup;
    // Where "リストへ追加" asked for the row while the lookup ran.
    std::optional<std::size_t> m_pendingAdd;

    RepeatingWorker m_worker;
};

} // namespace zelmora
