#include "gui/list_row_dragger.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>

namespace zelmora {
namespace {

// Near the top of the window or below its bottom edge the list scrolls this
// far on every move.
constexpr int kScrollStep = 12;
constexpr int kTopScrollZone = 10;
constexpr int kBottomScrollZone = 5;
// The image hangs this far below the cursor's row top.
constexpr int kHotspotY = 3;

} // namespace

ListRowDragger::ListRowDragger(QTableView& list, QWidget& window) : QObject(&list), m_list(list), m_viewport(list.viewport()), m_window(window)
{
    m_viewport->installEventFilter(this);
}

bool ListRowDragger::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (watched == m_viewport
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease))
        return FilterMouse(static_cast<QMouseEvent*>(event));
    return false;
}

// A move with the button held past the drag distance starts a row drag.
bool ListRowDragger::FilterMouse(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressed = event->button() == Qt::LeftButton;
        m_pressPoint = point;
        return false;
    case QEvent::MouseMove:
        if (m_dragging) {
            Track(m_list.viewport()->mapTo(&m_window, point));
            return true;
        }
        if (m_pressed && (point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            Begin(m_pressPoint);
            return true;
        }
        // Moving with the button held would otherwise move the selection.
        return m_pressed;
    case QEvent::MouseButtonRelease:
        m_pressed = false;
        if (!m_dragging)
            return false;
        Drop(m_list.viewport()->mapTo(&m_window, point));
        return true;
    default:
        return false;
    }
}

void ListRowDragger::Begin(QPoint listPoint)
{
    const int row = m_list.rowAt(listPoint.y());
    m_dragRow = row;
    if (row < 0)
        return;
    QRect rowRect = m_list.visualRect(m_list.model()->index(row, 0));
    rowRect.setLeft(0);
    rowRect.setRight(m_list.viewport()->width() - 1);
    m_image = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_image->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_image->setPixmap(m_list.viewport()->grab(rowRect));
    m_image->resize(rowRect.size());
    m_hotspot = QPoint(listPoint.x(), kHotspotY);
    m_image->move(m_list.viewport()->mapToGlobal(rowRect.topLeft()));
    m_image->show();
    m_dragging = true;
}

void ListRowDragger::Track(QPoint windowPoint)
{
    const int bottom = m_window.frameGeometry().height() - (m_window.geometry().top() - m_window.frameGeometry().top());
    QScrollBar* scroll = m_list.verticalScrollBar();
    if (windowPoint.y() < kTopScrollZone)
        scroll->setValue(scroll->value() - kScrollStep);
    if (windowPoint.y() > bottom + kBottomScrollZone)
        scroll->setValue(scroll->value() + kScrollStep);
    if (m_image)
        m_image->move(m_window.mapToGlobal(windowPoint) - m_hotspot);
}

void ListRowDragger::Drop(QPoint windowPoint)
{
    m_dragging = false;
    m_image.reset();
    const QPoint listPoint = m_list.viewport()->mapFrom(&m_window, windowPoint);
    const int target = m_list.viewport()->rect().contains(listPoint) ? m_list.rowAt(listPoint.y()) : -1;
    if (target >= 0 && target != m_dragRow)
        emit RowDropped(m_dragRow, target);
}

} // namespace zelmora
