#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/disclosure/disclosure_pass.h"
#include "core/disclosure/history_line.h"
#include "core/engine/entry_lookup.h"
#include "core/engine/mail_scheduler.h"
#include "core/engine/pass_status.h"
#include "core/engine/watch_list_store.h"
#include "core/engine/watcher_observer.h"
#include "core/net/stop_flag.h"
#include "core/platform/repeating_worker.h"
#include "core/quotes/quote_pass.h"
#include "core/schedule/clock.h"
#include "core/settings/settings.h"

namespace zelmora {

// The mail settings the mail settings dialog edits.
struct MailSettingsFields {
    std::string mailAddress;
    std::string smtpServer;
    bool disclosureMailOn = false;
    bool priceMailOn = false;
    int priceMailInterval = 30;
    std::string smtpUser;
    std::string smtpPassword;
    bool alertMailOn = false;
};

// How a save of base_data.ini went; why not, in the system's words.
struct SaveResult {
    bool saved = false;
    std::string path;
    std::string reason;

    explicit operator bool() const { return saved; }
};

// The watcher: the settings in use, and the quote and disclosure passes
// wired to what they change: the watch list (WatchListStore), the entry row
// and its lookup (EntryLookup), the mails (MailScheduler) and the status
// label (PassStatus). It knows no window: its owner calls it from one thread
// (the window's) and hears of results through a WatcherObserver, whose
// reports carry what changed. Rows come and go only by the owner's calls
// (and an add the owner asked for while its lookup ran); passes change
// cells of the rows that still show their stock.
//
// There is at most one thread per kind of work (quote pass, disclosure
// pass, lookup, mail). A pass asked for while one runs runs once more when
// it ends, with the settings of that moment; a newer lookup cancels an
// older one. Stop() ends every transfer in flight within a fraction of a
// second.
class Watcher : private QuotePassTarget, private DisclosurePassTarget {
public:
    using AddResult = zelmora::AddResult;

    Watcher(std::string programFolder, const Clock& clock, WatcherObserver& observer);
    ~Watcher() override;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // base_data.ini of the program folder: read at start, written soon
    // after each edit and at close.
    void Load();
    SaveResult Save() const;
    // The file Load read was UTF-8 (LoadedSettings::readAsUtf8).
    bool SettingsReadAsUtf8() const;
    // Ends every transfer in flight, starts no new work and waits for the
    // workers to end.
    void Stop();

    const std::string& ProgramFolder() const { return m_programFolder; }
    Settings CurrentSettings() const;
    void ChangeSettings(const std::function<void(Settings&)>& change);
    // Reads the watch list under the watcher's lock.
    void ReadRows(const std::function<void(const WatchList&)>& read) const;
    std::size_t RowCount() const;
    std::string Cell(std::size_t row, Column column) const;
    // The stock's name wherever its row stands now; empty when none holds it.
    std::string NameOfStock(const std::string& code) const;

    // The entry row and the watch list, edited by the owner. An entry edit
    // returns its serial, which the entry's reports carry.
    EntryRow Entry() const;
    std::uint64_t TypeEntryCode(const std::string& code);
    std::uint64_t ChooseEntryMarket(int market);
    // Selecting a row copies it into the entry row; the tray follows it.
    // Returns the entry row as the selection left it.
    EntryRow SelectRow(std::size_t row);
    // Points the selected row back at the first row when its row went
    // away; returns the selected row.
    int ClampSelectedRow();
    // Adds the entry row's stock before `position` with the quote it shows;
    // Deferred while its lookup still runs: the watcher adds it with the
    // answer, unless the entry is edited first, and reports AddFinished.
    AddResult AddEntryToList(std::size_t position);
    void DeleteRow(std::size_t row);
    void DeleteAllRows();
    void MoveRow(std::size_t from, std::size_t to);
    void SetMemo(std::size_t row, const std::string& memo);
    // A row's price alert thresholds (none for a row that is not there).
    AlertThresholds AlertsOf(std::size_t row) const;
    // New thresholds for a row; while the market is open a quote pass is
    // asked for, so a threshold already crossed fires at once.
    void SetAlerts(std::size_t row, const AlertThresholds& thresholds);

    // Passes.
    void RequestQuotePass();
    void RequestDisclosurePass();
    // Another date was chosen: the rows forget their disclosures, the scan
    // count and the date change together and a pass for the date is asked
    // for. A pass begun before belongs wholly to the old date: its hits are
    // dropped.
    void ChooseDisclosureDate(const std::string& date);
    // Only what the rows show goes, while a choice in the date list settles;
    // the date and the scan stay until ChooseDisclosureDate.
    void ClearRowDisclosures();
    std::string DisclosureDate() const;
    // While the date scanned is today's, the watcher moves on by itself when
    // the exchange's day changes: one last pass over the old day, mailing
    // what it finds, then the new day. Asks for that pass when the day has
    // changed already.
    void FollowToday(bool following);
    StockDisclosures DisclosuresOfRow(std::size_t row) const;
    // A stock's disclosures of the date scanned now, wherever its row is.
    StockDisclosures DisclosuresOfStock(const std::string& code) const;
    std::string StatusText() const;
    // Quote pages have answered for three passes in a row without a usable
    // quote in any row: their layout may have changed.
    bool LayoutWarning() const;
    // The last quote pass got no page at all; the rows show older prices.
    bool QuotesBlind() const;
    // Worker threads alive now (at most one per kind of work).
    int BusyWorkers() const;

    // The schedule: what each timer tick does.
    void OnQuoteTick();
    void OnPriceMailTick();
    // Nothing when the close-mail timer stops.
    std::optional<std::chrono::milliseconds> OnMarketCloseMailTick();
    MailTimerPlan MailTimersAtStart() const;
    MailTimerPlan MailTimersAtConfirm() const;

    // Mail.
    void SendPriceMail();
    // To the account's address through its server, with its login.
    void SendTestMail(const MailAccount& account);
    MailSettingsFields MailSettings() const;
    void ApplyMailSettings(const MailSettingsFields& fields);
    std::string PriceMailStatus() const;
    // "送信待ち N件" while disclosure mails wait in the outbox.
    std::string DisclosureMailStatus() const;

    // The outbox. The owner calls OnOutboxTick every 15 seconds; it sends
    // the waiting mails that are due.
    void OnOutboxTick();
    // Mails with a login wait until the secret store has answered (whatever
    // it said): false at Load when the settings hold a user but no password.
    void SetMailPasswordReady(bool ready);
    std::size_t WaitingMails() const;

    // Notices of today's new disclosures not yet marked shown (a pass cut
    // short by a close); those of earlier days are dropped. For the start.
    std::vector<DisclosureReport> PendingNotices();
    // The owner has shown or logged the notice of a DisclosureFound report.
    void NoticeShown(const DisclosureReport& report);

private:
    void RunQuotePass();
    void RecordAlerts(std::vector<AlertFiring> firings);
    void RunDisclosurePass();
    void ChangeDisclosureDate(const std::string& date, EditFrom from);
    bool Unrecorded(const std::string& id) const;
    StockDisclosures DisclosuresOf(const std::string& code, const std::string& date) const;

    // What the passes call, on their own threads.
    bool Stopping() override;
    void SetProgressText(const std::string& text) override;
    std::string EntryCode(std::uint64_t& serial) override;
    int EntryMarket() override;
    void StoreEntryQuote(std::uint64_t serial, const EntryQuote& quote) override;
    void ReportIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText) override;
    std::optional<QuotePassTarget::Row> ReadRow(std::size_t row) override;
    void StoreRowQuote(std::size_t row, const std::string& code, const QuoteValues& values,
                       const std::string& trend) override;
    void RecordDayQuote(const std::string& code, const QuoteValues& values) override;
    void SetDisclosureRunning(bool running) override;
    std::vector<std::string> RowCodes() override;
    bool RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code,
                             const std::string& entryText) override;
    bool KeepNewDisclosure(const std::string& date, const std::string& code, const std::string& entryText,
                           const std::string& documentAddress, const std::string& figures) override;
    void NewDisclosureRecorded(std::size_t row, const std::string& date, const std::string& code,
                               const std::string& entryText, const std::string& figures) override;
    void HistoryNotWritten(const std::string& path, const std::string& date, const std::string& code,
                           const std::string& entryText) override;

    const std::string m_programFolder;
    const Clock& m_clock;
    // What an interrupted save of an earlier run left is older than this.
    const std::filesystem::file_time_type m_startTime = std::filesystem::file_time_type::clock::now();
    WatcherObserver& m_observer;
    StopFlag m_stop;

    // Guards the members up to m_unrecorded; held for single reads and
    // writes, never across a transfer or a call of the observer.
    mutable std::mutex m_lock;
    Settings m_settings;
    bool m_settingsReadAsUtf8 = false;
    bool m_followingToday = false;
    // Disclosures mailed and shown this run whose history line could not be
    // written: the passes find them again, but they are news only once.
    std::set<std::string> m_unrecorded;

    PassStatus m_status;
    WatchListStore m_rows;
    EntryLookup m_lookup;
    MailScheduler m_mailer;
    // What fired in the running quote pass; its thread's alone.
    std::vector<AlertFiring> m_passFirings;
    RepeatingWorker m_quoteWorker;
    RepeatingWorker m_disclosureWorker;
};

} // namespace zelmora
