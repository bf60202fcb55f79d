#include "core/single_instance.h"

#include "core/remote/client.h"
#include "core/remote_requests.h"

#include <QLocalSocket>

namespace {
constexpr int AnswerTimeoutMs = 5000;
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

bool SingleInstance::activateRunningInstance(const QString& openPath) {
    const auto request = openPath.isEmpty()
                             ? remote::FormatRequest(QStringLiteral("activate"))
                             : remote::FormatRequest(QStringLiteral("open"), openPath);
    return request && remote::SendRequest(serverName_, *request, AnswerTimeoutMs).has_value();
}

bool SingleInstance::listen() {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(serverName_))
        return true;
    // Nobody answered before, so the socket is a leftover of a crashed run.
    QLocalServer::removeServer(serverName_);
    return server_.listen(serverName_);
}
