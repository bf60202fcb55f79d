#include "core/remote_requests.h"

#include "core/commands.h"
#include "core/hearing.h"
#include "core/log.h"

#include <QDir>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>
#include <variant>

namespace modMain {

namespace {

// A client that has not sent its whole request by then is dropped.
constexpr int RequestTimeoutMs = 2000;
// Connections served at once; more are closed unanswered.
constexpr int MaxConnections = 16;
int openConnections = 0;

// What one connection has received, whether its command runs (an open of
// the command keeps the event loop turning meanwhile) and whether it was
// answered.
struct Connection {
    QByteArray received;
    bool running = false;
    bool answered = false;
};

void finish(QLocalSocket* socket, Connection& connection, const QByteArray& answer) {
    if (connection.answered)
        return;
    connection.answered = true;
    socket->write(answer);
    socket->disconnectFromServer();
}

void readFrom(QLocalSocket* socket, Connection& connection, const RequestHandler& handler) {
    if (connection.answered || connection.running) {
        socket->readAll(); // whatever follows the request is not read
        return;
    }
    // Never more than the cap plus one byte is kept, so a flood costs nothing.
    connection.received += socket->read(remote::MaxRequestBytes + 1 - connection.received.size());
    const remote::ParseResult result = remote::ParseRequest(connection.received);
    if (std::holds_alternative<remote::NeedMore>(result))
        return;
    if (const auto* error = std::get_if<remote::RequestError>(&result)) {
        qCWarning(lcInstance) << "refused a request:" << remote::ReasonOf(*error);
        finish(socket, connection, remote::ErrorAnswer(remote::ReasonOf(*error)));
        return;
    }
    connection.running = true;
    const QPointer<QLocalSocket> alive(socket); // the client may leave meanwhile
    const QByteArray answer = handler(std::get<remote::Request>(result));
    connection.running = false;
    if (alive)
        finish(alive, connection, answer);
}

// A client that sends its request too slowly is answered and closed; one
// that never reads its answer is cut off. A command still running is waited for.
void watchTime(QLocalSocket* socket, const std::shared_ptr<Connection>& connection) {
    QTimer::singleShot(RequestTimeoutMs, socket, [socket, connection] {
        if (connection->running) {
            watchTime(socket, connection);
        } else if (connection->answered) {
            socket->abort();
        } else {
            qCWarning(lcInstance) << "request not finished in time; connection dropped";
            finish(socket, *connection, remote::ErrorAnswer("timeout"));
            watchTime(socket, connection);
        }
    });
}

std::optional<QVariant> argumentFor(const CommandInfo& info, const QString& text) {
    switch (info.argument) {
    case CommandArgument::None:
        return text.isEmpty() ? std::optional<QVariant>(QVariant()) : std::nullopt;
    case CommandArgument::Seconds:
    case CommandArgument::Percent: {
        if (const auto seconds = remote::ParseSeconds(text);
            seconds && (info.argument == CommandArgument::Seconds || !text.contains(u':')))
            return QVariant(*seconds);
        return std::nullopt;
    }
    case CommandArgument::Path:
        if (text.isEmpty() || !QDir::isAbsolutePath(text))
            return std::nullopt;
        return QVariant(QDir::cleanPath(text));
    case CommandArgument::Switch:
        if (text.isEmpty())
            return QVariant();
        if (text == QLatin1String("on") || text == QLatin1String("off"))
            return QVariant(text == QLatin1String("on"));
        return std::nullopt;
    case CommandArgument::Channel:
        if (text.isEmpty())
            return QVariant();
        if (const auto channel = ChannelNamed(text))
            return QVariant(static_cast<int>(*channel));
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

void ServeConnection(QLocalSocket* socket, RequestHandler handler) {
    if (openConnections >= MaxConnections) {
        qCWarning(lcInstance) << "too many connections; one closed unanswered";
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++openConnections;
    QObject::connect(socket, &QObject::destroyed, [] { --openConnections; });
    auto connection = std::make_shared<Connection>();
    QObject::connect(socket, &QLocalSocket::readyRead, socket,
                     [socket, connection, handler] { readFrom(socket, *connection, handler); });
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    watchTime(socket, connection);
    if (socket->bytesAvailable() > 0)
        readFrom(socket, *connection, handler);
}

QByteArray RunRemoteRequest(const remote::Request& request,
                            const std::function<void()>& bringToFront) {
    if (request.verb == QLatin1String("activate") && request.argument.isEmpty()) {
        bringToFront();
        return remote::OkAnswer();
    }
    const std::optional<Command> command = CommandNamed(request.verb);
    if (!command)
        return remote::ErrorAnswer("unknown-command");
    const CommandInfo& info = InfoOf(*command);
    const std::optional<QVariant> argument = argumentFor(info, request.argument);
    if (!argument)
        return remote::ErrorAnswer("bad-argument");
    qCDebug(lcInstance) << "remote" << info.name << *argument;
    Execute(*command, *argument);
    if (*command == Command::Open)
        bringToFront();
    return remote::OkAnswer();
}

} // namespace modMain
