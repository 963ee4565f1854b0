// The disclosure side of the main window: passes over the exchange's
// listings on threads of their own, the date combo, the disclosure column
// and opening a stock's recorded disclosures.

#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "core/disclosure/date_list.h"
#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/mail/notification_mails.h"
#include "core/text/sjis.h"
#include "core/text/texts.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui/sjis_qstring.h"
#include "gui/watch_list_model.h"

namespace zelmora {

void MainWindow::ConnectDisclosureControls()
{
    auto* check = static_cast<QPushButton*>(m_controls.at(IDC_DISCLOSURE_CHECK));
    connect(check, &QPushButton::clicked, this, [this] { StartDisclosurePass(); });
    auto* dates = static_cast<QComboBox*>(m_controls.at(IDC_DATE));
    connect(dates, &QComboBox::currentIndexChanged, this, [this](int index) { OnDateSelected(index); });
    connect(m_list, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OnListDoubleClick(index.row(), index.column()); });
}

void MainWindow::StartDisclosurePass()
{
    StartWorker([this, config = MakeDisclosurePassConfig()] {
        {
            const std::lock_guard hold(m_disclosureLock);
            DisclosurePass(*this, config);
        }
        Post([this] { emit DisclosurePassFinished(); });
    });
}

DisclosurePassConfig MainWindow::MakeDisclosurePassConfig() const
{
    const LocalTime now = m_clock.Now();
    DisclosurePassConfig config;
    config.programFolder = m_programFolder;
    config.listBase = m_disclosureListBase;
    config.date = m_disclosureDate;
    config.today = FormatDate(now.year, now.month, now.day);
    config.downloadDocuments = m_settings.m_orvekUse == 1;
    config.mailOn = m_settings.m_disclosureMailOn == 1;
    config.scan = m_disclosureScan;
    return config;
}

// A new date forgets the old date's disclosures at once; the pass for it
// starts when the choice has rested for a second.
void MainWindow::OnDateSelected(int index)
{
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.ClearDisclosures();
        ++m_disclosureScan;
    }
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_model->RowChanged(row);
    m_dateComboSel = index;
    m_timers[DateSettleTimer]->start(kDateSettlePeriod);
}

void MainWindow::OnDateSettled()
{
    m_timers[DateSettleTimer]->stop();
    auto* dates = static_cast<QComboBox*>(m_controls.at(IDC_DATE));
    if (dates->currentIndex() != m_dateComboSel)
        return;
    m_disclosureDate = ToSjis(dates->currentText());
    StartDisclosurePass();
}

void MainWindow::ShowDisclosureProgress(bool running)
{
    Post([this, running] {
        m_disclosureRunning = running;
        ShowProgress();
    });
}

// Both kinds of pass share the label; one ending must not hide the other.
void MainWindow::ShowProgress()
{
    SetControlText(IDC_PROGRESS, m_disclosureRunning ? texts::Sjis(texts::DataFetching) : m_quoteProgress);
}

std::vector<std::string> MainWindow::RowCodes()
{
    const std::lock_guard hold(m_rowsLock);
    std::vector<std::string> codes;
    for (std::size_t row = 0; row < m_watchList.RowCount(); ++row)
        codes.push_back(m_watchList.Cell(row, ColCode));
    return codes;
}

// The stores are the pass's to append to under the short lock; the marker
// cell, like every cell, is written on the window's thread.
bool MainWindow::ShowDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code,
                                   const std::string& entryText, const std::string& documentPath)
{
    auto holdsStock = [this, scan, row, code] {
        return scan == m_disclosureScan && row < m_watchList.RowCount() && m_watchList.Cell(row, ColCode) == code;
    };
    bool added = false;
    {
        const std::lock_guard hold(m_rowsLock);
        if (!holdsStock())
            return false;
        std::vector<std::string>& entries = m_watchList.m_rowDisclosures[row];
        if (std::find(entries.begin(), entries.end(), entryText) == entries.end()) {
            entries.push_back(entryText);
            m_watchList.m_rowDocPaths[row].push_back(documentPath);
            added = true;
        }
    }
    Post([this, row, holdsStock] {
        {
            const std::lock_guard hold(m_rowsLock);
            if (!holdsStock())
                return;
            m_watchList.SetCell(row, ColDisclosure, texts::Sjis(texts::DisclosureMarker));
        }
        m_model->RowChanged(static_cast<int>(row));
    });
    return added;
}

// Called on the pass thread, which the blocking send may hold.
void MainWindow::SendDisclosureMail(const std::string& code, const std::string& entryText)
{
    SendMail(MailKind::Disclosure, DisclosureMailSubject(code), DisclosureMailBody(entryText));
}

void MainWindow::OnListDoubleClick(int row, int column)
{
    if (row < 0 || row != FirstSelectedRow())
        return;
    if (column >= ColCode && column <= ColTrend)
        OpenRowLink(row);
    else if (column == ColDisclosure)
        OpenDisclosure(row);
    else if (column == ColMemo)
        m_controls.at(IDC_MEMO)->setFocus();
}

// The first recorded disclosure of the chosen date: the local copy when
// documents are downloaded, else its web address; the exchange's portal
// when nothing is recorded.
void MainWindow::OpenDisclosure(int row)
{
    const std::string code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
    const std::vector<std::string> lines = ReadHistoryLines(HistoryFilePath(m_programFolder, m_disclosureDate, code));
    if (lines.empty()) {
        OpenWebPage(m_disclosurePortal);
        return;
    }
    const std::string& first = lines.front();
    const std::size_t separator = FindSjis(first, "_");
    const std::string address = separator == npos ? first : first.substr(separator + 1);
    if (m_settings.m_orvekUse == 1) {
        const std::string local = LocalDocumentPath(m_programFolder, m_disclosureDate, code, address);
        std::error_code ignored;
        if (!local.empty() && std::filesystem::is_regular_file(std::filesystem::path(local), ignored))
            OpenLocalFile(local);
        return;
    }
    if (!address.empty())
        OpenWebPage(address);
}

} // namespace zelmora
