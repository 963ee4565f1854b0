#include "gui/tray_menu.h"

#include "core/commands/command_ranges.h"
#include "gui/art.h"
#include "gui/command_ids.h"
#include "gui/popup_menu.h"

namespace zelmora {

void FillTrayMenu(QMenu& menu, const TrayMenuContent& content)
{
    menu.clear();
    AddCommand(menu, content.indexText, ID_TRAY_INDEX)->setIcon(MenuMarkIcon(content.indexMark, false));
    menu.addSeparator();
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        const bool checked = static_cast<int>(i) == content.trayRow;
        QAction* item = AddCommand(menu, content.rows[i].label, TrayRowCommand(i));
        item->setCheckable(true);
        item->setChecked(checked);
        item->setIcon(MenuMarkIcon(content.rows[i].mark, checked));
    }
    menu.addSeparator();
    AddCommand(menu, QStringLiteral("メインウィンドウを開く"), ID_OPEN_MAINWINDOW);
    menu.addSeparator();
    QAction* startInTray = AddCommand(menu, QStringLiteral("起動時タスクトレイに常駐する"), ID_START_IN_TRAY);
    startInTray->setCheckable(true);
    startInTray->setChecked(content.startInTray);
    menu.addSeparator();
    AddCommand(menu, QStringLiteral("閉じる"), ID_CLOSE);
}

} // namespace zelmora
