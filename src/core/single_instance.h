// One running player per executable. The first instance listens on a local
// socket named from the title, the user and the executable's path; a second
// start connects, asks the first to come to the front, and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // The socket name for this executable and user.
    static QString serverNameFor(const QString& title, const QString& executablePath);

    // True when another instance answered and was asked to come to the front.
    bool activateRunningInstance();
    // Starts listening; a socket left behind by a crashed instance is removed.
    bool listen();

  signals:
    void activationRequested();

  private:
    QString serverName_;
    QLocalServer server_;
};
