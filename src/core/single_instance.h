// One running player per settings folder. The first instance listens on the
// remote-control socket (core/remote/socket_path.h); a second start connects,
// asks the first to come to the front (or to open its file), and ends.
//
// A lock file next to the socket makes "is another one running?" and "listen"
// one step: it is taken by activateRunningInstance() and held until listen()
// has finished, so of two starts within milliseconds the second only looks
// once the first listens, and finds it.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance answered and was asked to come to the
    // front, or to open openPath when one is given. When none did, the
    // start-up lock stays taken for listen().
    bool activateRunningInstance(const QString& openPath = {});
    // Starts listening; a socket left behind by a crashed instance is removed.
    // Releases the start-up lock.
    bool listen();

  signals:
    void activationRequested();

  private:
    void takeStartupLock();

    QString serverName_;
    QLocalServer server_;
    std::unique_ptr<QLockFile> startupLock_;
};
