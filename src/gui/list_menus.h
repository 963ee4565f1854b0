#pragma once

#include <QString>

#include <vector>

#include "gui/popup_menu.h"

namespace zelmora {

// The list menu: "リンクを開く", the stock links between the separators,
// then "削除" and "全て削除". Without links it is the fixed list menu.
class LinkMenu : public ProgramMenu {
    Q_OBJECT
public:
    LinkMenu(const std::vector<QString>& linkLabels, QWidget* parent);

    QAction* openLink;
    std::vector<QAction*> stockLinks; // one per label, in order
    QAction* deleteRow;
    QAction* deleteAll;
};

// One item per line of a stock's history file, captioned as given; a menu
// longer than a screen would help nobody, so it stops at 101 lines.
class DisclosureMenu : public ProgramMenu {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxLines = 101;

    DisclosureMenu(const std::vector<QString>& captions, QWidget* parent);

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

} // namespace zelmora
