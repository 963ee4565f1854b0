#include "gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTableView>
#include <QToolTip>

#include "core/disclosure/date_list.h"
#include "core/disclosure/earnings_file.h"
#include "core/quotes/quote_pass.h"
#include "core/settings/settings.h"
#include "core/version.h"
#include "gui/art.h"
#include "gui/control_fitting.h"
#include "gui/day_chart_window.h"
#include "gui/delayed_tool_tip.h"
#include "gui/desktop_notifier.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/link_labels.h"
#include "gui/list_menus.h"
#include "gui/list_row_dragger.h"
#include "gui/tray_controller.h"
#include "gui/tray_icon.h"
#include "gui/tray_menu.h"
#include "session/mail_password_store.h"
#include "session/session.h"
#include "session/sjis_qstring.h"
#include "gui/watch_list_model.h"
#include "session/watcher_signals.h"
#include "session/watcher_timers.h"

namespace zelmora {
namespace {

// The frame may be dragged wider, never narrower than this, and taller,
// never lower than the layout's own height.
constexpr int kMinWindowWidth = 640;

// The list keeps this margin to the right edge of the client area, and the
// memo column gets what the fixed columns leave.
constexpr int kListRightMargin = 13;

// The price mail intervals whose status texts are the widest: after the
// close, and a whole day.
constexpr int kPriceMailAfterClose = 300;
constexpr int kLongestPriceMailMinutes = 24 * 60;

constexpr std::array<int, ColMemo> kColumnWidths = {37, 134, 45, 46, 56, 53, 49, 68, 26, 75};

// The memo column keeps at least what it has in the least window.
constexpr int kMinMemoWidth = 32;

// The widest quote values, in the order of a quote record; a name has no
// widest.
constexpr std::array<const char*, QuoteValueCount> kWidestValues = {"", "15:00", "99,999.99", "-9,999.99", "-99.99%",
                                                                      "999,999,999"};
// An index code, the longest code a row is likely to hold.
constexpr char kWidestCode[] = "998407";

QStringList TrendMarks()
{
    return {ToQString(texts::Sjis(texts::TrendRising)), ToQString(texts::Sjis(texts::TrendFalling)),
            ToQString(texts::Sjis(texts::TrendFlat))};
}

QString WidestValue(int value)
{
    return QString::fromLatin1(kWidestValues[static_cast<std::size_t>(value)]);
}

} // namespace

MainWindow::MainWindow(std::string programFolder, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_clock(clock), m_session(new Session(std::move(programFolder), clock, this)),
      m_events(&m_session->Signals()), m_watcher(&m_session->Engine()), m_watcherTimers(&m_session->Timers()),
      m_mailPasswords(&m_session->MailPasswords())
{
    setFont(DialogFont());
    // Every tip, the tray's among them, in the window's face.
    QToolTip::setFont(DialogFont());
    setWindowTitle(QStringLiteral("ZELMORA株価"));
    CreateControls();
    setWindowIcon(ProgramIcon());
    m_linkLabels = new LinkLabels(m_indexLabels, m_indexChangeLabels, *m_verUpLabel, this);
    m_listMenus = new ListMenus(*m_list, *m_watcher, m_links.stockLinks, *this);
    ConnectControls();
    ConnectWatcher();
    m_tray = new TrayController(*this, *m_watcher, *m_indexLabels[0], *m_indexChangeLabels[0]);
    TrayMenu& trayMenu = m_tray->Icon().Menu();
    connect(&trayMenu, &TrayMenu::StartInTrayToggled, this, &MainWindow::ToggleStartInTray, Qt::QueuedConnection);
    connect(&trayMenu, &TrayMenu::CloseChosen, this, &QWidget::close, Qt::QueuedConnection);
    connect(m_tray, &TrayController::Restored, this, [this] { SelectRow(m_watcher->CurrentSettings().selectedRow); });
    connect(m_tray, &TrayController::RowPageRequested, this, &MainWindow::OpenRowLink);
    // New disclosures of today also show on the desktop.
    auto* notifier = new DesktopNotifier(*m_watcher, m_tray->Icon(), this);
    connect(m_events, &WatcherSignals::NewDisclosure, notifier, &DesktopNotifier::OnDisclosureFound);
    connect(m_events, &WatcherSignals::AlertsRaised, notifier, &DesktopNotifier::OnAlertsFired);
    connect(m_events, &WatcherSignals::PassDone, notifier, &DesktopNotifier::OnPassFinished);
}

// The watcher stops first: transfers in flight end at once, and no worker
// reports to a window that is going.
MainWindow::~MainWindow()
{
    SetOpenFailureHandler({});
    m_watcher->Stop();
    hide();
}

void MainWindow::CreateControls()
{
    const DialogUnits units(font());
    m_layoutHeight = units.Y(kDialogHeight);
    setMinimumSize(std::max(units.X(kDialogWidth), kMinWindowWidth), m_layoutHeight);
    resize(minimumSize());
    CreateTemplateControls(MainDialogTemplate(), this);
    m_settingsButton = TemplateControl<QPushButton>(this, "settingsButton");
    m_addButton = TemplateControl<QPushButton>(this, "addButton");
    m_connectButton = TemplateControl<QPushButton>(this, "connectButton");
    m_disconnectButton = TemplateControl<QPushButton>(this, "disconnectButton");
    m_intervalEdit = TemplateControl<QLineEdit>(this, "intervalEdit");
    m_intervalSpin = TemplateControl<QSpinBox>(this, "intervalSpin");
    m_indexLabels = {TemplateControl<QLabel>(this, "nikkeiLabel"), TemplateControl<QLabel>(this, "topixLabel"),
                     TemplateControl<QLabel>(this, "jasdaqLabel"), TemplateControl<QLabel>(this, "futuresLabel")};
    m_indexChangeLabels = {TemplateControl<QLabel>(this, "nikkeiChangeLabel"), TemplateControl<QLabel>(this, "topixChangeLabel"),
                           TemplateControl<QLabel>(this, "jasdaqChangeLabel"), TemplateControl<QLabel>(this, "futuresChangeLabel")};
    m_codeEdit = TemplateControl<QLineEdit>(this, "codeEdit");
    m_entryValueEdits = {TemplateControl<QLineEdit>(this, "nameEdit"), TemplateControl<QLineEdit>(this, "timeEdit"),
                         TemplateControl<QLineEdit>(this, "priceEdit"), TemplateControl<QLineEdit>(this, "changeEdit"),
                         TemplateControl<QLineEdit>(this, "rateEdit"), TemplateControl<QLineEdit>(this, "volumeEdit")};
    m_marketCombo = TemplateControl<QComboBox>(this, "marketCombo");
    m_trendEdit = TemplateControl<QLineEdit>(this, "trendEdit");
    m_dateCombo = TemplateControl<QComboBox>(this, "dateCombo");
    m_memoEdit = TemplateControl<QLineEdit>(this, "memoEdit");
    m_list = TemplateControl<QTableView>(this, "watchList");
    m_priceMailStatusLabel = TemplateControl<QLabel>(this, "priceMailStatusLabel");
    m_disclosureMailStatusLabel = TemplateControl<QLabel>(this, "disclosureMailStatusLabel");
    m_statusLabel = TemplateControl<QLabel>(this, "statusLabel");
    m_disclosureCheckButton = TemplateControl<QPushButton>(this, "disclosureCheckButton");
    m_verUpLabel = TemplateControl<QLabel>(this, "verUpLabel");
    RoomForWidestTexts();
    // A taller window gives the list the room; what stands below it moves down.
    m_listLayoutHeight = m_list->height();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->y() >= m_list->geometry().bottom())
            m_controlsBelowList.push_back({control, control->y()});
    }

    m_dateSettleTimer.setObjectName(QStringLiteral("dateSettleTimer"));
    m_dateSettleTimer.setParent(this);
}

// What the labels, lists and values may come to show, so that the controls
// are made wide enough for it before it comes: the last date of a year,
// quotes and indices at their widest, every status of a pass and of the
// mails. A stock's name may be longer than any field; it scrolls.
void MainWindow::RoomForWidestTexts()
{
    SetWidestTexts(*m_dateCombo, {QStringLiteral("20261231")});
    for (std::size_t i = 0; i < m_entryValueEdits.size(); ++i)
        SetWidestTexts(*m_entryValueEdits[i], {WidestValue(static_cast<int>(i))});
    // A code without a quote shows "no data" there, whole.
    SetWidestTexts(*m_trendEdit, TrendMarks() << ToQString(texts::Sjis(texts::NoData)));
    const std::string time = kWidestValues[QuoteTime];
    const std::string level = kWidestValues[QuotePrice];
    QStringList indexValues;
    for (const IndexQuote& index : IndexTable())
        indexValues << ToQString(texts::Format(texts::IndexValueFormat, index.name, time, level));
    const std::string change = kWidestValues[QuoteChange];
    const QStringList indexChanges = {ToQString(texts::Format(texts::IndexChangeFormat, change))};
    for (std::size_t i = 0; i < m_indexLabels.size(); ++i) {
        SetWidestTexts(*m_indexLabels[i], indexValues);
        SetWidestTexts(*m_indexChangeLabels[i], indexChanges);
    }
    SetWidestTexts(*m_statusLabel, {ToQString(texts::Sjis(texts::DataFetching))});
    const QString sendError = ToQString(texts::Sjis(texts::MailSendError));
    SetWidestTexts(*m_priceMailStatusLabel, {ToQString(PriceMailStatusText(true, kPriceMailAfterClose)),
                                             ToQString(PriceMailStatusText(true, kLongestPriceMailMinutes)),
                                             ToQString(texts::Sjis(texts::PriceMailDropped)), sendError});
    SetWidestTexts(*m_disclosureMailStatusLabel, {ToQString(texts::Sjis(texts::DisclosureMailStatus)), sendError});
}

void MainWindow::ConnectControls()
{
    connect(m_intervalSpin, &QSpinBox::valueChanged, m_intervalEdit,
            [this](int value) { m_intervalEdit->setText(QString::number(value)); });
    connect(m_connectButton, &QPushButton::clicked, this, [this] {
        StartPolling();
        m_disconnectButton->setFocus();
        activateWindow();
    });
    connect(m_disconnectButton, &QPushButton::clicked, this, [this] {
        StopPolling();
        m_connectButton->setFocus();
        activateWindow();
    });
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::ShowSettingsMenu);
    connect(m_addButton, &QPushButton::clicked, this, &MainWindow::AddToWatchList);
    connect(m_disclosureCheckButton, &QPushButton::clicked, this, [this] { m_watcher->RequestDisclosurePass(); });
    connect(m_codeEdit, &QLineEdit::textChanged, this, &MainWindow::OnCodeEdited);
    connect(m_marketCombo, &QComboBox::currentIndexChanged, this, &MainWindow::OnMarketChosen);
    // Only what the user types is a memo; filling and emptying the edit is not.
    connect(m_memoEdit, &QLineEdit::textEdited, this, &MainWindow::StoreMemo);
    connect(m_dateCombo, &QComboBox::currentIndexChanged, this, &MainWindow::OnDateSelected);
    connect(&m_dateSettleTimer, &QTimer::timeout, this, &MainWindow::OnDateSettled);
    connect(m_linkLabels, &LinkLabels::IndexClicked, this, &MainWindow::OpenIndexPage);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { m_listMenus->ShowContextMenu(at, FirstSelectedRow()); });
    connect(m_listMenus, &ListMenus::OpenLinkChosen, this, &MainWindow::OpenSelectedRowLink);
    connect(m_listMenus, &ListMenus::ChartChosen, this, [this] { OpenDayChart(FirstSelectedRow()); });
    connect(m_listMenus, &ListMenus::StockLinkChosen, this, &MainWindow::OpenStockLink);
    connect(m_listMenus, &ListMenus::AlertSettingsChosen, this, &MainWindow::ShowAlertSettings);
    connect(m_listMenus, &ListMenus::DeleteRowChosen, this, &MainWindow::DeleteWatchRow);
    connect(m_listMenus, &ListMenus::DeleteAllChosen, this, &MainWindow::DeleteAllWatchRows);
    connect(m_listMenus, &ListMenus::DisclosureChosen, this, [this](int line) { OpenDisclosure(FirstSelectedRow(), line); });
    connect(m_listMenus, &ListMenus::MemoInputChosen, m_memoEdit, [this] { m_memoEdit->setFocus(); });
    connect(m_listMenus, &ListMenus::MemoClearChosen, this, [this] {
        m_memoEdit->clear();
        StoreMemo({});
    });
    connect(m_list, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OnListDoubleClick(index.row(), index.column()); });
    // Enter and Delete go through eventFilter; Escape is no key to this window.
    for (QWidget* control : {static_cast<QWidget*>(m_codeEdit), static_cast<QWidget*>(m_marketCombo),
                             static_cast<QWidget*>(m_addButton), static_cast<QWidget*>(m_settingsButton),
                             static_cast<QWidget*>(m_connectButton), static_cast<QWidget*>(m_disconnectButton),
                             static_cast<QWidget*>(m_list)})
        control->installEventFilter(this);
}

// The watcher reports from its threads; the signals bring each report here.
void MainWindow::ConnectWatcher()
{
    SetOpenFailureHandler([this](const QUrl& url) {
        m_statusLabel->setText(QStringLiteral("開けません（xdg-open が見つかりません）: ") + url.toDisplayString());
    });
    connect(m_session, &Session::SaveFailed, this, &MainWindow::ShowSaveFailure);
    // The new day heads the date list, chosen, as at a start.
    connect(m_session, &Session::DayChanged, this, &MainWindow::FillDateCombo);
    connect(m_events, &WatcherSignals::IndexUpdated, this, &MainWindow::ShowIndex);
    connect(m_events, &WatcherSignals::EntryUpdated, this, &MainWindow::ShowEntryRow);
    connect(m_events, &WatcherSignals::AddDone, this, &MainWindow::ShowAddResult);
    connect(m_events, &WatcherSignals::StatusUpdated, this, &MainWindow::ShowStatus);
    connect(m_events, &WatcherSignals::MailDone, this, &MainWindow::ShowMailResult);
    connect(m_events, &WatcherSignals::PassDone, this, &MainWindow::OnPassFinished);
}

void MainWindow::Start()
{
    m_titleText = FormatTitle(ReadFileVersion());
    setWindowTitle(ToQString(m_titleText));
    for (const std::string& market : MarketNames())
        m_marketCombo->addItem(ToQString(market));
    m_marketCombo->setCurrentIndex(0);

    SetUpList();
    m_intervalSpin->setRange(kMinQuoteIntervalSeconds, kMaxQuoteIntervalSeconds);
    m_intervalSpin->setValue(kDefaultQuoteIntervalSeconds);

    m_session->Load();
    m_disclosureMailStatusLabel->setText(ToQString(m_watcher->DisclosureMailStatus()));
    m_priceMailStatusLabel->setText(ToQString(m_watcher->PriceMailStatus()));
    m_links = LoadLinkLists(m_watcher->ProgramFolder());
    FillDateCombo();

    m_session->StartWatching(m_intervalSpin->value());
    if (m_watcherTimers->IsPolling())
        ShowPollingButtons();
    // The date list starts on today, which the session follows.
    m_session->SetFollowingToday(true);
    const Settings settings = m_watcher->CurrentSettings();
    RestoreStoredSize(settings);
    if (!settings.startInTray) {
        SelectRow(settings.selectedRow);
        show();
    } else if (!m_tray->GoToTrayAtStart()) {
        // Without a notification area the window starts minimised instead,
        // so there is always a way back to it.
        SelectRow(settings.selectedRow);
        showMinimized();
    }
}

void MainWindow::ListenForExitSignals()
{
    m_session->ListenForExitSignals();
    connect(m_session, &Session::ExitRequested, this, &QWidget::close);
}

void MainWindow::SetUpList()
{
    m_model = new WatchListModel(this);
    connect(m_events, &WatcherSignals::ListUpdated, m_model, &WatchListModel::ReplaceRows);
    connect(m_events, &WatcherSignals::RowUpdated, m_model, &WatchListModel::UpdateRow);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    // A dragged row scrolls the list by pixels near the window's edges.
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Columns are as narrow as the fixed widths say; a longer text ends in
    // an ellipsis and shows whole in the tip. The columns always fill the
    // list, so it never scrolls sideways.
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    FitFixedColumns();
    m_list->viewport()->installEventFilter(this);
    FitMemoColumn();
    FitFifteenRows();

    m_list->setToolTip(QStringLiteral("ダブルクリックでリンク表示"));
    m_model->SetCellTip([this](int row, const std::string& code, Column column) {
        if (column == ColName)
            return NameTip(row);
        if (column != ColDisclosure)
            return QString();
        // The figures of the stock's latest earnings release of the date shown.
        const StockDisclosures stock = m_watcher->DisclosuresOfStock(code);
        return ToQString(LatestFigures(EarningsFilePath(stock.programFolder, stock.date, stock.code)));
    });
    new DelayedToolTip(*m_list);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::OnRowSelected);
    connect(new ListRowDragger(*m_list, *this), &ListRowDragger::RowDropped, this, &MainWindow::MoveRow);
}

// The fixed columns are as wide as the layout says, or as their widest
// content and title need in this face; a longer name ends in an ellipsis.
// The window is made wide enough for them and the least memo column.
void MainWindow::FitFixedColumns()
{
    std::array<QStringList, ColMemo> widest;
    widest[ColCode] = {QString::fromLatin1(kWidestCode)};
    for (const std::string& market : MarketNames())
        widest[ColMarket] << ToQString(market);
    for (int value = QuoteTime; value < QuoteValueCount; ++value)
        widest[static_cast<std::size_t>(ColTime + value - QuoteTime)] = {WidestValue(value)};
    widest[ColTrend] = TrendMarks();
    widest[ColDisclosure] = {ToQString(texts::Sjis(texts::DisclosureMarker))};

    int fixed = 0;
    for (int column = 0; column < ColMemo; ++column) {
        const auto c = static_cast<std::size_t>(column);
        int width = std::max(kColumnWidths[c], m_list->horizontalHeader()->sectionSizeHint(column));
        for (const QString& text : widest[c])
            width = std::max(width, CellWidthToShow(*m_list, text));
        m_list->setColumnWidth(column, width);
        fixed += width;
    }
    m_nameColumnWidth = m_list->columnWidth(ColName);
    const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    const int besideColumns = 2 * m_list->frameWidth() + scrollBar;
    setMinimumWidth(std::max(minimumWidth(), fixed + kMinMemoWidth + besideColumns + kListRightMargin));
    m_leastMemoWidth = minimumWidth() - kListRightMargin - besideColumns - fixed;
    resize(std::max(width(), minimumWidth()), height());
}

// The first size shows a full list whole, without its scroll bar.
void MainWindow::FitFifteenRows()
{
    const int rows = static_cast<int>(kMaxStoredRows) * m_list->verticalHeader()->defaultSectionSize();
    const int list = 2 * m_list->frameWidth() + m_list->horizontalHeader()->sizeHint().height() + rows;
    m_firstHeight = m_layoutHeight + std::max(0, list - m_listLayoutHeight);
    resize(width(), m_firstHeight);
}

// A size the user chose at an earlier run, as far as this face allows.
void MainWindow::RestoreStoredSize(const Settings& settings)
{
    if (settings.windowWidth > 0 && settings.windowHeight > 0)
        resize(QSize(settings.windowWidth, settings.windowHeight).expandedTo(minimumSize()));
}

void MainWindow::StoreSize()
{
    const QSize size = isMaximized() ? normalGeometry().size() : this->size();
    // The least width the faces allow, with room for every row.
    const bool chosen = size != QSize(minimumWidth(), m_firstHeight);
    m_watcher->ChangeSettings([&](Settings& s) {
        s.windowWidth = chosen ? size.width() : 0;
        s.windowHeight = chosen ? size.height() : 0;
    });
}

void MainWindow::StartPolling()
{
    if (m_watcher->RowCount() == 0 || m_watcherTimers->IsPolling())
        return;
    m_watcherTimers->StartPolling(m_intervalSpin->value());
    ShowPollingButtons();
}

void MainWindow::StopPolling()
{
    if (!m_watcherTimers->IsPolling())
        return;
    m_watcherTimers->StopPolling();
    ShowPollingButtons();
}

void MainWindow::ShowPollingButtons()
{
    const bool polling = m_watcherTimers->IsPolling();
    m_connectButton->setEnabled(!polling);
    m_disconnectButton->setEnabled(polling);
}

void MainWindow::FillDateCombo()
{
    // Filling is no choice of the user's: no date change.
    const QSignalBlocker quiet(m_dateCombo);
    m_dateCombo->clear();
    const LocalTime now = m_clock.Now();
    for (const std::string& date : DateList(now.year, now.month, now.day))
        m_dateCombo->addItem(QString::fromStdString(date));
    m_dateCombo->setCurrentIndex(0);
    ShowChartsOfDate();
}

void MainWindow::SelectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_list->selectRow(row);
    m_list->setFocus();
}

// Closing ends every transfer in flight at once (no page, listing, document
// or mail holds it up), closes the dialogs first so nothing they confirm is
// lost, and saves the settings.
void MainWindow::closeEvent(QCloseEvent* event)
{
    Shutdown();
    event->accept();
}

void MainWindow::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    CloseDialogs();
    for (DayChartWindow* chart : OpenCharts())
        chart->close();
    m_watcherTimers->StopAll();
    m_dateSettleTimer.stop();
    m_tray->Leave();
    StoreSize();
    hide();
    m_session->Shutdown();
    if (!m_session->Saved())
        return; // ShowSaveFailure ends it once the user has read why
    emit ShutdownFinished();
}

// During the run the status label says it and the next edit tries again;
// at close the user reads it in a box before the program ends.
void MainWindow::ShowSaveFailure(const QString& path, const QString& reason)
{
    const QString text = QStringLiteral("設定を保存できませんでした: %1 (%2)").arg(path, reason);
    if (!m_shutDown) {
        m_statusLabel->setText(text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(),
                                text + QStringLiteral("\n前回保存した内容が残っています。"), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("saveFailedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, &MainWindow::ShutdownFinished);
    box->open();
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_tray && !m_tray->InTray() && IsTrayAvailable())
        m_tray->MinimiseToTray();
}

void MainWindow::setVisible(bool visible)
{
    if (visible && m_tray && m_tray->InTray())
        return;
    QWidget::setVisible(visible);
}

void MainWindow::BringToFront()
{
    if (m_shutDown)
        return;
    if (m_tray->InTray()) {
        m_tray->Restore();
        return;
    }
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    LayOutList();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutList();
}

// The columns follow through FitMemoColumn once the list's inside has its
// new width.
void MainWindow::LayOutList()
{
    if (!m_list || !m_list->isVisible())
        return;
    const int taller = std::max(0, height() - m_layoutHeight);
    m_list->resize(width() - kListRightMargin, m_listLayoutHeight + taller);
    for (const auto& [control, top] : m_controlsBelowList)
        control->move(control->x(), top + taller);
}

// The name and memo columns share what the fixed columns leave inside the
// list, less the vertical scroll bar when there is one: the memo keeps what
// it has in the least window, and the name takes half of any more.
void MainWindow::FitMemoColumn()
{
    int fixed = 0;
    for (int column = 0; column < ColMemo; ++column)
        fixed += column == ColName ? m_nameColumnWidth : m_list->columnWidth(column);
    const int free = std::max(0, m_list->viewport()->width() - fixed);
    const int more = std::max(0, free - m_leastMemoWidth);
    m_list->setColumnWidth(ColName, m_nameColumnWidth + more / 2);
    m_list->setColumnWidth(ColMemo, free - more / 2);
}

} // namespace zelmora
