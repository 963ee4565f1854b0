#pragma once

#include <QMenu>

namespace zelmora {

// The menu under the button "設定": link and mail settings, start in the
// tray (checked when on), version information and close.
QMenu* BuildSettingsMenu(QWidget* parent, bool startInTray);

} // namespace zelmora
