#include "core/single_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <unistd.h>

namespace {
const QByteArray ActivateRequest = "activate\n";
constexpr int ConnectTimeoutMs = 1000;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(ActivateRequest.trimmed()))
                    emit activationRequested();
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString SingleInstance::serverNameFor(const QString& title, const QString& executablePath) {
    const QByteArray key =
        (title + u'\n' + QString::number(getuid()) + u'\n' + executablePath).toUtf8();
    return QStringLiteral("memotap-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

bool SingleInstance::activateRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write(ActivateRequest);
    socket.waitForBytesWritten(ConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(serverName_))
        return true;
    // Nobody answered before, so the socket is a leftover of a crashed run.
    QLocalServer::removeServer(serverName_);
    return server_.listen(serverName_);
}
