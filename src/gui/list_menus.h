#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <string>
#include <vector>

#include "gui/popup_menu.h"

class QTableView;

namespace zelmora {

class Watcher;

// The list menu: "リンクを開く", "チャート...", the stock links between the
// separators, "アラート設定...", then "削除" and "全て削除". Without links it
// is the fixed list menu.
class LinkMenu : public ProgramMenu {
    Q_OBJECT
public:
    LinkMenu(const std::vector<QString>& linkLabels, QWidget* parent);

    QAction* openLink;
    QAction* chart;
    std::vector<QAction*> stockLinks; // one per label, in order
    QAction* alertSettings;
    QAction* deleteRow;
    QAction* deleteAll;
};

// One item per line of a stock's history file, captioned as given, with its
// tip (the release's figures) where one is given; a menu longer than a
// screen would help nobody, so it stops at 101 lines.
class DisclosureMenu : public ProgramMenu {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxLines = 101;

    DisclosureMenu(const std::vector<QString>& captions, QWidget* parent, const std::vector<QString>& tips = {});

    std::vector<QAction*> lines;
};

// "メモ入力" and "消　去" for the memo column.
class MemoMenu : public ProgramMenu {
    Q_OBJECT
public:
    explicit MemoMenu(QWidget* parent);

    QAction* input;
    QAction* clear;
};

// The watch list's menus: by the column right-clicked, the link menu, the
// row's disclosures of the date, or the memo commands; and under the row, the
// fixed list menu that Enter opens. A choice is reported once its menu has
// closed; the window does it.
class ListMenus : public QObject {
    Q_OBJECT
public:
    // stockLinks: the link templates of "銘柄URL.txt", as the window holds them.
    ListMenus(QTableView& list, const Watcher& watcher, const std::vector<std::string>& stockLinks, QWidget& window);

    void ShowContextMenu(QPoint viewportPoint, int selectedRow);
    void ShowKeyMenu(int selectedRow);

signals:
    void OpenLinkChosen();
    void ChartChosen();
    // An entry of the stock links.
    void StockLinkChosen(int entry);
    void AlertSettingsChosen();
    void DeleteRowChosen();
    void DeleteAllChosen();
    // A line of the selected row's history file.
    void DisclosureChosen(int line);
    void MemoInputChosen();
    void MemoClearChosen();

private:
    void ShowLinkMenu(QPoint at);
    void ShowDisclosureMenu(int row, QPoint at);
    void ShowMemoMenu(QPoint at);
    void RunAfterMenu(QAction* item, void (ListMenus::*chosen)());

    QTableView& m_list;
    const Watcher& m_watcher;
    const std::vector<std::string>& m_stockLinks;
    QWidget& m_window;
};

} // namespace zelmora
