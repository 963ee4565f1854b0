// The quote pass side of the main window: starting passes on their own
// threads and carrying their results to the window's thread.

#include <QLabel>
#include <QLineEdit>

#include "core/text/texts.h"
#include "gui/dialog_template.h"
#include "gui/main_window.h"
#include "gui/watch_list_model.h"

namespace zelmora {
namespace {

constexpr std::array<int, 4> kIndexValueLabels = {IDC_INDEX1, IDC_INDEX2, IDC_INDEX3, IDC_INDEX4};
constexpr std::array<int, 4> kIndexChangeLabels = {IDC_INDEX1_CHANGE, IDC_INDEX2_CHANGE, IDC_INDEX3_CHANGE, IDC_INDEX4_CHANGE};

constexpr std::array<Column, QuoteValueCount> kRowColumns = {ColName, ColTime, ColPrice, ColChange, ColRate, ColVolume};

} // namespace

void MainWindow::StartQuotePass()
{
    StartWorker([this, config = MakeQuotePassConfig(m_settings)] {
        {
            const std::lock_guard hold(m_quoteLock);
            QuotePass(*this, config);
        }
        Post([this] { emit QuotePassFinished(); });
    });
}

void MainWindow::StartWorker(std::function<void()> work)
{
    if (m_shuttingDown)
        return;
    try {
        m_workerThreads.emplace_back([this, work = std::move(work)] {
            work();
            const std::thread::id id = std::this_thread::get_id();
            Post([this, id] { OnWorkerFinished(id); });
        });
    } catch (const std::system_error&) {
        // No thread, no work: the next tick or edit tries again.
    }
}

void MainWindow::OnWorkerFinished(std::thread::id id)
{
    for (auto worker = m_workerThreads.begin(); worker != m_workerThreads.end(); ++worker) {
        if (worker->get_id() == id) {
            worker->join();
            m_workerThreads.erase(worker);
            break;
        }
    }
    if (m_workerThreads.empty() && m_shuttingDown)
        FinishShutdown();
}

void MainWindow::Post(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

bool MainWindow::Stopping()
{
    return m_shuttingDown;
}

void MainWindow::SetProgressText(const std::string& text)
{
    Post([this, text] {
        m_quoteProgress = text;
        ShowProgress();
    });
}

std::string MainWindow::EntryCode()
{
    const std::lock_guard hold(m_rowsLock);
    return m_codeText;
}

int MainWindow::EntryMarket()
{
    const std::lock_guard hold(m_rowsLock);
    return m_entryMarket;
}

void MainWindow::ShowEntryQuote(const QuoteValues& values, const std::string& trend)
{
    Post([this, values, trend] { FillEntryRow(values, trend); });
}

void MainWindow::ShowEntryNoData()
{
    Post([this] { FillEntryRowNoData(); });
}

void MainWindow::ShowIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText)
{
    Post([this, index, valueText, changeText] {
        SetControlText(kIndexValueLabels.at(index), valueText);
        SetControlText(kIndexChangeLabels.at(index), changeText);
    });
}

std::optional<QuotePassWindow::Row> MainWindow::ReadRow(std::size_t row)
{
    const std::lock_guard hold(m_rowsLock);
    if (row >= m_watchList.RowCount())
        return std::nullopt;
    return Row{m_watchList.Cell(row, ColCode), m_watchList.Cell(row, ColMarket)};
}

bool MainWindow::StoreRowQuote(std::size_t row, const std::string& record)
{
    const std::lock_guard hold(m_rowsLock);
    if (row >= m_watchList.m_rowQuotes.size())
        return false;
    m_watchList.m_rowQuotes[row] = record;
    return true;
}

// Rows may have been added, removed or moved while the page was fetched:
// the values go only to the row that still shows the stock they belong to.
void MainWindow::ShowRowQuote(std::size_t row, const std::string& code, const QuoteValues& values, const std::string& trend)
{
    Post([this, row, code, values, trend] {
        {
            const std::lock_guard hold(m_rowsLock);
            if (row >= m_watchList.RowCount() || m_watchList.Cell(row, ColCode) != code)
                return;
            for (std::size_t i = 0; i < values.size(); ++i)
                m_watchList.SetCell(row, kRowColumns[i], values[i]);
            m_watchList.SetCell(row, ColTrend, trend);
        }
        m_model->RowChanged(static_cast<int>(row));
    });
}

} // namespace zelmora
