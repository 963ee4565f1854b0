// The menus and keys of the main window and the one dispatcher of their
// commands.

#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "core/commands/command_ranges.h"
#include "core/commands/disclosure_menu.h"
#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/links/link_template.h"
#include "core/text/encoding_converter.h"
#include "gui/about_dialog.h"
#include "gui/command_ids.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/link_url_dialog.h"
#include "gui/list_menus.h"
#include "gui/main_window.h"
#include "gui/popup_menu.h"
#include "gui/settings_menu.h"
#include "gui/sjis_qstring.h"
#include "gui/watch_list_model.h"

namespace zelmora {

void MainWindow::ConnectMenusAndKeys()
{
    auto* settings = static_cast<QPushButton*>(m_controls.at(IDC_SETTINGS));
    connect(settings, &QPushButton::clicked, this, &MainWindow::ShowSettingsMenu);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &MainWindow::ShowListContextMenu);
    // Enter on these goes through eventFilter; Escape is no key to this window.
    for (int id : {IDC_SETTINGS, IDC_CONNECT, IDC_DISCONNECT})
        m_controls.at(id)->installEventFilter(this);
}

void MainWindow::ShowMenu(QMenu* menu, QPoint at)
{
    ShowPopup(menu, at, this, [this](int command, bool withMouse) { OnCommand(command, withMouse); });
}

void MainWindow::ShowSettingsMenu()
{
    QWidget* button = m_controls.at(IDC_SETTINGS);
    ShowMenu(BuildSettingsMenu(this, m_settings.m_startInTray == 1), button->mapToGlobal(button->rect().bottomLeft()));
}

// By the column clicked: the link menu, the stock's disclosures of the
// date, or the memo commands.
void MainWindow::ShowListContextMenu(QPoint viewportPoint)
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const QModelIndex clicked = m_list->indexAt(viewportPoint);
    const int column = clicked.isValid() ? clicked.column() : m_list->horizontalHeader()->logicalIndexAt(viewportPoint.x());
    const QPoint at = m_list->viewport()->mapToGlobal(viewportPoint);

    const bool disclosureFound = column == ColDisclosure && !m_watchList.Cell(static_cast<std::size_t>(row), ColDisclosure).empty();
    if (column >= 0 && column < ColMemo && !disclosureFound) {
        std::vector<LinkMenuItem> links;
        for (std::size_t entry = 0; entry < m_stockLinks.size(); ++entry) {
            if (const auto parts = SplitLinkTemplate(m_stockLinks[entry]))
                links.push_back({ToQString(parts->label), StockLinkCommand(entry)});
        }
        ShowMenu(BuildLinkMenu(this, links), at);
    } else if (disclosureFound) {
        const std::vector<std::string> lines = HistoryLinesOfRow(row);
        if (lines.empty())
            return;
        std::vector<QString> captions;
        for (const std::string& line : lines)
            captions.push_back(ToQString(DisclosureCaption(line)));
        ShowMenu(BuildDisclosureMenu(this, captions), at);
    } else if (column == ColMemo) {
        ShowMenu(BuildMemoMenu(this), at);
    }
}

// The fixed list menu under the selected row.
void MainWindow::ShowListKeyMenu()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const QRect cell = m_list->visualRect(m_model->index(row, 0));
    ShowMenu(BuildLinkMenu(this, {}), m_list->viewport()->mapToGlobal(QPoint(0, cell.bottom())));
}

// The lines of the row's history file of the chosen date, in Shift_JIS
// whatever the listing page was written in.
std::vector<std::string> MainWindow::HistoryLinesOfRow(int row) const
{
    const std::string& code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
    std::vector<std::string> lines = ReadHistoryLines(HistoryFilePath(m_programFolder, m_disclosureDate, code));
    for (std::string& line : lines) {
        std::string converted;
        ConvertToShiftJis(line, converted);
        line = std::move(converted);
    }
    return lines;
}

// The file is read again: a pass may have added lines since the menu was
// built, but it never moves the earlier ones.
void MainWindow::OpenDisclosureEntry(std::size_t line)
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const std::vector<std::string> lines = HistoryLinesOfRow(row);
    if (line >= lines.size())
        return;
    const std::string url = DisclosureUrl(lines[line]);
    if (m_settings.m_orvekUse == 1) {
        const std::string& code = m_watchList.Cell(static_cast<std::size_t>(row), ColCode);
        const std::string path = LocalDocumentPath(m_programFolder, m_disclosureDate, code, url);
        if (!path.empty() && QFileInfo(ToQString(path)).isFile())
            OpenLocalFile(path);
    } else if (!url.empty()) {
        OpenWebPage(url);
    }
}

void MainWindow::ShowLinkUrlSettings()
{
    LinkUrlDialog dialog(m_settings, m_indexLinks, m_stockLinks, this);
    dialog.exec();
}

void MainWindow::ShowAboutDialog()
{
    AboutDialog dialog(m_titleText, this);
    dialog.exec();
}

// Commands made from list positions first, then the fixed ones.
bool MainWindow::OnCommand(int id, bool pickedWithMouse)
{
    const DecodedCommand decoded = DecodeCommand(id, m_watchList.RowCount(), m_stockLinks.size());
    switch (decoded.kind) {
    case CommandKind::TrayRow:
        ChooseTrayRow(decoded.index, pickedWithMouse);
        return true;
    case CommandKind::StockLink:
        OpenStockLink(static_cast<int>(decoded.index));
        return true;
    case CommandKind::DisclosureLine:
        OpenDisclosureEntry(decoded.index);
        return true;
    case CommandKind::Fixed:
        break;
    }
    switch (id) {
    case ID_TRAY_INDEX:
        OpenWebPage(m_settings.m_indexOpenUrl);
        return true;
    case ID_START_IN_TRAY:
        m_settings.m_startInTray = m_settings.m_startInTray == 0 ? 1 : 0;
        return true;
    case ID_MEMO_INPUT:
        m_controls.at(IDC_MEMO)->setFocus();
        return true;
    case ID_MEMO_CLEAR:
        static_cast<QLineEdit*>(m_controls.at(IDC_MEMO))->clear();
        StoreMemo({});
        return true;
    case ID_OPEN_LINK:
        OpenSelectedRowLink();
        return true;
    case ID_DELETE_ITEM:
        DeleteWatchRow();
        return true;
    case ID_DELETE_ALL:
        DeleteAllWatchRows();
        return true;
    case ID_OPEN_MAINWINDOW:
        RestoreFromTray();
        return true;
    case ID_LINK_URL_SETTINGS:
        ShowLinkUrlSettings();
        return true;
    case ID_MAIL_SETTINGS:
        ShowMailSettings();
        return true;
    case ID_VERSION_INFO:
        ShowAboutDialog();
        return true;
    case ID_CLOSE:
        close();
        return true;
    default:
        return false;
    }
}

} // namespace zelmora
