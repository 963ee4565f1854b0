// Drawing what the watcher reports: rows, indices, the entry row, the
// status and mail labels, the charts of the day and the list's name tip;
// and the date list that chooses what it scans and charts.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "core/dayrecord/day_record.h"
#include "core/disclosure/date_list.h"
#include "gui/day_chart_window.h"
#include "gui/mail_settings_dialog.h"
#include "gui/sparkline.h"
#include "gui/main_window.h"
#include "session/session.h"
#include "gui/tray_controller.h"
#include "gui/watch_list_model.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr std::chrono::milliseconds kDateSettlePeriod{1'000};

// The price thresholds (上限, 下限) in yen; a rate has no line of its own.
std::vector<double> ThresholdPrices(const AlertThresholds& thresholds)
{
    std::vector<double> prices;
    for (const AlertCondition condition : {AlertCondition::Upper, AlertCondition::Lower}) {
        if (const auto price = thresholds.Of(condition))
            prices.push_back(static_cast<double>(*price) / kAlertUnit);
    }
    return prices;
}

} // namespace

void MainWindow::ShowIndex(int index, const std::string& valueText, const std::string& changeText)
{
    m_indexLabels.at(static_cast<std::size_t>(index))->setText(ToQString(valueText));
    m_indexChangeLabels.at(static_cast<std::size_t>(index))->setText(ToQString(changeText));
}

// Only the answer for the entry row as it is now counts; an answer for an
// earlier edit is moot.
void MainWindow::ShowEntryRow(const EntryReport& report)
{
    if (report.serial == m_entrySerial)
        FillEntryValues(report.values, report.trend);
}

void MainWindow::ShowStatus(const std::string& text)
{
    m_statusLabel->setText(ToQString(text));
}

void MainWindow::ShowMailResult(const MailReport& report)
{
    switch (report.kind) {
    case MailKind::Price:
        m_priceMailStatusLabel->setText(ToQString(report.statusText));
        break;
    case MailKind::Disclosure:
        if (report.givenUp)
            m_statusLabel->setText(ToQString(report.statusText));
        else
            m_disclosureMailStatusLabel->setText(ToQString(report.statusText));
        break;
    case MailKind::Test:
        if (m_mailDialog)
            m_mailDialog->ShowTestMailResult(report.statusText, report.failure);
        break;
    }
    emit MailFinished();
}

void MainWindow::OnPassFinished(const PassReport& report)
{
    switch (report.kind) {
    case PassKind::Quote:
        m_model->SetStale(report.blind);
        m_tray->Update();
        for (DayChartWindow* chart : OpenCharts())
            chart->Reload();
        emit QuotePassFinished();
        break;
    case PassKind::Disclosure:
        emit DisclosurePassFinished();
        break;
    case PassKind::Lookup:
        emit EntryRowLookedUp();
        break;
    }
}

// A new date hides the old date's disclosures at once; the date changes,
// and its pass starts, when the choice has rested for a second.
void MainWindow::OnDateSelected(int index)
{
    m_watcher->ClearRowDisclosures();
    m_dateComboSel = index;
    m_session->SetFollowingToday(false);
    m_dateSettleTimer.start(kDateSettlePeriod);
    ShowChartsOfDate();
}

void MainWindow::OnDateSettled()
{
    m_dateSettleTimer.stop();
    if (m_dateCombo->currentIndex() != m_dateComboSel)
        return;
    m_watcher->ChooseDisclosureDate(ToSjis(m_dateCombo->currentText()));
    // Today, chosen again, is followed into the next day as at the start.
    m_session->SetFollowingToday(m_watcher->DisclosureDate() == FormatDate(m_clock.Now()));
}

std::string MainWindow::ChosenDate() const
{
    return m_dateCombo->currentText().toStdString();
}

// A chart deletes itself soon after it closes: until then it is hidden.
QList<DayChartWindow*> MainWindow::OpenCharts() const
{
    QList<DayChartWindow*> charts = findChildren<DayChartWindow*>(Qt::FindDirectChildrenOnly);
    charts.removeIf([](const DayChartWindow* chart) { return chart->isHidden(); });
    return charts;
}

void MainWindow::ShowChartsOfDate()
{
    for (DayChartWindow* chart : OpenCharts())
        chart->ShowDate(ChosenDate());
}

void MainWindow::OpenDayChart(int row)
{
    const std::string code = m_model->Cell(row, ColCode);
    if (code.empty())
        return;
    for (DayChartWindow* chart : OpenCharts()) {
        if (chart->Code() == code) {
            chart->showNormal();
            chart->raise();
            chart->activateWindow();
            return;
        }
    }
    auto* chart = new DayChartWindow({m_watcher->ProgramFolder(), code, ToQString(m_model->Cell(row, ColName)),
                                      m_watcher->CurrentSettings().disclosureListBase},
                                     ChosenDate(), this);
    chart->show();
    ShowChartThresholds(row);
}

void MainWindow::ShowChartThresholds(int row)
{
    const std::string code = m_model->Cell(row, ColCode);
    for (DayChartWindow* chart : OpenCharts()) {
        if (chart->Code() == code)
            chart->SetThresholds(ThresholdPrices(m_watcher->AlertsOf(static_cast<std::size_t>(row))));
    }
}

// Read when the tip shows, so the records stay on disk until then.
QString MainWindow::NameTip(int row) const
{
    const std::string path = DayRecordPath(m_watcher->ProgramFolder(), ChosenDate(), m_model->Cell(row, ColCode));
    return SparklineTip(ToQString(m_model->Cell(row, ColName)), ReadDayRecord(path), m_list->fontMetrics(),
                        m_list->devicePixelRatioF());
}

} // namespace zelmora
