#include "startup/spawned.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

namespace {

// NULL-terminated pointers into storage.
std::vector<char*> pointers(std::vector<QByteArray>& storage) {
    std::vector<char*> result;
    for (QByteArray& bytes : storage)
        result.push_back(bytes.data());
    result.push_back(nullptr);
    return result;
}

} // namespace

Spawned::Spawned(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& env) {
    std::vector<QByteArray> argStorage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argStorage.push_back(QFile::encodeName(argument));
    std::vector<QByteArray> envStorage;
    for (const QString& variable : env.toStringList())
        envStorage.push_back(variable.toLocal8Bit());
    std::vector<char*> argv = pointers(argStorage);
    std::vector<char*> envp = pointers(envStorage);
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        pid_ = 0;
}

Spawned::~Spawned() {
    stop();
}

std::optional<int> Spawned::exitCode() {
    if (exitCode_ || pid_ == 0)
        return exitCode_;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_)
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
}

void Spawned::stop(int timeoutMs) {
    if (pid_ == 0 || exitCode())
        return;
    kill(pid_, SIGTERM);
    QElapsedTimer timer;
    timer.start();
    while (!exitCode() && timer.elapsed() < timeoutMs)
        QThread::msleep(5);
    if (exitCode())
        return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    exitCode_ = -1;
}
