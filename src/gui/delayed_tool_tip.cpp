#include "gui/delayed_tool_tip.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace zelmora {

DelayedToolTip::DelayedToolTip(QAbstractScrollArea& view) : QObject(&view), m_view(view)
{
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &DelayedToolTip::Show);
    m_view.viewport()->setMouseTracking(true);
    m_view.viewport()->installEventFilter(this);
}

bool DelayedToolTip::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return true; // ours replaces Qt's own
    case QEvent::MouseMove:
        m_globalPos = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (!QToolTip::isVisible())
            m_wait.start(kInitialDelayMs);
        break;
    case QEvent::Leave:
        m_wait.stop();
        QToolTip::hideText();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void DelayedToolTip::Show()
{
    // A menu opened over the list owns the mouse; no tip over it.
    if (QApplication::activePopupWidget())
        return;
    QToolTip::showText(m_globalPos, m_view.toolTip(), m_view.viewport(), {}, kShowForMs);
}

} // namespace zelmora
