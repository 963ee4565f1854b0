// Reordering the watch list by dragging a row with the left mouse button.

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>

#include "gui/main_window.h"
#include "gui/watch_list_model.h"

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

// The list view reports presses, moves and releases of its rows here; a
// move with the button held past the drag distance starts a row drag.
bool MainWindow::FilterListMouse(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_listPressed = event->button() == Qt::LeftButton;
        m_listPressPoint = point;
        return false;
    case QEvent::MouseMove:
        if (m_dragging) {
            TrackRowDrag(m_list->viewport()->mapTo(this, point));
            return true;
        }
        if (m_listPressed && (point - m_listPressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            BeginRowDrag(m_listPressPoint);
            return true;
        }
        // Moving with the button held would otherwise move the selection.
        return m_listPressed;
    case QEvent::MouseButtonRelease:
        m_listPressed = false;
        if (!m_dragging)
            return false;
        DropRow(m_list->viewport()->mapTo(this, point));
        return true;
    default:
        return false;
    }
}

void MainWindow::BeginRowDrag(QPoint listPoint)
{
    const int row = m_list->rowAt(listPoint.y());
    m_dragIndex = row;
    if (row < 0)
        return;
    QRect rowRect = m_list->visualRect(m_model->index(row, 0));
    rowRect.setLeft(0);
    rowRect.setRight(m_list->viewport()->width() - 1);
    m_dragImage = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_dragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dragImage->setPixmap(m_list->viewport()->grab(rowRect));
    m_dragImage->resize(rowRect.size());
    m_dragHotspot = QPoint(listPoint.x(), kHotspotY);
    m_dragImage->move(m_list->viewport()->mapToGlobal(rowRect.topLeft()));
    m_dragImage->show();
    m_dragging = 1;
}

void MainWindow::TrackRowDrag(QPoint windowPoint)
{
    if (!m_dragging)
        return;
    const int bottom = frameGeometry().height() - (geometry().top() - frameGeometry().top());
    QScrollBar* scroll = m_list->verticalScrollBar();
    if (windowPoint.y() < kTopScrollZone)
        scroll->setValue(scroll->value() - kScrollStep);
    if (windowPoint.y() > bottom + kBottomScrollZone)
        scroll->setValue(scroll->value() + kScrollStep);
    if (m_dragImage)
        m_dragImage->move(mapToGlobal(windowPoint) - m_dragHotspot);
}

void MainWindow::DropRow(QPoint windowPoint)
{
    if (!m_dragging)
        return;
    m_dragging = 0;
    m_dragImage.reset();
    const QPoint listPoint = m_list->viewport()->mapFrom(this, windowPoint);
    const int target = m_list->viewport()->rect().contains(listPoint) ? m_list->rowAt(listPoint.y()) : -1;
    if (target < 0 || target == m_dragIndex)
        return;
    {
        const std::lock_guard hold(m_rowsLock);
        m_watchList.MoveRow(static_cast<std::size_t>(m_dragIndex), static_cast<std::size_t>(target));
    }
    RowsChanged(target);
}

} // namespace zelmora
