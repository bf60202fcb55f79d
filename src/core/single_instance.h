// One running player per executable. The first instance listens on a local
// socket named from the title, the user and the executable's path; a second
// start connects, asks the first to come to the front, and ends.
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

    // The socket name for this executable and user.
    static QString serverNameFor(const QString& title, const QString& executablePath);

    // True when another instance answered and was asked to come to the front.
    // When none did, the start-up lock stays taken for listen().
    bool activateRunningInstance();
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
