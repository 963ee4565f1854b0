#include "gui/raise_listener.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace zelmora {
namespace {

constexpr QByteArrayView kRaiseLine = "raise\n";
constexpr int kTimeoutMs = 1000;
// A peer that says nothing, or too much, is dropped.
constexpr qint64 kMaxRequestBytes = 64;

QString RuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QFileInfo(runtime).isAbsolute() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
}

} // namespace

RaiseListener::RaiseListener(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RaiseListener::OnConnection);
}

RaiseListener::~RaiseListener()
{
    m_server->close();
}

bool RaiseListener::Listen()
{
    // A private folder of its own: nobody else can put a socket in our place.
    m_folder = std::make_unique<QTemporaryDir>(RuntimeFolder() + QStringLiteral("/zelmora-XXXXXX"));
    return m_folder->isValid() && m_server->listen(m_folder->filePath(QStringLiteral("raise")));
}

QString RaiseListener::Address() const
{
    return m_server->isListening() ? m_server->fullServerName() : QString();
}

void RaiseListener::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kTimeoutMs, socket, &QLocalSocket::abort);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < kMaxRequestBytes)
                return;
            if (socket->readLine(kMaxRequestBytes) == kRaiseLine)
                emit RaiseRequested();
            socket->abort();
        });
    }
}

bool AskToRaise(const QString& address)
{
    QLocalSocket socket;
    socket.connectToServer(address);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(kRaiseLine.data(), kRaiseLine.size());
    const bool sent = socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

} // namespace zelmora
