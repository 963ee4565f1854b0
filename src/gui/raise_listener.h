#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QTemporaryDir;

namespace zelmora {

// Where a second start of the program on the same folder asks the running
// window to come to the front: a local socket in a folder of this user's
// alone, whose address the lock file tells.
class RaiseListener : public QObject {
    Q_OBJECT
public:
    explicit RaiseListener(QObject* parent = nullptr);
    ~RaiseListener() override;

    // False when no socket could be made; the window then runs without.
    bool Listen();
    // The socket's absolute path; empty until it listens.
    QString Address() const;

signals:
    void RaiseRequested();

private:
    void OnConnection();

    std::unique_ptr<QTemporaryDir> m_folder;
    QLocalServer* m_server;
};

// Asks the window listening at address to come to the front. Never waits
// much more than a second; false when no window took the request.
bool AskToRaise(const QString& address);

} // namespace zelmora
