#include "gui/settings_menu.h"

namespace zelmora {

SettingsMenu::SettingsMenu(bool startInTrayOn, QWidget* parent) : ProgramMenu(parent)
{
    linkUrlSettings = addAction(QStringLiteral("銘柄リストのリンクURL設定"));
    mailSettings = addAction(QStringLiteral("メール設定"));
    addSeparator();
    startInTray = addAction(QStringLiteral("起動時タスクトレイに常駐する"));
    startInTray->setCheckable(true);
    startInTray->setChecked(startInTrayOn);
    addSeparator();
    versionInfo = addAction(QStringLiteral("バージョン情報"));
    closeProgram = addAction(QStringLiteral("閉じる"));
}

} // namespace zelmora
