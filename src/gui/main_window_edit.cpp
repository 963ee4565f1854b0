// The watch list editing side of the main window: looking up the typed code,
// adding, deleting, selecting rows and their memos.

#include <QItemSelectionModel>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "core/quotes/fetch_quote_record.h"
#include "core/quotes/quote_url.h"
#include "core/text/sjis.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui/sjis_qstring.h"
#include "gui/watch_list_model.h"

namespace zelmora {
namespace {

// Entry row controls in the order of the quote values, then the trend mark.
constexpr std::array<int, QuoteValueCount> kEntryValueControls = {IDC_NAME, IDC_TIME, IDC_PRICE, IDC_CHANGE, IDC_RATE, IDC_VOLUME};
constexpr std::array<Column, QuoteValueCount> kRowValueColumns = {ColName, ColTime, ColPrice, ColChange, ColRate, ColVolume};

// A new row takes at most this much of each entry row value; the next pass
// brings the whole text.
constexpr std::size_t kEntryCellBytes = 24;

// Selecting a row copies these cells into the entry row.
constexpr std::pair<Column, int> kRowToEntry[] = {
    {ColCode, IDC_CODE}, {ColName, IDC_NAME}, {ColTime, IDC_TIME}, {ColPrice, IDC_PRICE}, {ColChange, IDC_CHANGE},
    {ColRate, IDC_RATE}, {ColVolume, IDC_VOLUME}, {ColTrend, IDC_TREND}, {ColMemo, IDC_MEMO}};

} // namespace

void MainWindow::ConnectEditing()
{
    auto* code = static_cast<QLineEdit*>(m_controls.at(IDC_CODE));
    connect(code, &QLineEdit::textChanged, this, [this] { OnCodeChanged(); });
    connect(m_marketCombo, &QComboBox::currentIndexChanged, this, [this] { OnMarketChanged(); });
    connect(static_cast<QPushButton*>(m_controls.at(IDC_ADD)), &QPushButton::clicked, this, [this] { AddToWatchList(); });
    // Only what the user types is a memo; filling and emptying the edit is not.
    connect(static_cast<QLineEdit*>(m_controls.at(IDC_MEMO)), &QLineEdit::textEdited, this,
            [this](const QString& text) { StoreMemo(text); });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const int row = FirstSelectedRow();
        if (row >= 0)
            CopyRowToEntryRow(row);
    });
    for (int id : {IDC_CODE, IDC_MARKET, IDC_ADD})
        m_controls.at(id)->installEventFilter(this);
    m_list->installEventFilter(this);
}

void MainWindow::OnCodeChanged()
{
    if (m_ignoreCodeChange == 1) {
        m_ignoreCodeChange = 0;
        return;
    }
    ForgetEntryLookup();
    if (m_codeText.size() < kMinCodeLength)
        return;
    static_cast<QLineEdit*>(m_controls.at(IDC_MEMO))->clear();
    LookUpEntry();
}

void MainWindow::OnMarketChanged()
{
    ForgetEntryLookup();
    if (m_codeText.size() >= kMinCodeLength)
        LookUpEntry();
}

// The entry row no longer shows what a running lookup asked for.
void MainWindow::ForgetEntryLookup()
{
    ++m_lookupSerial;
    m_lookupRunning = false;
    m_addAfterLookup = false;
}

// The page is fetched on a worker so that a slow quote service never
// freezes the window; a newer lookup makes the older answer moot.
void MainWindow::LookUpEntry()
{
    const int serial = ++m_lookupSerial;
    m_lookupRunning = true;
    const std::size_t market = static_cast<std::size_t>(std::max(0, m_marketCombo->currentIndex())) % kMarketCount;
    const std::string address = BuildQuoteUrl(m_settings.m_quoteBaseUrl, m_codeText, m_settings.m_marketCodes[market]);
    StartWorker([this, serial, address, rules = m_settings.m_markerRules] {
        const FetchedQuote fetched = FetchQuoteRecord(address, rules);
        const QuoteValues values = SplitQuoteRecord(fetched.record);
        Post([this, serial, values, httpError = fetched.kind == FetchOutcome::HttpStatus] {
            if (httpError)
                SetControlText(IDC_PROGRESS, {});
            ApplyEntryLookup(serial, values);
        });
    });
}

void MainWindow::ApplyEntryLookup(int serial, const QuoteValues& values)
{
    if (serial != m_lookupSerial)
        return;
    m_lookupRunning = false;
    if (HasQuote(values[QuotePrice]))
        FillEntryRow(values, TrendMark(values[QuoteRate]));
    else
        FillEntryRowNoData();
    emit EntryRowLookedUp();
    if (std::exchange(m_addAfterLookup, false))
        AddToWatchList();
}

void MainWindow::FillEntryRow(const QuoteValues& values, const std::string& trend)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        SetControlText(kEntryValueControls[i], values[i]);
    SetControlText(IDC_TREND, trend);
}

void MainWindow::FillEntryRowNoData()
{
    for (int id : kEntryValueControls)
        SetControlText(id, texts::Sjis(texts::NoData));
    SetControlText(IDC_TREND, texts::Sjis(texts::NoData));
}

void MainWindow::ClearEntryRow()
{
    for (int id : kEntryValueControls)
        SetControlText(id, {});
    SetControlText(IDC_TREND, {});
}

std::string MainWindow::EntryText(int id) const
{
    const std::string text = ToSjis(static_cast<QLineEdit*>(m_controls.at(id))->text());
    return std::string(CutSjis(text, kEntryCellBytes));
}

void MainWindow::ShowMessage(texts::Id text)
{
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), ToQString(texts::Sjis(text)), QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::AddToWatchList()
{
    if (m_codeText.size() < kMinCodeLength)
        return;
    // Added while the typed code is still being looked up: add with its
    // answer, once it is in the entry row.
    if (m_lookupRunning) {
        m_addAfterLookup = true;
        return;
    }
    if (m_watchList.IsFull()) {
        ShowMessage(texts::ListFull);
        return;
    }
    QuoteValues values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = EntryText(kEntryValueControls[i]);
    const std::string trend = EntryText(IDC_TREND);
    if (!HasQuote(values[QuotePrice])) {
        ShowMessage(texts::NoQuoteFound);
        return;
    }

    DisconnectPolling();
    const int selected = FirstSelectedRow();
    const std::size_t position = selected >= 0 ? static_cast<std::size_t>(selected) : m_watchList.RowCount();
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.InsertRow(position, m_codeText);
        m_watchList.SetCell(position, ColMarket, ToSjis(m_marketCombo->currentText()));
        for (std::size_t i = 0; i < values.size(); ++i)
            m_watchList.SetCell(position, kRowValueColumns[i], values[i]);
        m_watchList.SetCell(position, ColTrend, trend);
    }
    RowsChanged(static_cast<int>(position));
    ConnectPolling();

    static_cast<QLineEdit*>(m_controls.at(IDC_CODE))->clear();
    ClearEntryRow();
    StartDisclosurePass();
}

void MainWindow::DeleteWatchRow()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.RemoveRow(static_cast<std::size_t>(row));
    }
    const int rows = static_cast<int>(m_watchList.RowCount());
    RowsChanged(row < rows ? row : rows - 1);
}

void MainWindow::DeleteAllWatchRows()
{
    m_timers[QuoteTimer]->stop();
    m_timers[TrayRefreshTimer]->stop();
    if (m_watchList.RowCount() == 0 || FirstSelectedRow() < 0)
        return;
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.Clear();
    }
    RowsChanged(-1);
}

// Rows came or went: the view follows, and the given row (if any) becomes
// the selected one, which copies it into the entry row.
void MainWindow::RowsChanged(int selectRow)
{
    m_model->Reload();
    if (selectRow >= 0 && selectRow < m_model->rowCount()) {
        m_list->selectRow(selectRow);
        m_list->setCurrentIndex(m_model->index(selectRow, 0));
    }
}

int MainWindow::FirstSelectedRow() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void MainWindow::CopyRowToEntryRow(int row)
{
    m_settings.m_selectedItem = row;
    ForgetEntryLookup();
    const std::string code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
    // Only a real change of the code edit reports back; ignore that one.
    m_ignoreCodeChange = ToQString(code) != static_cast<QLineEdit*>(m_controls.at(IDC_CODE))->text() ? 1 : 0;
    for (const auto& [column, id] : kRowToEntry)
        SetControlText(id, m_watchList.Cell(static_cast<std::size_t>(row), column));
}

void MainWindow::StoreMemo(const QString& text)
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.SetCell(static_cast<std::size_t>(row), ColMemo, ToSjis(text));
    }
    m_model->RowChanged(row);
}

} // namespace zelmora
