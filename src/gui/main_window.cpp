#include "gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <array>
#include <cstdint>

#include "core/disclosure/date_list.h"
#include "core/links/link_template.h"
#include "core/schedule/market_hours.h"
#include "core/settings/profile_file.h"
#include "core/version.h"
#include "gui/art.h"
#include "gui/command_ids.h"
#include "gui/dialog_template.h"
#include "gui/delayed_tool_tip.h"
#include "gui/dialog_units.h"
#include "gui/link_labels.h"
#include "gui/sjis_qstring.h"
#include "gui/watch_list_model.h"

namespace zelmora {
namespace {

// The frame may be dragged wider, never narrower than this, and never to
// another height (pixels, frame included).
constexpr int kMinWindowWidth = 640;
constexpr int kWindowHeight = 353;

// The list keeps this margin to the right edge of the client area, and the
// memo column gets what the fixed columns leave.
constexpr int kListRightMargin = 13;
constexpr int kMemoColumnOffset = 608;
constexpr int kMemoColumnOffsetInList = 595;

constexpr std::array<int, ColMemo> kColumnWidths = {37, 134, 45, 46, 56, 53, 49, 68, 26, 75};

} // namespace

MainWindow::MainWindow(std::string programFolder, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_programFolder(std::move(programFolder)), m_clock(clock)
{
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("ZELMORA株価"));
    CreateControls();
    setWindowIcon(ProgramIcon());
    CreateTimers();
    ConnectControls();
    m_linkLabels = new LinkLabels(m_controls, this);
    ConnectTray();
    ConnectMenusAndKeys();
}

// A pass never waits for this thread, so joining ends within the network
// time-outs.
MainWindow::~MainWindow()
{
    for (std::thread& worker : m_workerThreads)
        worker.join();
}

void MainWindow::CreateControls()
{
    const DialogUnits units(font());
    resize(std::max(units.X(kDialogWidth), kMinWindowWidth), kWindowHeight);
    m_controls = CreateTemplateControls(MainDialogTemplate(), this);
    m_list = static_cast<QTableView*>(m_controls.at(IDC_LIST));
    m_intervalSpin = static_cast<QSpinBox*>(m_controls.at(IDC_INTERVAL_SPIN));
    m_marketCombo = static_cast<QComboBox*>(m_controls.at(IDC_MARKET));

}

void MainWindow::ConnectControls()
{
    auto* code = static_cast<QLineEdit*>(m_controls.at(IDC_CODE));
    connect(code, &QLineEdit::textChanged, this, [this](const QString& text) {
        const std::lock_guard hold(m_rowsLock);
        m_codeText = ToSjis(text);
    });
    connect(m_marketCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        const std::lock_guard hold(m_rowsLock);
        m_entryMarket = index;
    });
    auto* buddy = static_cast<QLineEdit*>(m_controls.at(IDC_INTERVAL_EDIT));
    connect(m_intervalSpin, &QSpinBox::valueChanged, buddy, [buddy](int value) { buddy->setText(QString::number(value)); });

    auto* connectButton = static_cast<QPushButton*>(m_controls.at(IDC_CONNECT));
    auto* disconnectButton = static_cast<QPushButton*>(m_controls.at(IDC_DISCONNECT));
    connect(connectButton, &QPushButton::clicked, this, [this, disconnectButton] {
        ConnectPolling();
        disconnectButton->setFocus();
        activateWindow();
    });
    connect(disconnectButton, &QPushButton::clicked, this, [this, connectButton] {
        DisconnectPolling();
        connectButton->setFocus();
        activateWindow();
    });
    ConnectDisclosureControls();
}

void MainWindow::CreateTimers()
{
    for (int id = 0; id < TimerCount; ++id) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
        m_timers[static_cast<std::size_t>(id)] = timer;
    }
}

bool MainWindow::IsTimerActive(int id) const
{
    return m_timers.at(static_cast<std::size_t>(id))->isActive();
}

int MainWindow::TimerInterval(int id) const
{
    return m_timers.at(static_cast<std::size_t>(id))->interval();
}

void MainWindow::OnTimer(int id)
{
    switch (id) {
    case QuoteTimer:
        if (IsMarketOpen(m_clock.Now()))
            StartQuotePass();
        break;
    case TrayRefreshTimer:
        if (m_watchList.RowCount() > 0) {
            ClampTrayRow();
            UpdateTrayIcon();
        }
        break;
    case TrayFirstTextTimer:
        // Once: its tip always holds text.
        m_timers[TrayFirstTextTimer]->stop();
        if (m_watchList.RowCount() > 0) {
            ClampTrayRow();
            UpdateTrayIcon();
        }
        break;
    case DisclosureTimer:
        StartDisclosurePass();
        break;
    case DateSettleTimer:
        OnDateSettled();
        break;
    case PriceMailTimer:
        OnPriceMailTimer();
        break;
    case MarketCloseMailTimer:
        OnMarketCloseMailTimer();
        break;
    default:
        break;
    }
}

void MainWindow::ConnectPolling()
{
    if (m_watchList.RowCount() == 0 || m_connected != 0)
        return;
    m_connected = 1;
    m_controls.at(IDC_CONNECT)->setEnabled(false);
    m_controls.at(IDC_DISCONNECT)->setEnabled(true);
    m_timers[QuoteTimer]->start(m_intervalSpin->value() * 1000);
    m_timers[DisclosureTimer]->start(kDisclosurePeriod);
}

void MainWindow::DisconnectPolling()
{
    if (m_connected != 1)
        return;
    m_connected = 0;
    m_controls.at(IDC_CONNECT)->setEnabled(true);
    m_controls.at(IDC_DISCONNECT)->setEnabled(false);
    m_timers[QuoteTimer]->stop();
    m_timers[DisclosureTimer]->stop();
}

QWidget* MainWindow::Control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void MainWindow::SetControlText(int id, const std::string& sjis)
{
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(ToQString(sjis));
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(ToQString(sjis));
}

void MainWindow::OnInitDialog()
{
    m_titleText = FormatTitle(ReadFileVersion());
    setWindowTitle(ToQString(m_titleText));
    m_ignoreCodeChange = 0;
    m_connected = 0;

    for (const std::string& market : MarketNames())
        m_marketCombo->addItem(ToQString(market));
    m_marketCombo->setCurrentIndex(0);
    m_dragging = 0;
    m_dragIndex = 0;

    SetUpList();
    ConnectEditing();
    ConnectIndexLinks();
    m_intervalSpin->setRange(kMinQuoteIntervalSeconds, kMaxQuoteIntervalSeconds);
    m_intervalSpin->setValue(kDefaultQuoteIntervalSeconds);

    LoadSettings();
    LinkLists links = LoadLinkLists(m_programFolder);
    m_indexLinks = std::move(links.indexLinks);
    m_stockLinks = std::move(links.stockLinks);

    m_disclosureListBase = m_settings.m_disclosureListBase;
    m_disclosurePortal = m_settings.m_disclosurePortal;
    const LocalTime now = m_clock.Now();
    m_disclosureDate = FormatDate(now.year, now.month, now.day);
    FillDateCombo();

    // The first pass starts once the window is up, so it sees the selected
    // row in the entry row.
    Post([this] { StartQuotePass(); });
    StartDisclosurePass();
    ConnectPolling();
    m_inTray = 0;
    if (m_settings.m_startInTray == 1) {
        GoToTrayAtStart();
    } else {
        SelectRow(m_settings.m_selectedItem);
        show();
    }
    ArmMailTimersAtStart(now);
}

void MainWindow::SetUpList()
{
    m_model = new WatchListModel(m_watchList, this);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    // A dragged row scrolls the list by pixels near the window's edges.
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->viewport()->installEventFilter(this);
    // Columns are as narrow as the fixed widths say; show what fits, as a
    // plain list does, rather than an ellipsis.
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setStyleSheet(QStringLiteral("QTableView::item { padding: 0px 1px; }"));
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    // Keep the selection visible while another control has the focus.
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Active, QPalette::HighlightedText));
    m_list->setPalette(palette);

    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < ColMemo; ++column)
        m_list->setColumnWidth(column, kColumnWidths[static_cast<std::size_t>(column)]);
    m_list->setColumnWidth(ColMemo, std::max(0, m_list->width() - kMemoColumnOffsetInList));

    m_list->setToolTip(QStringLiteral("ダブルクリックでリンク表示"));
    new DelayedToolTip(*m_list);
}

void MainWindow::LoadSettings()
{
    const LoadedSettings loaded = zelmora::LoadSettings(ProfileFile::Load(SettingsFilePath(m_programFolder)));
    m_settings = loaded.settings;
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.Load(loaded.rows);
    }
    m_model->Reload();
    SetControlText(IDC_DISCLOSURE_MAIL_STATUS, DisclosureMailStatusText(m_settings));
    SetControlText(IDC_PRICE_MAIL_STATUS, PriceMailStatusText(m_settings));
}

void MainWindow::SaveSettings()
{
    SaveSettingsFile(SettingsFilePath(m_programFolder), m_settings, m_watchList.StoredRows());
}

void MainWindow::FillDateCombo()
{
    auto* combo = static_cast<QComboBox*>(m_controls.at(IDC_DATE));
    // Filling is no choice of the user's: no date change.
    const QSignalBlocker quiet(combo);
    combo->clear();
    const LocalTime now = m_clock.Now();
    for (const std::string& date : DateList(now.year, now.month, now.day))
        combo->addItem(QString::fromStdString(date));
    combo->setCurrentIndex(0);
}

void MainWindow::SelectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_list->selectRow(row);
    m_list->setFocus();
}

// Closing stops the timers and hides the window at once; running passes end
// after the page they are fetching, queued ones fetch nothing, a mail being
// sent gets its exchange's time-out, and the settings are saved when the last
// of them has finished, so no pass or mail outlives the window.
void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_shuttingDown) {
        m_shuttingDown = true;
        for (QTimer* timer : m_timers)
            timer->stop();
        RemoveTrayIcon();
        hide();
    }
    if (!m_workerThreads.empty()) {
        event->ignore();
        return;
    }
    FinishShutdown();
    event->accept();
}

void MainWindow::FinishShutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    SaveSettings();
    emit ShutdownFinished();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ApplySizeLimits();
    LayOutList(width());
}

// The limits count the frame, which is known only once the window is shown.
void MainWindow::ApplySizeLimits()
{
    const int frameWidth = frameGeometry().width() - width();
    const int frameHeight = frameGeometry().height() - height();
    setMinimumWidth(kMinWindowWidth - frameWidth);
    setFixedHeight(kWindowHeight - frameHeight);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutList(width());
}

void MainWindow::LayOutList(int clientWidth)
{
    if (!m_list || !m_list->isVisible())
        return;
    m_list->resize(clientWidth - kListRightMargin, m_list->height());
    const auto memoWidth = static_cast<std::int16_t>(clientWidth - kMemoColumnOffset);
    m_list->setColumnWidth(ColMemo, std::max<int>(0, memoWidth));
}

} // namespace zelmora
