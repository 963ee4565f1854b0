#include "gui/key_commands.h"

#include <QKeyEvent>
#include <QWidget>

namespace zelmora {

void KeyCommands::Bind(QWidget* control, int key, std::function<void()> action)
{
    control->installEventFilter(this); // once per control, however often bound
    m_actions[{control, key}] = std::move(action);
}

bool KeyCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    const auto found = m_actions.find({watched, key});
    if (found == m_actions.end())
        return false;
    found->second();
    return true;
}

} // namespace zelmora
