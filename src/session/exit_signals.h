#pragma once

#include <QObject>

class QSocketNotifier;

namespace zelmora {

// Turns SIGTERM and SIGINT, with which a desktop ends programs at logout,
// into a Qt signal delivered on the GUI thread, so the program can close
// its window and save as on any other close.
class ExitSignals : public QObject {
    Q_OBJECT
public:
    explicit ExitSignals(QObject* parent = nullptr);
    ~ExitSignals() override;

signals:
    void ExitRequested();

private:
    void Drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zelmora
