#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

class QAbstractItemView;

namespace zelmora {

// Shows a view's tooltip as the list's own tip control does: once the mouse
// has rested for a second, and for as long as it stays (32767 ms at most),
// instead of Qt's shorter defaults. Over a cell with a tip of its own it is
// that; over a cell too narrow for its text that text, whole.
class DelayedToolTip : public QObject {
    Q_OBJECT
public:
    struct Times {
        int initialDelayMs = 1000;
        int showForMs = 32767;
    };

    explicit DelayedToolTip(QAbstractItemView& view);

    // For every tip made after it; tests shorten the times.
    static void SetTimes(Times times);
    static Times CurrentTimes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show();
    QString TipAt(QPoint viewportPoint) const;

    QAbstractItemView& m_view;
    const Times m_times;
    QTimer m_wait;
    QPoint m_globalPos;
};

} // namespace zelmora
