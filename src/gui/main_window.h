#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/watcher.h"
#include "core/links/link_template.h"
#include "core/schedule/clock.h"
#include "core/text/texts.h"

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

namespace zelmora {

class DayChartWindow;
class LinkLabels;
class ListMenus;
class MailPasswordStore;
class MailSettingsDialog;
class Session;
class TrayController;
class WatchListModel;
class WatcherSignals;
class WatcherTimers;

// The program's one window: it owns the watching session and draws what the
// watcher reports: the watch list, the entry row, the index band and the status
// row; it holds the widgets, the dialogs and their wiring. The tray and the
// list's menus are classes of their own that it owns and wires.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(std::string programFolder, const Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the freshly built window to its running state: title, list,
    // settings, date list, the first passes; then shows it.
    void Start();

    // SIGTERM, SIGINT and SIGHUP close the window as a click on its close
    // button does. For the program itself, not for tests.
    void ListenForExitSignals();

    // While the window is in the tray nothing shows it.
    void setVisible(bool visible) override;

public slots:
    // Commands of the menus, the keys and the buttons.
    void ShowSettingsMenu();
    void ShowMailSettings();
    // The selected row's price alerts.
    void ShowAlertSettings();
    void ShowLinkUrlSettings();
    void ShowQuoteSourceSettings();
    void ShowAboutDialog();
    void ToggleStartInTray();
    void StartPolling();
    void StopPolling();
    void AddToWatchList();
    void DeleteWatchRow();
    void DeleteAllWatchRows();
    void OpenSelectedRowLink();
    void OpenStockLink(int entry);
    void OpenDisclosure(int row, int line);
    // The chart of the row's stock on the date chosen; a chart of it already
    // open comes up instead.
    void OpenDayChart(int row);
    // A second start of the program: the window comes up, from the tray too.
    void BringToFront();
    // A double click on the list: the row's quote page, its first recorded
    // disclosure (column 9) or the memo edit (column 10).
    void OnListDoubleClick(int row, int column);

signals:
    // A quote pass has ended and its results are in the window.
    void QuotePassFinished();
    // A disclosure pass has ended and its results are in the window.
    void DisclosurePassFinished();
    // The typed code's lookup has answered and the entry row shows it.
    void EntryRowLookedUp();
    // A price, disclosure or test mail has been sent, given up or dropped.
    void MailFinished();
    // The shutdown has saved the settings; the program may end.
    void ShutdownFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Building the window (main_window.cpp).
    void CreateControls();
    void SetUpList();
    void ConnectControls();
    void ConnectWatcher();
    void RoomForWidestTexts();
    void LayOutList();
    void FitFixedColumns();
    void FitMemoColumn();
    void FitFifteenRows();
    void RestoreStoredSize(const Settings& settings);
    void StoreSize();
    void FillDateCombo();
    void ShowPollingButtons();
    void SelectRow(int row);
    void Shutdown();
    void ShowSaveFailure(const QString& path, const QString& reason);

    // What the watcher reports (main_window_view.cpp).
    void ShowIndex(int index, const std::string& valueText, const std::string& changeText);
    void ShowEntryRow(const EntryReport& report);
    void ShowStatus(const std::string& text);
    void ShowMailResult(const MailReport& report);
    void OnPassFinished(const PassReport& report);
    void OnDateSelected(int index);
    void OnDateSettled();
    std::string ChosenDate() const;
    QList<DayChartWindow*> OpenCharts() const;
    void ShowChartsOfDate();
    // The open chart of the row's stock draws its alert thresholds.
    void ShowChartThresholds(int row);
    QString NameTip(int row) const;

    // The entry row and the list's rows (main_window_edit.cpp).
    void OnCodeEdited(const QString& text);
    void OnMarketChosen(int index);
    void OnRowSelected();
    void FillEntryValues(const QuoteValues& values, const std::string& trend);
    void ClearEntryRow();
    void ShowAddResult(const AddReport& report);
    void ShowMessage(texts::Id text);
    int FirstSelectedRow() const;
    void StoreMemo(const QString& text);
    void RowsChanged(int selectRow);
    void MoveRow(int from, int to);

    // Opening pages (main_window_links.cpp).
    void OpenRowLink(int row);
    void OpenIndexPage(int index);

    // The settings menu, keys and dialogs (main_window_menus.cpp).
    bool EnterOnControl(QObject* control);
    void ApplyMailSettings(const MailSettingsDialog& dialog);
    void OpenDialog(QDialog* dialog);
    void CloseDialogs();

    const Clock& m_clock;
    Session* m_session;
    // The session's parts the window talks to.
    WatcherSignals* m_events;
    Watcher* m_watcher;
    WatcherTimers* m_watcherTimers;
    MailPasswordStore* m_mailPasswords;

    QPushButton* m_settingsButton;
    QPushButton* m_addButton;
    QPushButton* m_connectButton;
    QPushButton* m_disconnectButton;
    QLineEdit* m_intervalEdit;
    QSpinBox* m_intervalSpin;
    std::array<QLabel*, 4> m_indexLabels;       // Nikkei 225, TOPIX, JASDAQ, futures
    std::array<QLabel*, 4> m_indexChangeLabels; // their changes
    QLineEdit* m_codeEdit;
    std::array<QLineEdit*, QuoteValueCount> m_entryValueEdits; // name, time, price, change, rate, volume
    QComboBox* m_marketCombo;
    QLineEdit* m_trendEdit;
    QComboBox* m_dateCombo;
    QLineEdit* m_memoEdit;
    QTableView* m_list;
    QLabel* m_priceMailStatusLabel;
    QLabel* m_disclosureMailStatusLabel;
    QLabel* m_statusLabel;
    QPushButton* m_disclosureCheckButton;
    QLabel* m_verUpLabel;

    WatchListModel* m_model = nullptr;
    LinkLabels* m_linkLabels;
    ListMenus* m_listMenus;
    TrayController* m_tray = nullptr;
    QTimer m_dateSettleTimer;
    QPointer<MailSettingsDialog> m_mailDialog;

    // The layout's own heights; a taller window adds to the list's.
    int m_layoutHeight = 0;
    int m_listLayoutHeight = 0;
    std::vector<std::pair<QWidget*, int>> m_controlsBelowList; // with their layout tops
    int m_firstHeight = 0;
    int m_nameColumnWidth = 0;
    int m_leastMemoWidth = 0;

    LinkLists m_links;
    std::string m_titleText;
    int m_dateComboSel = 0;
    // The entry row's last edit: only its quote is shown.
    std::uint64_t m_entrySerial = 0;
    bool m_shutDown = false;
};

} // namespace zelmora
