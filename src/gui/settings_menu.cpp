#include "gui/settings_menu.h"

#include "gui/command_ids.h"
#include "gui/popup_menu.h"

namespace zelmora {

QMenu* BuildSettingsMenu(QWidget* parent, bool startInTray)
{
    auto* menu = new QMenu(parent);
    AddCommand(*menu, QStringLiteral("銘柄リストのリンクURL設定"), ID_LINK_URL_SETTINGS);
    AddCommand(*menu, QStringLiteral("メール設定"), ID_MAIL_SETTINGS);
    menu->addSeparator();
    QAction* tray = AddCommand(*menu, QStringLiteral("起動時タスクトレイに常駐する"), ID_START_IN_TRAY);
    tray->setCheckable(true);
    tray->setChecked(startInTray);
    menu->addSeparator();
    AddCommand(*menu, QStringLiteral("バージョン情報"), ID_VERSION_INFO);
    AddCommand(*menu, QStringLiteral("閉じる"), ID_CLOSE);
    return menu;
}

} // namespace zelmora
