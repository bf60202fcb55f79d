// The sending side of the socket, for the command-line client and for a
// second start of the player.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace remote {

struct Answer {
    bool ok = false;
    QByteArray reason; // of an ERR answer; "no-answer" when none came in time
};

// Sends one request and waits for the answer. Nothing when no player
// listens at socketPath, also when the player dropped the connection and
// stopped listening (it closed meanwhile); a player that took the
// connection but did not answer within timeoutMs still counts as running.
std::optional<Answer> SendRequest(const QString& socketPath, const QByteArray& request,
                                  int timeoutMs);

} // namespace remote
