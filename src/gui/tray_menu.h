#pragma once

#include <QString>

#include <vector>

#include "core/tray/tray_texts.h"
#include "gui/popup_menu.h"

namespace zelmora {

class PickWatcher;

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

// The tray icon's menu: the Nikkei 225, one item per stock, then the
// window, start-in-tray and close commands. It is filled anew each time it
// opens; each choice is a signal of its own.
class TrayMenu : public ProgramMenu {
    Q_OBJECT
public:
    TrayMenu();

    void Fill(const TrayMenuContent& content);

signals:
    void IndexChosen();
    // withMouse: picked with the mouse rather than the keyboard.
    void RowChosen(int row, bool withMouse);
    void OpenWindowChosen();
    void StartInTrayToggled();
    void CloseChosen();

private:
    PickWatcher* m_picks;
};

} // namespace zelmora
