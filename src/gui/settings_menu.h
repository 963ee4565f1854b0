#pragma once

#include "gui/popup_menu.h"

namespace zelmora {

// The menu under "設定".
class SettingsMenu : public ProgramMenu {
    Q_OBJECT
public:
    SettingsMenu(bool startInTray, QWidget* parent);

    QAction* linkUrlSettings;
    QAction* mailSettings;
    QAction* startInTray; // checkable
    QAction* versionInfo;
    QAction* closeProgram;
};

} // namespace zelmora
