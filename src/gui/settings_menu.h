#pragma once

#include <QMenu>

namespace zelmora {

// The menu under "設定".
class SettingsMenu : public QMenu {
    Q_OBJECT
public:
    SettingsMenu(bool startInTray, QWidget* parent);

    QAction* quoteSourceSettings;
    QAction* linkUrlSettings;
    QAction* mailSettings;
    QAction* startInTray; // checkable
    QAction* versionInfo;
    QAction* closeProgram;
};

} // namespace zelmora
