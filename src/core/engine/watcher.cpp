#include "core/engine/watcher.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/dayrecord/day_record.h"
#include "core/disclosure/date_list.h"
#include "core/disclosure/document_path.h"
#include "core/disclosure/pending_notice.h"
#include "core/engine/alert_log.h"
#include "core/schedule/market_hours.h"
#include "core/settings/profile_file.h"
#include "core/text/texts.h"

namespace zelmora {

Watcher::Watcher(std::string programFolder, const Clock& clock, WatcherObserver& observer)
    : m_programFolder(std::move(programFolder)), m_clock(clock), m_observer(observer), m_status(observer),
      m_rows(observer, FormatDate(clock.Now())),
      m_lookup(m_rows, observer, m_stop,
               {[this] { return MakeQuotePassConfig(CurrentSettings()); }, [this] { m_status.SetQuoteProgress({}); },
                [this] { RequestDisclosurePass(); }}),
      m_mailer(m_programFolder, clock, m_stop, observer, m_rows, m_status, [this] { return CurrentSettings(); }),
      m_quoteWorker("zelmora-quotes", [this] { RunQuotePass(); }),
      m_disclosureWorker("zelmora-discl", [this] { RunDisclosurePass(); })
{
}

Watcher::~Watcher()
{
    Stop();
}

void Watcher::Load()
{
    const LoadedSettings loaded = LoadSettings(ProfileFile::Load(SettingsFilePath(m_programFolder)));
    {
        const std::lock_guard hold(m_lock);
        m_settings = loaded.settings;
        m_settingsReadAsUtf8 = loaded.readAsUtf8;
    }
    m_rows.Load(loaded.rows);
    // What fired earlier today has fired: a restart does not fire it again.
    const std::string today = FormatDate(m_clock.Now());
    m_rows.RestoreAlerts(today, [&](const std::string& code) {
        return ReadAlertLines(AlertFilePath(m_programFolder, today, code));
    });
    m_mailer.Load(m_startTime);
}

bool Watcher::SettingsReadAsUtf8() const
{
    const std::lock_guard hold(m_lock);
    return m_settingsReadAsUtf8;
}

SaveResult Watcher::Save() const
{
    const Settings settings = CurrentSettings();
    const std::vector<StoredRow> rows = m_rows.StoredRows();
    SaveResult result;
    result.path = SettingsFilePath(m_programFolder);
    errno = 0;
    result.saved = SaveSettingsFile(result.path, settings, rows);
    if (!result.saved)
        result.reason = std::strerror(errno != 0 ? errno : EIO);
    return result;
}

void Watcher::Stop()
{
    m_stop.Raise();
    m_quoteWorker.Stop();
    m_disclosureWorker.Stop();
    m_lookup.Stop();
    m_mailer.Stop();
}

Settings Watcher::CurrentSettings() const
{
    const std::lock_guard hold(m_lock);
    return m_settings;
}

void Watcher::ChangeSettings(const std::function<void(Settings&)>& change)
{
    {
        const std::lock_guard hold(m_lock);
        change(m_settings);
    }
    m_observer.SettingsEdited();
}

void Watcher::ReadRows(const std::function<void(const WatchList&)>& read) const
{
    m_rows.Read(read);
}

std::size_t Watcher::RowCount() const
{
    return m_rows.RowCount();
}

std::string Watcher::Cell(std::size_t row, Column column) const
{
    return m_rows.Cell(row, column);
}

std::string Watcher::NameOfStock(const std::string& code) const
{
    return m_rows.NameOf(code);
}

EntryRow Watcher::Entry() const
{
    return m_lookup.Entry();
}

std::uint64_t Watcher::TypeEntryCode(const std::string& code)
{
    return m_lookup.TypeCode(code);
}

std::uint64_t Watcher::ChooseEntryMarket(int market)
{
    return m_lookup.ChooseMarket(market);
}

EntryRow Watcher::SelectRow(std::size_t row)
{
    const std::optional<WatchList::Cells> cells = m_rows.RowCells(row);
    if (!cells)
        return m_lookup.Entry();
    bool edited = false;
    {
        const std::lock_guard hold(m_lock);
        edited = m_settings.selectedRow != static_cast<int>(row);
        m_settings.selectedRow = static_cast<int>(row);
    }
    m_rows.ClearAlertMark(row);
    EntryRow entry = m_lookup.CopyRow(*cells);
    if (edited)
        m_observer.SettingsEdited();
    return entry;
}

int Watcher::ClampSelectedRow()
{
    const int rows = static_cast<int>(m_rows.RowCount());
    const std::lock_guard hold(m_lock);
    if (rows > 0 && (m_settings.selectedRow < 0 || m_settings.selectedRow > rows - 1))
        m_settings.selectedRow = 0;
    return m_settings.selectedRow;
}

Watcher::AddResult Watcher::AddEntryToList(std::size_t position)
{
    return m_lookup.Add(position);
}

void Watcher::DeleteRow(std::size_t row)
{
    m_rows.DeleteRow(row);
}

void Watcher::DeleteAllRows()
{
    m_rows.DeleteAll();
}

void Watcher::MoveRow(std::size_t from, std::size_t to)
{
    m_rows.MoveRow(from, to);
}

void Watcher::SetMemo(std::size_t row, const std::string& memo)
{
    m_rows.SetMemo(row, memo);
}

AlertThresholds Watcher::AlertsOf(std::size_t row) const
{
    return m_rows.AlertsOf(row);
}

void Watcher::SetAlerts(std::size_t row, const AlertThresholds& thresholds)
{
    if (m_rows.SetAlerts(row, thresholds))
        OnQuoteTick();
}

void Watcher::RequestQuotePass()
{
    m_quoteWorker.Request();
}

void Watcher::RequestDisclosurePass()
{
    m_disclosureWorker.Request();
}

// Each round reads the settings of its own start.
void Watcher::RunQuotePass()
{
    const QuotePassConfig config = MakeQuotePassConfig(CurrentSettings());
    HttpSession session(&m_stop);
    m_passFirings.clear();
    const QuotePassOutcome outcome = QuotePass(*this, config, session);
    RecordAlerts(std::exchange(m_passFirings, {}));
    PassReport report;
    report.kind = PassKind::Quote;
    report.pagesFetched = session.PagesReceived();
    report.rowsWithQuotes = static_cast<int>(outcome.rowsUsable);
    if (!m_stop.IsRaised())
        m_status.RecordQuotePass(outcome, report.pagesFetched, HourMinute(m_clock.Now()));
    report.blind = m_status.Blind();
    report.lastGoodTime = m_status.LastGoodTime();
    m_observer.PassFinished(report);
}

// What fired is kept even while the program closes: the conditions count
// as fired now, and alert.txt is what tells the next start so.
void Watcher::RecordAlerts(std::vector<AlertFiring> firings)
{
    if (firings.empty())
        return;
    const LocalTime now = m_clock.Now();
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    const std::string date = FormatDate(now);
    for (const AlertFiring& firing : firings) {
        std::vector<std::string> lines;
        for (const AlertCondition condition : firing.conditions)
            lines.push_back(AlertLine(time, condition, firing.thresholds, firing.quote));
        const std::string path = AlertFilePath(m_programFolder, date, firing.code);
        if (!AppendAlertLines(path, lines))
            m_status.SetHistoryError(texts::Format(texts::AlertWriteErrorFormat, path));
    }
    m_mailer.KeepAlertMail(firings, date + time);
    m_observer.AlertsFired({std::move(firings)});
}

// While today is followed, the first pass after midnight finishes the old
// day, whose last disclosures are still news, and the new day follows.
void Watcher::RunDisclosurePass()
{
    DisclosurePassConfig config;
    std::string newDay;
    const DisclosureScan scan = m_rows.Scan();
    {
        const std::lock_guard hold(m_lock);
        const std::string today = FormatDate(m_clock.Now());
        if (m_followingToday && scan.date != today)
            newDay = today;
        config.programFolder = m_programFolder;
        config.listBase = m_settings.disclosureListBase;
        config.date = scan.date;
        config.today = newDay.empty() ? today : scan.date;
        config.downloadDocuments = m_settings.downloadDocuments;
        config.scan = scan.count;
    }
    HttpSession session(&m_stop);
    PassReport report;
    report.kind = PassKind::Disclosure;
    report.newDisclosures = DisclosurePass(*this, config, session);
    report.pagesFetched = session.PagesReceived();
    m_observer.PassFinished(report);
    if (newDay.empty() || m_stop.IsRaised())
        return;
    ChangeDisclosureDate(newDay, EditFrom::Pass);
    m_observer.DisclosureDayChanged(newDay);
}

void Watcher::FollowToday(bool following)
{
    {
        const std::lock_guard hold(m_lock);
        m_followingToday = following;
    }
    if (following && m_rows.Scan().date != FormatDate(m_clock.Now()))
        RequestDisclosurePass();
}

void Watcher::ChooseDisclosureDate(const std::string& date)
{
    ChangeDisclosureDate(date, EditFrom::Owner);
}

void Watcher::ChangeDisclosureDate(const std::string& date, EditFrom from)
{
    m_rows.ChooseDisclosureDate(date, from);
    RemoveStaleTemporaryFilesOfDate(m_programFolder, date, m_startTime);
    RequestDisclosurePass();
}

void Watcher::ClearRowDisclosures()
{
    m_rows.ClearDisclosures();
}

std::string Watcher::DisclosureDate() const
{
    return m_rows.Scan().date;
}

StockDisclosures Watcher::DisclosuresOfRow(std::size_t row) const
{
    return DisclosuresOf(m_rows.Cell(row, ColCode), m_rows.Scan().date);
}

StockDisclosures Watcher::DisclosuresOfStock(const std::string& code) const
{
    return DisclosuresOf(code, m_rows.Scan().date);
}

StockDisclosures Watcher::DisclosuresOf(const std::string& code, const std::string& date) const
{
    const std::lock_guard hold(m_lock);
    return {m_programFolder, date, code, m_settings.downloadDocuments, m_settings.disclosurePortal,
            m_settings.disclosureListBase};
}

int Watcher::BusyWorkers() const
{
    int busy = 0;
    for (const RepeatingWorker* worker : {&m_quoteWorker, &m_disclosureWorker})
        busy += worker->IsBusy() ? 1 : 0;
    return busy + (m_lookup.IsBusy() ? 1 : 0) + (m_mailer.IsBusy() ? 1 : 0);
}

std::string Watcher::StatusText() const
{
    return m_status.Text();
}

bool Watcher::LayoutWarning() const
{
    return m_status.LayoutWarning();
}

bool Watcher::QuotesBlind() const
{
    return m_status.Blind();
}

void Watcher::OnQuoteTick()
{
    if (IsMarketOpen(m_clock.Now()))
        RequestQuotePass();
}

void Watcher::OnPriceMailTick()
{
    m_mailer.OnPriceMailTick();
}

std::optional<std::chrono::milliseconds> Watcher::OnMarketCloseMailTick()
{
    return m_mailer.OnMarketCloseMailTick();
}

MailTimerPlan Watcher::MailTimersAtStart() const
{
    return m_mailer.MailTimersAtStart();
}

MailTimerPlan Watcher::MailTimersAtConfirm() const
{
    return m_mailer.MailTimersAtConfirm();
}

void Watcher::SendPriceMail()
{
    m_mailer.SendPriceMail();
}

void Watcher::SendTestMail(const MailAccount& account)
{
    m_mailer.SendTestMail(account);
}

MailSettingsFields Watcher::MailSettings() const
{
    const Settings s = CurrentSettings();
    return {s.mailAddress, s.smtpServer, s.disclosureMailOn, s.priceMailOn, s.priceMailInterval,
            s.smtpUser, s.smtpPassword, s.alertMailOn};
}

void Watcher::ApplyMailSettings(const MailSettingsFields& fields)
{
    ChangeSettings([&](Settings& s) {
        s.mailAddress = fields.mailAddress;
        s.smtpServer = fields.smtpServer;
        s.disclosureMailOn = fields.disclosureMailOn;
        s.priceMailOn = fields.priceMailOn;
        s.priceMailInterval = fields.priceMailInterval;
        s.smtpUser = fields.smtpUser;
        s.smtpPassword = fields.smtpPassword;
        s.alertMailOn = fields.alertMailOn;
    });
}

std::string Watcher::PriceMailStatus() const
{
    return m_mailer.PriceMailStatus();
}

std::string Watcher::DisclosureMailStatus() const
{
    return m_mailer.DisclosureMailStatus();
}

void Watcher::OnOutboxTick()
{
    m_mailer.OnOutboxTick();
}

void Watcher::SetMailPasswordReady(bool ready)
{
    m_mailer.SetMailPasswordReady(ready);
}

std::size_t Watcher::WaitingMails() const
{
    return m_mailer.WaitingMails();
}

std::vector<DisclosureReport> Watcher::PendingNotices()
{
    const LocalTime now = m_clock.Now();
    std::vector<DisclosureReport> reports;
    for (PendingNotice& notice : TakePendingNotices(m_programFolder, FormatDate(now.year, now.month, now.day), m_startTime)) {
        const std::size_t row = m_rows.RowOf(notice.code);
        reports.push_back(
            {row, std::move(notice.code), std::move(notice.entryText), std::move(notice.id), std::move(notice.figures)});
    }
    return reports;
}

void Watcher::NoticeShown(const DisclosureReport& report)
{
    RemovePendingNotice(m_programFolder, report.noticeId);
}

bool Watcher::Stopping()
{
    return m_stop.IsRaised();
}

void Watcher::SetProgressText(const std::string& text)
{
    m_status.SetQuoteProgress(text);
}

std::string Watcher::EntryCode(std::uint64_t& serial)
{
    return m_lookup.Code(serial);
}

int Watcher::EntryMarket()
{
    return m_lookup.Market();
}

void Watcher::StoreEntryQuote(std::uint64_t serial, const EntryQuote& quote)
{
    m_lookup.StoreQuote(serial, quote);
}

void Watcher::ReportIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText)
{
    m_status.SetIndex(index, valueText, changeText);
    m_observer.IndexChanged(index, valueText, changeText);
}

std::optional<QuotePassTarget::Row> Watcher::ReadRow(std::size_t row)
{
    const std::optional<WatchList::Cells> cells = m_rows.RowCells(row);
    if (!cells)
        return std::nullopt;
    return Row{(*cells)[ColCode], (*cells)[ColMarket]};
}

// Only a quote taken while the market is open counts for the alerts.
void Watcher::StoreRowQuote(std::size_t row, const std::string& code, const QuoteValues& values, const std::string& trend)
{
    const LocalTime now = m_clock.Now();
    const std::optional<std::string> alertDate = IsMarketOpen(now) ? std::optional(FormatDate(now)) : std::nullopt;
    if (std::optional<AlertFiring> firing = m_rows.StoreRowQuote(row, code, values, trend, alertDate))
        m_passFirings.push_back(std::move(*firing));
}

// A record that cannot be written loses those points of the chart, nothing
// the list shows.
void Watcher::RecordDayQuote(const std::string& code, const QuoteValues& values)
{
    zelmora::RecordDayQuote(m_programFolder, m_clock.Now(), code, values);
}

void Watcher::SetDisclosureRunning(bool running)
{
    m_status.SetDisclosureRunning(running);
}

std::vector<std::string> Watcher::RowCodes()
{
    return m_rows.Codes();
}

bool Watcher::RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code, const std::string& entryText)
{
    return m_rows.RecordDisclosureHit(scan, row, code, entryText);
}

// The mail's file and the notice's are written even while the program
// closes: that is what keeps them. A notice that cannot be written is still
// shown now; only a close right away would lose it.
bool Watcher::KeepNewDisclosure(const std::string& date, const std::string& code, const std::string& entryText,
                                const std::string& documentAddress, const std::string& figures)
{
    const std::string id = DisclosureId(date, code, entryText);
    if (Unrecorded(id))
        return true;
    WritePendingNotice(m_programFolder, {id, date, code, entryText, figures});
    return m_mailer.KeepDisclosureMail(id, code, entryText, documentAddress, figures);
}

void Watcher::NewDisclosureRecorded(std::size_t row, const std::string& date, const std::string& code,
                                    const std::string& entryText, const std::string& figures)
{
    if (Unrecorded(DisclosureId(date, code, entryText)))
        return;
    m_mailer.OnOutboxTick();
    m_observer.DisclosureFound({row, code, entryText, DisclosureId(date, code, entryText), figures});
}

void Watcher::HistoryNotWritten(const std::string& path, const std::string& date, const std::string& code,
                                const std::string& entryText)
{
    {
        const std::lock_guard hold(m_lock);
        m_unrecorded.insert(DisclosureId(date, code, entryText));
    }
    m_status.SetHistoryError(texts::Format(texts::HistoryWriteErrorFormat, path));
}

bool Watcher::Unrecorded(const std::string& id) const
{
    const std::lock_guard hold(m_lock);
    return m_unrecorded.count(id) > 0;
}

} // namespace zelmora
