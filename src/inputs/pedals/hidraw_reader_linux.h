// Reads the reports of one pedal device: a hidraw node, whose every read is
// one report, or a FIFO standing in for one, whose bytes are cut into reports
// of the layout's size. Non-blocking, woken by a socket notifier.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace inputs {

// Opens a device read-only and non-blocking: the descriptor, or -errno.
// Replaceable so tests can make an open fail as it would for a user without
// the rights (root opens everything).
using DeviceOpener = std::function<int(const QString& path)>;
DeviceOpener SystemOpener();

class HidrawReader : public QObject {
    Q_OBJECT

  public:
    explicit HidrawReader(DeviceOpener opener = SystemOpener(), QObject* parent = nullptr);
    ~HidrawReader() override;

    // 0 when open, else the errno of the failed open. streamReportBytes is
    // the size of a report on a FIFO (with its id byte, if any).
    int Open(const QString& path, int streamReportBytes);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    QString Path() const { return path_; }

  signals:
    void report(const QByteArray& bytes);
    // What was read up to now no longer holds: the device went away (then
    // the reader is closed) or the FIFO's writer closed it (then the reader
    // waits for the next writer).
    void lost();

  private:
    void readAvailable();
    // True while the device may still give more.
    bool readOnce();
    int openFd();

    DeviceOpener opener_;
    QString path_;
    int fd_ = -1;
    bool stream_ = false;
    bool fifo_ = false;
    int streamBytes_ = 1;
    QByteArray pending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace inputs
