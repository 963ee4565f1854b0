#include "gui/delayed_tool_tip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QToolTip>

#include "gui/control_fitting.h"

namespace zelmora {
namespace {

DelayedToolTip::Times g_times;

} // namespace

void DelayedToolTip::SetTimes(Times times)
{
    g_times = times;
}

DelayedToolTip::Times DelayedToolTip::CurrentTimes()
{
    return g_times;
}

DelayedToolTip::DelayedToolTip(QAbstractItemView& view) : QObject(&view), m_view(view), m_times(g_times)
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
            m_wait.start(m_times.initialDelayMs);
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
    const QString tip = TipAt(m_view.viewport()->mapFromGlobal(m_globalPos));
    QToolTip::showText(m_globalPos, tip, m_view.viewport(), {}, m_times.showForMs);
}

QString DelayedToolTip::TipAt(QPoint viewportPoint) const
{
    const QModelIndex index = m_view.indexAt(viewportPoint);
    if (!index.isValid())
        return m_view.toolTip();
    if (const QString own = index.data(Qt::ToolTipRole).toString(); !own.isEmpty())
        return own;
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool cut = CellWidthToShow(m_view, text) > m_view.visualRect(index).width();
    return cut ? text : m_view.toolTip();
}

} // namespace zelmora
