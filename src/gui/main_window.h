#pragma once

#include <QPoint>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/disclosure/disclosure_pass.h"
#include "core/mail/smtp_mail.h"
#include "core/quotes/quote_pass.h"
#include "core/schedule/clock.h"
#include "core/schedule/timers.h"
#include "core/settings/settings.h"
#include "core/text/texts.h"
#include "core/watch/watch_list.h"

class QComboBox;
class QLabel;
class QMenu;
class QMouseEvent;
class QSpinBox;
class QTableView;
class QTimer;

namespace zelmora {

class LinkLabels;
class TrayIcon;
class WatchListModel;
struct MailSettingsFields;

// The two kinds of notification mail; each has its status label.
enum class MailKind { Price, Disclosure };

// The program's one window: the watch list, the input row, the index band and
// the status row, and all state of a run.
class MainWindow : public QWidget, private QuotePassWindow, private DisclosurePassWindow {
    Q_OBJECT
public:
    MainWindow(std::string programFolder, const Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the freshly built window to its running state: title, list,
    // settings, date list; then shows it.
    void OnInitDialog();

    // Menu and tray commands. Returns false for a command nobody handles.
    // A tray row picked with the mouse also opens the stock's page.
    bool OnCommand(int id, bool pickedWithMouse = false);

    void ShowSettingsMenu();
    // Leaves the tray: the icon goes, the window and its tray row come back.
    void RestoreFromTray();

    // The icon in the notification area.
    TrayIcon& Tray() { return *m_tray; }
    const LinkLabels& Labels() const { return *m_linkLabels; }

    // While the window is in the tray nothing shows it.
    void setVisible(bool visible) override;

    // Starts a quote pass on a thread of its own; a pass started while
    // another runs waits for it, then runs in full.
    void StartQuotePass();
    // Starts a disclosure pass for the chosen date on a thread of its own;
    // passes queue on the disclosure lock like quote passes on theirs.
    void StartDisclosurePass();
    // A double click on the list: the row's quote page, its first recorded
    // disclosure (column 9) or the memo edit (column 10).
    void OnListDoubleClick(int row, int column);
    void ConnectPolling();
    void DisconnectPolling();

    // Watch list editing.
    void AddToWatchList();
    void DeleteWatchRow();
    void DeleteAllWatchRows();

    // Pages opened in the desktop's browser.
    void OpenRowLink(int row);
    void OpenSelectedRowLink();
    void OpenStockLink(int entry);

    void OnTimer(int id);
    bool IsTimerActive(int id) const;
    int TimerInterval(int id) const;

    // Blocks until the mail is sent or given up; call it off the window's
    // thread. Safe from several threads at once. Shows the outcome in the
    // status label of that kind of mail. Returns true when the server took it.
    bool SendMail(MailKind kind, const std::string& subject, const std::string& body);
    // Mails the watch list's prices from a thread of its own.
    void SendPriceMail();
    // Runs the mail settings dialog; on OK arms or stops the price mail timers.
    void ShowMailSettings();

    QWidget* Control(int id) const;

signals:
    // A quote pass has ended and its results are in the window.
    void QuotePassFinished();
    // A disclosure pass has ended and its results are in the window.
    void DisclosurePassFinished();
    // The typed code's lookup has answered and the entry row shows it.
    void EntryRowLookedUp();
    // A price or test mail has been sent or given up.
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
    void CreateControls();
    void SetUpList();
    void ApplySizeLimits();
    void LayOutList(int clientWidth);
    void LoadSettings();
    void SaveSettings();
    void FillDateCombo();
    void SelectRow(int row);
    void SetControlText(int id, const std::string& sjis);
    void CreateTimers();
    void ConnectControls();
    void Post(std::function<void()> work);
    // Runs work on a thread of its own; the window joins it when it is done
    // and closes only once no worker runs.
    void StartWorker(std::function<void()> work);
    void OnWorkerFinished(std::thread::id id);

    void ConnectEditing();
    void OnCodeChanged();
    void OnMarketChanged();
    void LookUpEntry();
    void ForgetEntryLookup();
    void ApplyEntryLookup(int serial, const QuoteValues& values);
    void FillEntryRow(const QuoteValues& values, const std::string& trend);
    void FillEntryRowNoData();
    void ClearEntryRow();
    std::string EntryText(int id) const;
    void ShowMessage(texts::Id text);
    int FirstSelectedRow() const;
    void CopyRowToEntryRow(int row);
    void StoreMemo(const QString& text);
    void RowsChanged(int selectRow);

    void ConnectIndexLinks();
    void OpenIndexPage(int labelId);
    std::string MarketLetterOfRow(int row) const;

    void BeginRowDrag(QPoint listPoint);
    void TrackRowDrag(QPoint windowPoint);
    void DropRow(QPoint windowPoint);
    bool FilterListMouse(QMouseEvent* event);
    void FinishShutdown();

    // Mail, in main_window_mail.cpp.
    void ArmMailTimersAtStart(const LocalTime& now);
    void OnPriceMailTimer();
    void OnMarketCloseMailTimer();
    void ApplyMailSettings(const MailSettingsFields& fields);
    void SendTestMail(const std::string& address, const std::string& server);
    MailAccount MailAccountSnapshot();

    void ConnectDisclosureControls();
    DisclosurePassConfig MakeDisclosurePassConfig() const;
    void OnDateSelected(int index);
    void OnDateSettled();
    void OpenDisclosure(int row);

    // The status label: "データ取得中" while a disclosure pass runs, else
    // what the quote pass last set.
    void ShowProgress();

    // The tray (main_window_tray.cpp).
    void ConnectTray();
    void GoToTrayAtStart();
    void MinimiseToTray();
    void AddTrayIcon(const std::string& tip);
    void RemoveTrayIcon();
    // Shows the tip and picture of row m_selectedItem.
    void UpdateTrayIcon();
    // Points m_selectedItem back at the first row when its row went away.
    void ClampTrayRow();
    void OnTrayMenuOpening(QMenu& menu);
    void ChooseTrayRow(std::size_t row, bool pickedWithMouse);

    // Menus and keys (main_window_menus.cpp).
    void ConnectMenusAndKeys();
    bool EnterOnControl(QObject* control);
    void ShowMenu(QMenu* menu, QPoint at);
    void ShowListContextMenu(QPoint viewportPoint);
    void ShowListKeyMenu();
    void ShowLinkUrlSettings();
    void ShowAboutDialog();
    std::vector<std::string> HistoryLinesOfRow(int row) const;
    void OpenDisclosureEntry(std::size_t line);

    // What quote and disclosure passes read and write, called on the pass thread.
    bool Stopping() override;
    void SetProgressText(const std::string& text) override;
    void ShowDisclosureProgress(bool running) override;
    std::string EntryCode() override;
    int EntryMarket() override;
    void ShowEntryQuote(const QuoteValues& values, const std::string& trend) override;
    void ShowEntryNoData() override;
    void ShowIndexQuote(std::size_t index, const std::string& valueText, const std::string& changeText) override;
    std::optional<Row> ReadRow(std::size_t row) override;
    bool StoreRowQuote(std::size_t row, const std::string& record) override;
    void ShowRowQuote(std::size_t row, const std::string& code, const QuoteValues& values,
                      const std::string& trend) override;
    std::vector<std::string> RowCodes() override;
    bool ShowDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code, const std::string& entryText,
                           const std::string& documentPath) override;
    void SendDisclosureMail(const std::string& code, const std::string& entryText) override;

    const std::string m_programFolder;
    const Clock& m_clock;
    std::map<int, QWidget*> m_controls;

    int m_ignoreCodeChange = 0;
    int m_dateComboSel = 0;
    std::string m_disclosureDate;
    std::string m_disclosureListBase;
    std::string m_disclosurePortal;
    std::string m_titleText;
    LinkLabels* m_linkLabels = nullptr;
    std::mutex m_quoteLock;
    std::mutex m_disclosureLock;
    int m_connected = 0;
    int m_inTray = 0;
    TrayIcon* m_tray = nullptr;
    Settings m_settings;
    WatchList m_watchList;
    WatchListModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QSpinBox* m_intervalSpin = nullptr;
    QComboBox* m_marketCombo = nullptr;
    std::string m_codeText;
    int m_entryMarket = 0;
    int m_dragging = 0;
    int m_dragIndex = 0;
    std::unique_ptr<QLabel> m_dragImage;
    QPoint m_dragHotspot;
    bool m_listPressed = false;
    QPoint m_listPressPoint;
    // Each typed lookup gets a serial; only the newest one's answer counts.
    int m_lookupSerial = 0;
    bool m_lookupRunning = false;
    bool m_addAfterLookup = false;
    std::vector<std::string> m_indexLinks;
    std::vector<std::string> m_stockLinks;
    // Guards what pass threads read or write of the window's state: the
    // watch list and its per-row stores, m_codeText and m_entryMarket.
    // Held only for single accesses, never across a network request.
    std::mutex m_rowsLock;
    // Date changes so far; a pass begun before the last one shows nothing.
    // Written on the window's thread under m_rowsLock.
    std::uint64_t m_disclosureScan = 0;
    std::string m_quoteProgress;
    bool m_disclosureRunning = false;
    std::array<QTimer*, TimerCount> m_timers{};
    std::list<std::thread> m_workerThreads; // passes and lookups, running or waiting for their lock
    // Guards the mail fields of m_settings (server, address, login and
    // disclosure mail switch) that threads sending mail read.
    std::mutex m_mailLock;
    std::atomic<bool> m_shuttingDown{false}; // read by the pass threads too
    bool m_shutDown = false;
};

} // namespace zelmora
