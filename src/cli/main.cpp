// `memotap`: hands a command or a file to the running player and ends, or
// starts the player (memotap-player beside it). It links Qt Core and Qt
// Network only, so a command costs no more than a small process start.
#include "cli/options.h"
#include "core/remote/client.h"
#include "core/remote/request.h"
#include "core/remote/settings_location.h"
#include "core/remote/socket_path.h"

#include <QFile>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

// Generous: a command runs at once, an open may have to decode a file.
constexpr int AnswerTimeoutMs = 10000;

void printError(const QString& text) {
    std::fprintf(stderr, "memotap: %s\n", text.toLocal8Bit().constData());
}

QString ownFolder() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

// Replaces this process with the player, so that whoever started memotap
// waits for the player itself.
int execPlayer(const QString& folder, const QStringList& arguments) {
    const QByteArray player = QFile::encodeName(folder + QStringLiteral("/memotap-player"));
    std::vector<QByteArray> storage{player};
    for (const QString& argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    ::execv(player.constData(), argv.data());
    printError(QStringLiteral("cannot start %1: %2")
                   .arg(QFile::decodeName(player), QString::fromLocal8Bit(std::strerror(errno))));
    return 1;
}

// Sends one request: the exit code once the player answered, nothing when
// no player is running.
std::optional<int> trySend(const QString& socket, const QString& command, const QString& argument) {
    const std::optional<QByteArray> request = remote::FormatRequest(command, argument);
    if (!request) {
        printError(QStringLiteral("a line break cannot be sent to the player"));
        return 2;
    }
    const std::optional<remote::Answer> answer =
        remote::SendRequest(socket, *request, AnswerTimeoutMs);
    if (!answer)
        return std::nullopt;
    if (answer->reason == "no-answer") {
        printError(QStringLiteral("the player did not answer"));
        return 1;
    }
    if (!answer->ok) {
        printError(QStringLiteral("the player refused the request: %1")
                       .arg(QString::fromUtf8(answer->reason)));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    const cli::Options options = cli::ParseOptions(arguments);
    using Action = cli::Options::Action;
    switch (options.action) {
    case Action::Help:
        std::fputs(cli::UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    case Action::Version:
        std::printf("memotap %s\n", MEMOTAP_VERSION);
        return 0;
    case Action::Usage:
        printError(options.problem);
        std::fputs(cli::UsageText().toLocal8Bit().constData(), stderr);
        return 2;
    default:
        break;
    }

    const QString folder = ownFolder();
    // The player's settings folder names its socket.
    const QString settings =
        modMain::LocateSettings(folder, QStringLiteral(MEMOTAP_INSTALL_BINDIR),
                                qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath())
            .folder;
    const QString socket = remote::SocketPath(settings);
    switch (options.action) {
    case Action::SendCommand:
        if (const std::optional<int> code = trySend(socket, options.command, options.argument))
            return *code;
        printError(QStringLiteral("no player is running"));
        return 1;
    case Action::OpenFile:
        if (const std::optional<int> code =
                trySend(socket, QStringLiteral("open"), options.argument))
            return *code;
        return execPlayer(folder, {options.argument});
    default:
        if (const std::optional<int> code = trySend(socket, QStringLiteral("activate"), {}))
            return *code;
        return execPlayer(folder, {});
    }
}
