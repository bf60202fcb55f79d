#include "core/single_instance.h"

#include "core/log.h"
#include "core/remote/client.h"
#include "core/remote_requests.h"

#include <QDir>
#include <QLocalSocket>

namespace {

constexpr int AnswerTimeoutMs = 5000;
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
        while (QLocalSocket* socket = server_.nextPendingConnection())
            modMain::ServeConnection(socket, [this](const remote::Request& request) {
                return modMain::RunRemoteRequest(request, [this] { emit activationRequested(); });
            });
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::takeStartupLock() {
    if (startupLock_)
        return;
    // Beside the socket (a bare name lives in the temporary folder).
    const QString path = QDir::temp().filePath(serverName_ + ".lock");
    auto lock = std::make_unique<QLockFile>(path);
    if (lock->tryLock(StartupLockWaitMs)) {
        startupLock_ = std::move(lock);
        return;
    }
    // Starting unguarded beats not starting at all.
    qCWarning(lcInstance) << "start-up lock" << path << "not taken, error" << lock->error();
}

bool SingleInstance::activateRunningInstance(const QString& openPath) {
    takeStartupLock();
    if (!answers(serverName_))
        return false;
    startupLock_.reset();
    const auto request = openPath.isEmpty()
                             ? remote::FormatRequest(QStringLiteral("activate"))
                             : remote::FormatRequest(QStringLiteral("open"), openPath);
    if (!request || !remote::SendRequest(serverName_, *request, AnswerTimeoutMs))
        qCWarning(lcInstance) << "the running player did not answer";
    // It accepted the connection: it runs, and its socket stays.
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
