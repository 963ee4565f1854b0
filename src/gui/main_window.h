#pragma once

#include <QWidget>

#include <map>
#include <mutex>
#include <string>

#include "core/schedule/clock.h"
#include "core/settings/settings.h"
#include "core/watch/watch_list.h"

class QComboBox;
class QSpinBox;
class QTableView;

namespace zelmora {

class WatchListModel;

// The program's one window: the watch list, the input row, the index band and
// the status row, and all state of a run.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(std::string programFolder, const Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the freshly built window to its running state: title, list,
    // settings, date list; then shows it.
    void OnInitDialog();

    // Menu and tray commands. Returns false for a command nobody handles.
    bool OnCommand(int id);

    QWidget* Control(int id) const;
    const Settings& CurrentSettings() const { return m_settings; }
    const WatchList& Rows() const { return m_watchList; }

signals:
    // The shutdown has saved the settings; the program may end.
    void ShutdownFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

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

    const std::string m_programFolder;
    const Clock& m_clock;
    std::map<int, QWidget*> m_controls;

    int m_ignoreCodeChange = 0;
    int m_dateComboSel = 0;
    std::string m_disclosureDate;
    std::string m_disclosureListBase;
    std::string m_disclosurePortal;
    std::string m_titleText;
    int m_linkHoverState = 0;
    std::mutex m_quoteLock;
    std::mutex m_disclosureLock;
    int m_connected = 0;
    int m_inTray = 0;
    Settings m_settings;
    WatchList m_watchList;
    WatchListModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QSpinBox* m_intervalSpin = nullptr;
    QComboBox* m_marketCombo = nullptr;
    std::string m_codeText;
    std::string m_nameText;
    int m_dragging = 0;
    int m_dragIndex = 0;
    bool m_shutDown = false;
};

} // namespace zelmora
