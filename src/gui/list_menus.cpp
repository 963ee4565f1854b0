#include "gui/list_menus.h"

#include <QHeaderView>
#include <QTableView>

#include "core/disclosure/earnings_file.h"
#include "core/disclosure/history_line.h"
#include "core/engine/watcher.h"
#include "core/links/link_template.h"
#include "gui/popup_menu.h"
#include "session/sjis_qstring.h"

namespace zelmora {

LinkMenu::LinkMenu(const std::vector<QString>& linkLabels, QWidget* parent) : ProgramMenu(parent)
{
    openLink = addAction(QStringLiteral("リンクを開く"));
    chart = addAction(QStringLiteral("チャート..."));
    addSeparator();
    for (const QString& label : linkLabels)
        stockLinks.push_back(AddItem(*this, label));
    addSeparator();
    alertSettings = addAction(QStringLiteral("アラート設定..."));
    addSeparator();
    deleteRow = addAction(QStringLiteral("削除"));
    deleteAll = addAction(QStringLiteral("全て削除"));
}

DisclosureMenu::DisclosureMenu(const std::vector<QString>& captions, QWidget* parent, const std::vector<QString>& tips)
    : ProgramMenu(parent)
{
    for (std::size_t line = 0; line < captions.size() && line < kMaxLines; ++line) {
        lines.push_back(AddItem(*this, captions[line]));
        if (line < tips.size() && !tips[line].isEmpty()) {
            lines.back()->setToolTip(tips[line]);
            setToolTipsVisible(true);
        }
    }
}

MemoMenu::MemoMenu(QWidget* parent) : ProgramMenu(parent)
{
    input = addAction(QStringLiteral("メモ入力"));
    clear = addAction(QStringLiteral("消　去"));
}

ListMenus::ListMenus(QTableView& list, const Watcher& watcher, const std::vector<std::string>& stockLinks, QWidget& window)
    : QObject(&window), m_list(list), m_watcher(watcher), m_stockLinks(stockLinks), m_window(window)
{
}

// A menu item runs once its menu has closed.
void ListMenus::RunAfterMenu(QAction* item, void (ListMenus::*chosen)())
{
    connect(item, &QAction::triggered, this, chosen, Qt::QueuedConnection);
}

void ListMenus::ShowContextMenu(QPoint viewportPoint, int selectedRow)
{
    if (selectedRow < 0)
        return;
    const QModelIndex clicked = m_list.indexAt(viewportPoint);
    const int column = clicked.isValid() ? clicked.column() : m_list.horizontalHeader()->logicalIndexAt(viewportPoint.x());
    const QPoint at = m_list.viewport()->mapToGlobal(viewportPoint);
    const bool disclosureFound =
        column == ColDisclosure && !m_watcher.Cell(static_cast<std::size_t>(selectedRow), ColDisclosure).empty();
    if (disclosureFound)
        ShowDisclosureMenu(selectedRow, at);
    else if (column >= 0 && column < ColMemo)
        ShowLinkMenu(at);
    else if (column == ColMemo)
        ShowMemoMenu(at);
}

void ListMenus::ShowLinkMenu(QPoint at)
{
    std::vector<QString> labels;
    std::vector<int> entries;
    for (std::size_t entry = 0; entry < m_stockLinks.size(); ++entry) {
        if (const auto parts = SplitLinkTemplate(m_stockLinks[entry])) {
            labels.push_back(ToQString(parts->label));
            entries.push_back(static_cast<int>(entry));
        }
    }
    auto* menu = new LinkMenu(labels, &m_window);
    RunAfterMenu(menu->openLink, &ListMenus::OpenLinkChosen);
    RunAfterMenu(menu->chart, &ListMenus::ChartChosen);
    for (std::size_t i = 0; i < menu->stockLinks.size(); ++i)
        connect(menu->stockLinks[i], &QAction::triggered, this, [this, entry = entries[i]] { emit StockLinkChosen(entry); },
                Qt::QueuedConnection);
    RunAfterMenu(menu->alertSettings, &ListMenus::AlertSettingsChosen);
    RunAfterMenu(menu->deleteRow, &ListMenus::DeleteRowChosen);
    RunAfterMenu(menu->deleteAll, &ListMenus::DeleteAllChosen);
    ShowPopup(menu, at);
}

// One item per line of the row's history file of the chosen date. The file
// is read again when one is chosen: a pass may have added lines since, but
// it never moves the earlier ones.
void ListMenus::ShowDisclosureMenu(int row, QPoint at)
{
    std::vector<QString> captions;
    std::vector<QString> tips;
    const StockDisclosures stock = m_watcher.DisclosuresOfRow(static_cast<std::size_t>(row));
    const std::string figures = EarningsFilePath(stock.programFolder, stock.date, stock.code);
    for (const HistoryEntry& entry : ReadStockHistory(stock)) {
        captions.push_back(ToQString(entry.caption));
        tips.push_back(ToQString(FiguresOfEntry(figures, entry.caption)));
    }
    if (captions.empty())
        return;
    auto* menu = new DisclosureMenu(captions, &m_window, tips);
    for (std::size_t line = 0; line < menu->lines.size(); ++line)
        connect(menu->lines[line], &QAction::triggered, this, [this, line] { emit DisclosureChosen(static_cast<int>(line)); },
                Qt::QueuedConnection);
    ShowPopup(menu, at);
}

void ListMenus::ShowMemoMenu(QPoint at)
{
    auto* menu = new MemoMenu(&m_window);
    RunAfterMenu(menu->input, &ListMenus::MemoInputChosen);
    RunAfterMenu(menu->clear, &ListMenus::MemoClearChosen);
    ShowPopup(menu, at);
}

void ListMenus::ShowKeyMenu(int selectedRow)
{
    if (selectedRow < 0)
        return;
    auto* menu = new LinkMenu({}, &m_window);
    RunAfterMenu(menu->openLink, &ListMenus::OpenLinkChosen);
    RunAfterMenu(menu->chart, &ListMenus::ChartChosen);
    RunAfterMenu(menu->alertSettings, &ListMenus::AlertSettingsChosen);
    RunAfterMenu(menu->deleteRow, &ListMenus::DeleteRowChosen);
    RunAfterMenu(menu->deleteAll, &ListMenus::DeleteAllChosen);
    const QRect cell = m_list.visualRect(m_list.model()->index(selectedRow, 0));
    ShowPopup(menu, m_list.viewport()->mapToGlobal(QPoint(0, cell.bottom())));
}

} // namespace zelmora
