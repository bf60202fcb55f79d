// A program started with posix_spawn, so that its start is timed from the
// spawn itself; ended (SIGTERM, then SIGKILL) and reaped with the object.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

class Spawned {
  public:
    Spawned(const QString& program, const QStringList& arguments, const QProcessEnvironment& env);
    ~Spawned();
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;

    // 0 when the spawn failed.
    pid_t pid() const { return pid_; }
    // The exit code once the program has ended (-1 for a signal), without
    // waiting; nothing while it runs.
    std::optional<int> exitCode();
    // Asks the program to end and waits for it; kills it after timeoutMs.
    void stop(int timeoutMs = 5000);

  private:
    pid_t pid_ = 0;
    std::optional<int> exitCode_;
};
