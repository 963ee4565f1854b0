#pragma once

#include <QLabel>
#include <QObject>
#include <QPoint>

#include <memory>

class QMouseEvent;
class QTableView;

namespace zelmora {

// Reordering the watch list by dragging a row with the left mouse button:
// the row's picture follows the cursor, and near the window's top or below
// its bottom edge the list scrolls. Dropping on another row reports the move.
class ListRowDragger : public QObject {
    Q_OBJECT
public:
    // window: the window whose edges scroll the list.
    ListRowDragger(QTableView& list, QWidget& window);

signals:
    void RowDropped(int from, int to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FilterMouse(QMouseEvent* event);
    void Begin(QPoint listPoint);
    void Track(QPoint windowPoint);
    void Drop(QPoint windowPoint);

    QTableView& m_list;
    // Kept apart from the list: while the list is destroyed its viewport still
    // gets events, and the list can no longer be asked for it.
    QWidget* const m_viewport;
    QWidget& m_window;
    bool m_dragging = false;
    int m_dragRow = 0;
    std::unique_ptr<QLabel> m_image;
    QPoint m_hotspot;
    bool m_pressed = false;
    QPoint m_pressPoint;
};

} // namespace zelmora
