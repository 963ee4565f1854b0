#include "gui/tray_menu.h"

#include "gui/art.h"
#include "gui/popup_menu.h"

namespace zelmora {

TrayMenu::TrayMenu() : m_picks(new PickWatcher(*this)) {}

void TrayMenu::Fill(const TrayMenuContent& content)
{
    clear();
    QAction* index = AddItem(*this, content.indexText);
    index->setIcon(MenuMarkIcon(content.indexMark, false));
    connect(index, &QAction::triggered, this, &TrayMenu::IndexChosen);
    addSeparator();
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        const bool checked = static_cast<int>(i) == content.trayRow;
        QAction* item = AddItem(*this, content.rows[i].label);
        item->setCheckable(true);
        item->setChecked(checked);
        item->setIcon(MenuMarkIcon(content.rows[i].mark, checked));
        connect(item, &QAction::triggered, this,
                [this, row = static_cast<int>(i)] { emit RowChosen(row, m_picks->LastPickWithMouse()); });
    }
    addSeparator();
    connect(addAction(QStringLiteral("メインウィンドウを開く")), &QAction::triggered, this, &TrayMenu::OpenWindowChosen);
    addSeparator();
    QAction* startInTray = addAction(QStringLiteral("起動時タスクトレイに常駐する"));
    startInTray->setCheckable(true);
    startInTray->setChecked(content.startInTray);
    connect(startInTray, &QAction::triggered, this, &TrayMenu::StartInTrayToggled);
    addSeparator();
    connect(addAction(QStringLiteral("閉じる")), &QAction::triggered, this, &TrayMenu::CloseChosen);
}

} // namespace zelmora
