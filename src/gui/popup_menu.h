#pragma once

#include <QMenu>
#include <QPoint>

namespace zelmora {

// A menu of the program, in the dialog face. The desktop's menu face may
// lack Japanese: a label that begins with a code would then be drawn partly
// in it and partly in whichever face the font system falls back to.
class ProgramMenu : public QMenu {
    Q_OBJECT
public:
    explicit ProgramMenu(QWidget* parent = nullptr);
};

// Appends an item whose text is shown as it is: an "&" in a title is no
// mnemonic.
QAction* AddItem(QMenu& menu, const QString& text);

// Shows a menu built for this one opening at a screen point; it is
// destroyed once it has closed.
void ShowPopup(QMenu* menu, QPoint at);

// Tells whether the last pick in a menu was made with the mouse: it was
// unless a key was pressed in the menu after the last mouse button came up.
// Menus shown by the desktop itself, as the tray's may be, deliver no keys
// to the program.
class PickWatcher : public QObject {
public:
    explicit PickWatcher(QMenu& menu);
    bool LastPickWithMouse() const { return !m_key; }

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    bool m_key = false;
};

} // namespace zelmora
