#pragma once

#include <QMenu>
#include <QString>

#include <vector>

namespace zelmora {

// A stock link entry of the link menu: its label and its command.
struct LinkMenuItem {
    QString label;
    int command;
};

// The list menu: "リンクを開く", the stock links between the separators,
// then "削除" and "全て削除". Without links it is the fixed list menu.
QMenu* BuildLinkMenu(QWidget* parent, const std::vector<LinkMenuItem>& links);

// One item per line of a stock's history file, captioned as given.
QMenu* BuildDisclosureMenu(QWidget* parent, const std::vector<QString>& captions);

// "メモ入力" and "消　去" for the memo column.
QMenu* BuildMemoMenu(QWidget* parent);

} // namespace zelmora
