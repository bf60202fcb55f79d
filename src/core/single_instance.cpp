#include "core/single_instance.h"

#include "core/log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <unistd.h>

namespace {
const QByteArray ActivateRequest = "activate\n";
constexpr int ConnectTimeoutMs = 1000;
// Longer than any start-up step between the check and the listen; a holder
// that crashed is seen as gone at once (its process no longer exists).
constexpr int StartupLockWaitMs = 5000;

bool answers(const QString& serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    return socket.waitForConnected(ConnectTimeoutMs);
}
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

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverNameFor(const QString& title, const QString& executablePath) {
    const QByteArray key =
        (title + u'\n' + QString::number(getuid()) + u'\n' + executablePath).toUtf8();
    return QStringLiteral("memotap-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

void SingleInstance::takeStartupLock() {
    if (startupLock_)
        return;
    // Beside the socket, which QLocalServer keeps in the temporary folder.
    auto lock = std::make_unique<QLockFile>(QDir::temp().filePath(serverName_ + ".lock"));
    if (lock->tryLock(StartupLockWaitMs)) {
        startupLock_ = std::move(lock);
        return;
    }
    // Starting unguarded beats not starting at all.
    qCWarning(lcInstance) << "start-up lock" << QDir::temp().filePath(serverName_ + ".lock")
                          << "not taken, error" << lock->error();
}

bool SingleInstance::activateRunningInstance() {
    takeStartupLock();
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    startupLock_.reset();
    socket.write(ActivateRequest);
    if (!socket.waitForBytesWritten(ConnectTimeoutMs))
        qCWarning(lcInstance) << "activation request not sent:" << socket.errorString();
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    takeStartupLock();
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    bool listening = server_.listen(serverName_);
    // A socket nobody answers on is a leftover of a crashed run; one that
    // answers belongs to a live instance and stays.
    if (!listening && !answers(serverName_)) {
        QLocalServer::removeServer(serverName_);
        listening = server_.listen(serverName_);
    }
    if (!listening)
        qCWarning(lcInstance) << "cannot listen on" << serverName_ << ":" << server_.errorString();
    startupLock_.reset();
    return listening;
}
