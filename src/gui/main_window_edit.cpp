// The entry row and the list's rows: typing a code, choosing a market and a
// row, adding, deleting, moving rows and their memos.

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

#include "gui/main_window.h"
#include "session/sjis_qstring.h"
#include "gui/tray_controller.h"
#include "gui/watch_list_model.h"
#include "session/watcher_timers.h"

namespace zelmora {

// A typed code of four bytes or more is looked up at once; its memo edit
// starts empty.
void MainWindow::OnCodeEdited(const QString& text)
{
    const std::string code = ToSjis(text);
    m_entrySerial = m_watcher->TypeEntryCode(code);
    if (code.size() >= kMinCodeLength)
        m_memoEdit->clear();
}

void MainWindow::OnMarketChosen(int index)
{
    m_entrySerial = m_watcher->ChooseEntryMarket(index);
}

// The selected row goes into the entry row, and the tray follows it.
void MainWindow::OnRowSelected()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const EntryRow entry = m_watcher->SelectRow(static_cast<std::size_t>(row));
    m_entrySerial = entry.serial;
    {
        const QSignalBlocker quiet(m_codeEdit);
        m_codeEdit->setText(ToQString(entry.code));
    }
    FillEntryValues(entry.values, entry.trend);
    m_memoEdit->setText(ToQString(m_model->Cell(row, ColMemo)));
}

void MainWindow::FillEntryValues(const QuoteValues& values, const std::string& trend)
{
    for (std::size_t i = 0; i < m_entryValueEdits.size(); ++i)
        m_entryValueEdits[i]->setText(ToQString(values[i]));
    m_trendEdit->setText(ToQString(trend));
}

// Emptying the code edit empties the watcher's entry row too.
void MainWindow::ClearEntryRow()
{
    m_codeEdit->clear();
    for (QLineEdit* edit : m_entryValueEdits)
        edit->clear();
    m_trendEdit->clear();
}

// Message boxes never hold up the window's own work.
void MainWindow::ShowMessage(texts::Id text)
{
    const QString message = ToQString(texts::Sjis(text));
    OpenDialog(new QMessageBox(QMessageBox::NoIcon, windowTitle(), message, QMessageBox::Ok, this));
}

// Before the selected row, or at the end; added while the typed code is
// still being looked up, the watcher adds it with the answer once that
// arrives, and reports it.
void MainWindow::AddToWatchList()
{
    const int selected = FirstSelectedRow();
    const std::size_t position = selected >= 0 ? static_cast<std::size_t>(selected) : static_cast<std::size_t>(m_model->rowCount());
    const AddResult result = m_watcher->AddEntryToList(position);
    const auto rows = static_cast<std::size_t>(m_model->rowCount());
    ShowAddResult({result, rows > 0 ? std::min(position, rows - 1) : 0});
}

void MainWindow::ShowAddResult(const AddReport& report)
{
    switch (report.result) {
    case AddResult::NoCode:
    case AddResult::Deferred:
        return;
    case AddResult::ListFull:
        ShowMessage(texts::ListFull);
        return;
    case AddResult::NoQuote:
        ShowMessage(texts::NoQuoteFound);
        return;
    case AddResult::Added:
        break;
    }
    // Polling starts over with the new row.
    StopPolling();
    RowsChanged(static_cast<int>(report.row));
    StartPolling();
    ClearEntryRow();
}

void MainWindow::DeleteWatchRow()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    m_watcher->DeleteRow(static_cast<std::size_t>(row));
    const int rows = m_model->rowCount();
    RowsChanged(row < rows ? row : rows - 1);
}

void MainWindow::DeleteAllWatchRows()
{
    m_watcherTimers->PauseQuotes();
    m_tray->StopRefresh();
    if (m_watcher->RowCount() == 0 || FirstSelectedRow() < 0)
        return;
    // Every stock and memo in one click: asked first, and "いいえ" by default.
    auto* box = new QMessageBox(QMessageBox::Question, windowTitle(),
                                QStringLiteral("リストの全銘柄とメモを削除しますか？"), QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box->button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->clickedButton() != box->button(QMessageBox::Yes))
            return;
        m_watcher->DeleteAllRows();
        RowsChanged(-1);
    });
    OpenDialog(box);
}

void MainWindow::MoveRow(int from, int to)
{
    m_watcher->MoveRow(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    RowsChanged(to);
}

// Rows came, went or moved, and the model has them already: the given row
// (if any) becomes the selected one, which copies it into the entry row.
void MainWindow::RowsChanged(int selectRow)
{
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

void MainWindow::StoreMemo(const QString& text)
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    m_watcher->SetMemo(static_cast<std::size_t>(row), ToSjis(text));
}

} // namespace zelmora
