#include "platform/session/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
const QByteArray Request = QByteArrayLiteral("activate\n");
const QByteArray Answer = QByteArrayLiteral("ok\n");
constexpr qsizetype MaxRequest = 64; // anything longer is not ours
} // namespace

InstanceChannel::InstanceChannel(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath))
{}

InstanceChannel::~InstanceChannel()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

bool InstanceChannel::listen()
{
    if (m_server && m_server->isListening())
        return true;
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::takeConnection);
    }
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

void InstanceChannel::takeConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > MaxRequest) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine(MaxRequest);
            if (line == Request) {
                socket->write(Answer);
                socket->flush();
                emit activationRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

bool InstanceChannel::requestActivation(const QString& socketPath, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    socket.write(Request);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return socket.readLine(MaxRequest) == Answer;
}
