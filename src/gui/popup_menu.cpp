#include "gui/popup_menu.h"

#include <QEvent>
#include <QMetaObject>

#include <memory>

namespace zelmora {
namespace {

constexpr const char* kCommandProperty = "zelmoraCommand";

// Remembers whether the last pick in a menu was made with a key.
class PickWatcher : public QObject {
public:
    explicit PickWatcher(QMenu& menu) : QObject(&menu) { menu.installEventFilter(this); }
    bool LastPickWithKey() const { return m_key; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            m_key = true;
        else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Show)
            m_key = false;
        return false;
    }

private:
    bool m_key = false;
};

} // namespace

QAction* AddCommand(QMenu& menu, const QString& text, int command)
{
    // Item texts are shown as they are: an "&" in a title is no mnemonic.
    QAction* action = menu.addAction(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
    action->setProperty(kCommandProperty, command);
    return action;
}

int CommandOf(const QAction* action)
{
    return action ? action->property(kCommandProperty).toInt() : 0;
}

void SendCommandsTo(QMenu& menu, QObject* receiver, CommandSink sink)
{
    auto* watcher = new PickWatcher(menu);
    QObject::connect(&menu, &QMenu::triggered, receiver, [receiver, watcher, sink = std::move(sink)](QAction* action) {
        const int command = CommandOf(action);
        if (command == 0)
            return;
        const bool withMouse = !watcher->LastPickWithKey();
        // As a posted message: the menu is gone before the command runs.
        QMetaObject::invokeMethod(receiver, [sink, command, withMouse] { sink(command, withMouse); }, Qt::QueuedConnection);
    });
}

void ShowPopup(QMenu* menu, QPoint at, QObject* receiver, CommandSink sink)
{
    SendCommandsTo(*menu, receiver, std::move(sink));
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(at);
}

} // namespace zelmora
