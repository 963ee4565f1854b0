#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/mail/mail_sender.h"

namespace zelmora {

enum class PassKind { Quote, Disclosure, Lookup };

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
};

// What the watcher tells its owner (the window, or the headless watcher).
// Calls come from the watcher's worker threads as well as from the owner's
// own calls; the owner hands them to its thread. The watcher never holds
// its lock while it calls here, so the owner may call back at once.
class WatcherObserver {
public:
    virtual ~WatcherObserver() = default;
    // Cells of a watch list row changed (a quote, the disclosure marker).
    virtual void RowChanged(std::size_t row) = 0;
    virtual void IndexChanged(std::size_t index, const std::string& valueText, const std::string& changeText) = 0;
    // The entry row shows a new quote, for the entry edit numbered serial.
    virtual void EntryChanged(std::uint64_t serial) = 0;
    // The status label's text.
    virtual void StatusChanged(const std::string& text) = 0;
    virtual void DisclosureFound(const DisclosureReport& report) = 0;
    virtual void MailFinished(const MailReport& report) = 0;
    virtual void PassFinished(const PassReport& report) = 0;
    // The owner changed what base_data.ini keeps: the list, a memo, the
    // selection or a setting.
    virtual void SettingsEdited() {}
    // Today was followed, and now the new day's disclosures are scanned.
    virtual void DisclosureDayChanged(const std::string& /*date*/) {}
};

} // namespace zelmora
