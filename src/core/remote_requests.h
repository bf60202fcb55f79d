// The player's side of the remote-control socket: each connection is read
// without blocking, bounded in size and time, and its one request runs
// through the command table.
#pragma once

#include "core/remote/request.h"

#include <QByteArray>
#include <functional>

class QLocalSocket;

namespace modMain {

using RequestHandler = std::function<QByteArray(const remote::Request&)>;

// Reads one request from socket, answers it with handler's answer (or an
// error) and closes; takes ownership of socket.
void ServeConnection(QLocalSocket* socket, RequestHandler handler);

// Runs a request: "activate" only calls bringToFront, a command of the
// table runs through Execute (an open also brings the window to the front).
QByteArray RunRemoteRequest(const remote::Request& request,
                            const std::function<void()>& bringToFront);

} // namespace modMain
