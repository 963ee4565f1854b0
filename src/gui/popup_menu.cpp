#include "gui/popup_menu.h"

#include <QEvent>

#include "gui/dialog_units.h"

namespace zelmora {

ProgramMenu::ProgramMenu(QWidget* parent) : QMenu(parent)
{
    setFont(DialogFont());
}

QAction* AddItem(QMenu& menu, const QString& text)
{
    return menu.addAction(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
}

void ShowPopup(QMenu* menu, QPoint at)
{
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(at);
}

PickWatcher::PickWatcher(QMenu& menu) : QObject(&menu)
{
    menu.installEventFilter(this);
}

bool PickWatcher::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        m_key = true;
    else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Show)
        m_key = false;
    return false;
}

} // namespace zelmora
