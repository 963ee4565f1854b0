#pragma once

#include <QMenu>
#include <QString>

#include <vector>

#include "core/tray/tray_texts.h"

namespace zelmora {

// What the tray menu shows when it opens.
struct TrayMenuContent {
    struct Row {
        QString label;
        MenuMark mark;
    };
    QString indexText; // the Nikkei 225 value and its change
    MenuMark indexMark = MenuMark::Flat;
    std::vector<Row> rows;
    int trayRow = -1; // the row the tray icon follows, checked; -1 for none
    bool startInTray = false;
};

// Fills the tray menu anew: the Nikkei 225, one item per stock, then the
// window, start-in-tray and close commands.
void FillTrayMenu(QMenu& menu, const TrayMenuContent& content);

} // namespace zelmora
