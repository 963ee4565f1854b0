#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/alerts/price_alert.h"
#include "core/mail/mail_sender.h"
#include "core/quotes/quote_record.h"
#include "core/watch/watch_list.h"

namespace zelmora {

enum class PassKind { Quote, Disclosure, Lookup };

// How "リストへ追加" went. Deferred: the typed code is still looked up; the
// watcher adds it with the answer and reports AddFinished.
enum class AddResult { Added, Deferred, NoCode, ListFull, NoQuote };

// The reports of the watch list carry the list's version, which counts its
// changes. Those of the passes arrive in the order of their versions; those
// of the owner's own edits come during the edit. So a report older than the
// one its reader holds is stale.

// What the list shows of a row's alerts: its thresholds, and whether one
// fired that the user has not looked at yet.
struct RowAlertView {
    AlertThresholds thresholds;
    bool fired = false;
};

// A watch list row as a pass left it (a quote, the disclosure marker).
struct RowReport {
    std::size_t row = 0;
    std::uint64_t version = 0;
    WatchList::Cells cells;
    RowAlertView alert;
};

// The whole watch list, after rows came, went or moved, or after an edit
// of the owner's. alerts: one per row.
struct RowsReport {
    std::uint64_t version = 0;
    std::vector<WatchList::Cells> rows;
    std::vector<RowAlertView> alerts;
};

// The entry row's quote, for the entry edit numbered serial.
struct EntryReport {
    std::uint64_t serial = 0;
    QuoteValues values;
    std::string trend;
};

// A deferred add, done or refused once the lookup has answered.
struct AddReport {
    AddResult result = AddResult::Added;
    std::size_t row = 0; // where the row went
};

// How a mail fared, and what the status label of its kind says now.
struct MailReport {
    MailKind kind = MailKind::Price;
    bool sent = false;
    std::string statusText;
    MailFailure failure = MailFailure::None;
    std::size_t waiting = 0; // disclosure mails in the outbox now
    // A disclosure mail that could not be sent in a day, or that made room
    // in a full outbox, was moved to outbox/failed; statusText says so.
    bool givenUp = false;
    // The outbox's mail was a price alert mail (kind Disclosure: the outbox's).
    bool alertMail = false;
};

// What a pass did, for a log of the passes.
struct PassReport {
    PassKind kind = PassKind::Quote;
    int pagesFetched = 0;   // pages (and documents) answered with status 200
    int rowsWithQuotes = 0; // quote pass: list rows that got a price
    int newDisclosures = 0; // disclosure pass: disclosures recorded for the first time
    // Quote pass: no quote page answered at all, in this pass or since the
    // last one that got pages; the rows show that pass's prices, of
    // lastGoodTime (Tokyo "HH:MM", empty when no pass of this run got any).
    bool blind = false;
    std::string lastGoodTime;
};

// A disclosure of today that a pass recorded for the first time.
// Until the owner calls Watcher::NoticeShown with it, its notice waits on
// disk and comes back from Watcher::PendingNotices at the next start.
struct DisclosureReport {
    std::size_t row = 0;
    std::string code;
    std::string entryText;
    std::string noticeId;
    std::string figures; // the line of its XBRL figures (Shift_JIS); empty for none
};

// The price alerts that fired in one quote pass, in list order; each line
// is already in alert.txt.
struct AlertReport {
    std::vector<AlertFiring> firings;
};

// What the watcher tells its owner (the window, or the headless watcher).
// Calls come from the watcher's worker threads as well as from the owner's
// own calls; the owner hands them to its thread. The watcher holds none of
// its data's locks while it calls here, so the owner may call back at once
// from its own thread; on a pass's thread a call holds the lock that keeps
// the row reports in order, and must only hand the report on.
class WatcherObserver {
public:
    virtual ~WatcherObserver() = default;
    virtual void RowChanged(const RowReport& report) = 0;
    virtual void RowsReplaced(const RowsReport& report) = 0;
    virtual void IndexChanged(std::size_t index, const std::string& valueText, const std::string& changeText) = 0;
    // The entry row shows a new quote.
    virtual void EntryChanged(const EntryReport& report) = 0;
    virtual void AddFinished(const AddReport& /*report*/) {}
    // The status label's text.
    virtual void StatusChanged(const std::string& text) = 0;
    virtual void DisclosureFound(const DisclosureReport& report) = 0;
    virtual void AlertsFired(const AlertReport& /*report*/) {}
    virtual void MailFinished(const MailReport& report) = 0;
    virtual void PassFinished(const PassReport& report) = 0;
    // The owner changed what base_data.ini keeps: the list, a memo, the
    // selection or a setting.
    virtual void SettingsEdited() {}
    // Today was followed, and now the new day's disclosures are scanned.
    virtual void DisclosureDayChanged(const std::string& /*date*/) {}
};

} // namespace zelmora
