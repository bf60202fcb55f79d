// One running player per settings folder. The first instance listens on the
// remote-control socket (core/remote/socket_path.h); a second start connects,
// asks the first to come to the front (or to open its file), and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // True when another instance answered and was asked to come to the
    // front, or to open openPath when one is given.
    bool activateRunningInstance(const QString& openPath = {});
    // Starts listening; a socket left behind by a crashed instance is removed.
    bool listen();

  signals:
    void activationRequested();

  private:
    QString serverName_;
    QLocalServer server_;
};
