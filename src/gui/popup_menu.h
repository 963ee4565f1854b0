#pragma once

#include <QMenu>
#include <QPoint>

#include <functional>

namespace zelmora {

// Receives the command of a chosen menu item, once the menu has closed.
// pickedWithMouse tells a mouse pick from one made with the keyboard.
using CommandSink = std::function<void(int command, bool pickedWithMouse)>;

// Appends an item that sends the command when chosen; the text is shown
// as it is.
QAction* AddCommand(QMenu& menu, const QString& text, int command);

// The command an item sends; 0 for separators and plain items.
int CommandOf(const QAction* action);

// Sends the menu's chosen commands to sink, after the menu has closed.
// A pick counts as made with the mouse unless a key was pressed in the menu
// after the last mouse button came up (menus shown by the desktop itself,
// as the tray's may be, deliver no keys to the program).
void SendCommandsTo(QMenu& menu, QObject* receiver, CommandSink sink);

// Shows a menu built for this one opening at a screen point; it is
// destroyed once it has closed.
void ShowPopup(QMenu* menu, QPoint at, QObject* receiver, CommandSink sink);

} // namespace zelmora
