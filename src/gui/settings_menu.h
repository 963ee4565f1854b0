#pragma once

#include "gui/popup_menu.h"

namespace zelmora {

// The menu under "設定".
class SettingsMenu : public ProgramMenu {
    Q_OBJECT
public:
    SettingsMenu(bool startInTray, bool notifyDisclosures, QWidget* parent);

    QAction* quoteSourceSettings;
    QAction* linkUrlSettings;
    QAction* mailSettings;
    QAction* startInTray; // checkable
    QAction* notifyDisclosures; // checkable
    QAction* versionInfo;
    QAction* closeProgram;
};

} // namespace zelmora
