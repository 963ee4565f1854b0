#include "core/engine/watcher.h"

#include <cerrno>
#include <cstring>

#include "core/disclosure/date_list.h"
#include "core/settings/profile_file.h"
#include "core/text/sjis.h"

namespace zelmora {
namespace {

// A new row takes at most this much of each entry row value; the next pass
// brings the whole text.
constexpr std::size_t kEntryCellBytes = 24;

constexpr std::array<Column, QuoteValueCount> kValueColumns = {ColName, ColTime, ColPrice, ColChange, ColRate, ColVolume};

std::string EntryCell(const std::string& text)
{
    return std::string(CutSjis(text, kEntryCellBytes));
}

} // namespace

Watcher::Watcher(std::string programFolder, const Clock& clock, WatcherObserver& observer)
    : m_programFolder(std::move(programFolder)), m_clock(clock), m_observer(observer),
      m_outbox(m_programFolder),
      m_mail(m_stop, [this](MailKind kind, MailFailure failure) { OnMailSent(kind, failure); }, kMailLimits,
             [this] { return SendOutboxMail(); }),
      m_quoteWorker("zelmora-quotes", [this] { RunQuotePass(); }),
      m_disclosureWorker("zelmora-discl", [this] { RunDisclosurePass(); }),
      m_lookupWorker("zelmora-lookup", [this] { RunLookup(); })
{
    m_disclosureDate = FormatDate(m_clock.Now());
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
        m_rows.Load(loaded.rows);
        m_settingsReadAsUtf8 = loaded.readAsUtf8;
        m_mailPasswordReady = m_settings.m_smtpUser.empty() || !m_settings.m_smtpPassword.empty();
    }
    // What an earlier run could not send goes first.
    m_outbox.Load(m_startTime);
    OnOutboxTick();
}

bool Watcher::SettingsReadAsUtf8() const
{
    const std::lock_guard hold(m_lock);
    return m_settingsReadAsUtf8;
}

SaveResult Watcher::Save() const
{
    Settings settings;
    std::vector<StoredRow> rows;
    {
        const std::lock_guard hold(m_lock);
        settings = m_settings;
        rows = m_rows.StoredRows();
    }
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
    m_lookupWorker.Stop();
    m_mail.Stop();
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
    const std::lock_guard hold(m_lock);
    read(m_rows);
}

std::size_t Watcher::RowCount() const
{
    const std::lock_guard hold(m_lock);
    return m_rows.RowCount();
}

std::string Watcher::Cell(std::size_t row, Column column) const
{
    const std::lock_guard hold(m_lock);
    return row < m_rows.RowCount() ? m_rows.Cell(row, column) : std::string();
}

EntryRow Watcher::Entry() const
{
    const std::lock_guard hold(m_lock);
    return m_entry;
}

void Watcher::TypeEntryCode(const std::string& code)
{
    const std::lock_guard hold(m_lock);
    ++m_entry.serial;
    m_entry.code = code;
    m_entry.lookupRunning = false;
    if (code.size() >= kMinCodeLength)
        LookUpEntryLocked();
}

void Watcher::ChooseEntryMarket(int market)
{
    const std::lock_guard hold(m_lock);
    ++m_entry.serial;
    m_entry.market = market;
    m_entry.lookupRunning = false;
    if (m_entry.code.size() >= kMinCodeLength)
        LookUpEntryLocked();
}

// The page is fetched on the lookup worker; a newer lookup cancels the
// transfer of an older one, whose answer would be moot anyway.
void Watcher::LookUpEntryLocked()
{
    m_entry.lookupRunning = true;
    m_nextLookup = LookupRequest{m_entry.serial, m_entry.code, m_entry.market, MakeQuotePassConfig(m_settings)};
    m_lookupStop.Raise();
    m_lookupWorker.Request();
}

void Watcher::SelectRow(std::size_t row)
{
    bool edited = false;
    {
        const std::lock_guard hold(m_lock);
        if (row >= m_rows.RowCount())
            return;
        edited = m_settings.m_selectedItem != static_cast<int>(row);
        m_settings.m_selectedItem = static_cast<int>(row);
        ++m_entry.serial;
        m_entry.lookupRunning = false;
        m_entry.code = m_rows.Cell(row, ColCode);
        for (std::size_t i = 0; i < kValueColumns.size(); ++i)
            m_entry.values[i] = m_rows.Cell(row, kValueColumns[i]);
        m_entry.trend = m_rows.Cell(row, ColTrend);
    }
    if (edited)
        m_observer.SettingsEdited();
}

int Watcher::ClampSelectedRow()
{
    const std::lock_guard hold(m_lock);
    const int rows = static_cast<int>(m_rows.RowCount());
    if (rows > 0 && (m_settings.m_selectedItem < 0 || m_settings.m_selectedItem > rows - 1))
        m_settings.m_selectedItem = 0;
    return m_settings.m_selectedItem;
}

Watcher::AddResult Watcher::AddEntryToList(std::size_t position)
{
    {
        const std::lock_guard hold(m_lock);
        if (m_entry.code.size() < kMinCodeLength)
            return AddResult::NoCode;
        if (m_entry.lookupRunning)
            return AddResult::Deferred;
        if (m_rows.IsFull())
            return AddResult::ListFull;
        if (!HasQuote(m_entry.values[QuotePrice]))
            return AddResult::NoQuote;
        position = std::min(position, m_rows.RowCount());
        m_rows.InsertRow(position, m_entry.code);
        const std::size_t market = static_cast<std::size_t>(std::max(0, m_entry.market)) % kMarketCount;
        m_rows.SetCell(position, ColMarket, MarketNames()[market]);
        for (std::size_t i = 0; i < kValueColumns.size(); ++i)
            m_rows.SetCell(position, kValueColumns[i], EntryCell(m_entry.values[i]));
        m_rows.SetCell(position, ColTrend, EntryCell(m_entry.trend));
        // The entry row empties for the next stock; its market stays chosen.
        EntryRow next;
        next.market = m_entry.market;
        next.serial = m_entry.serial + 1;
        m_entry = std::move(next);
    }
    m_observer.SettingsEdited();
    RequestDisclosurePass();
    return AddResult::Added;
}

void Watcher::DeleteRow(std::size_t row)
{
    {
        const std::lock_guard hold(m_lock);
        m_rows.RemoveRow(row);
    }
    m_observer.SettingsEdited();
}

void Watcher::DeleteAllRows()
{
    {
        const std::lock_guard hold(m_lock);
        m_rows.Clear();
    }
    m_observer.SettingsEdited();
}

void Watcher::MoveRow(std::size_t from, std::size_t to)
{
    {
        const std::lock_guard hold(m_lock);
        m_rows.MoveRow(from, to);
    }
    m_observer.SettingsEdited();
}

void Watcher::SetMemo(std::size_t row, const std::string& memo)
{
    {
        const std::lock_guard hold(m_lock);
        if (row >= m_rows.RowCount())
            return;
        m_rows.SetCell(row, ColMemo, memo);
    }
    m_observer.SettingsEdited();
}

} // namespace zelmora
