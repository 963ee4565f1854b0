#include "gui/settings_menu.h"

namespace zelmora {

SettingsMenu::SettingsMenu(bool startInTrayOn, bool notifyDisclosuresOn, QWidget* parent) : ProgramMenu(parent)
{
    quoteSourceSettings = addAction(QStringLiteral("株価取得元の設定"));
    linkUrlSettings = addAction(QStringLiteral("銘柄リストのリンクURL設定"));
    mailSettings = addAction(QStringLiteral("メール設定"));
    addSeparator();
    startInTray = addAction(QStringLiteral("起動時タスクトレイに常駐する"));
    startInTray->setCheckable(true);
    startInTray->setChecked(startInTrayOn);
    notifyDisclosures = addAction(QStringLiteral("新しい開示をデスクトップに通知する"));
    notifyDisclosures->setCheckable(true);
    notifyDisclosures->setChecked(notifyDisclosuresOn);
    addSeparator();
    versionInfo = addAction(QStringLiteral("バージョン情報"));
    closeProgram = addAction(QStringLiteral("閉じる"));
}

} // namespace zelmora
