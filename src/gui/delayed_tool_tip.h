#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

class QAbstractScrollArea;

namespace zelmora {

// Shows a view's tooltip as the list's own tip control does: once the mouse
// has rested for a second, and for as long as it stays (32767 ms at most),
// instead of Qt's shorter defaults.
class DelayedToolTip : public QObject {
    Q_OBJECT
public:
    static constexpr int kInitialDelayMs = 1000;
    static constexpr int kShowForMs = 32767;

    explicit DelayedToolTip(QAbstractScrollArea& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show();

    QAbstractScrollArea& m_view;
    QTimer m_wait;
    QPoint m_globalPos;
};

} // namespace zelmora
