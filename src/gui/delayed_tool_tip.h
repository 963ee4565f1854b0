#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>

class QAbstractItemView;

namespace zelmora {

// Shows a view's tooltip as the list's own tip control does: once the mouse
// has rested for a second, and for as long as it stays (32767 ms at most),
// instead of Qt's shorter defaults. Over a cell too narrow for its text the
// tip is that text, whole.
class DelayedToolTip : public QObject {
    Q_OBJECT
public:
    struct Times {
        int initialDelayMs = 1000;
        int showForMs = 32767;
    };

    explicit DelayedToolTip(QAbstractItemView& view);

    // Over a cell of `column`, the tip that `tip` makes for its row, read
    // when the tip shows; where it makes none, the rule above.
    void SetColumnTip(int column, std::function<QString(int row)> tip);

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
    int m_tipColumn = -1;
    std::function<QString(int row)> m_columnTip;
};

} // namespace zelmora
