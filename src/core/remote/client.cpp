#include "core/remote/client.h"

#include "core/remote/request.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

namespace remote {

namespace {

// Connecting is quick when a player listens; a socket without one fails at once.
constexpr int ConnectTimeoutMs = 1000;

bool Listens(const QString& socketPath) {
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    return probe.waitForConnected(ConnectTimeoutMs);
}

} // namespace

std::optional<Answer> SendRequest(const QString& socketPath, const QByteArray& request,
                                  int timeoutMs) {
    if (socketPath.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return std::nullopt;
    socket.write(request);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < MaxRequestBytes) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())) &&
            socket.bytesAvailable() == 0)
            break;
        answer += socket.readAll();
    }
    const bool dropped = socket.state() != QLocalSocket::ConnectedState;
    socket.abort();
    if (!answer.endsWith('\n')) {
        // A player that closed while the request was on its way is no player.
        if (dropped && !Listens(socketPath))
            return std::nullopt;
        return Answer{false, "no-answer"};
    }
    answer.chop(1);
    if (answer == "OK")
        return Answer{true, {}};
    return Answer{false, answer.startsWith("ERR ") ? answer.mid(4) : answer};
}

} // namespace remote
