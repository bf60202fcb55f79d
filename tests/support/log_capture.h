// Records the warnings of one logging category while it lives, so a test can
// check what a failure the user cannot see leaves in the log.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class LogCapture {
  public:
    explicit LogCapture(const char* category);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList warnings;

  private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QString category_;
    QtMessageHandler previous_ = nullptr;
};
