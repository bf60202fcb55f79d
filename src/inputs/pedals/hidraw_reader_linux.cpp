#include "inputs/pedals/hidraw_reader_linux.h"

#include "core/log.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inputs {

namespace {

// Larger than any pedal's report; hidraw hands out one report per read.
constexpr int ReadBuffer = 256;

} // namespace

DeviceOpener SystemOpener() {
    return [](const QString& path) {
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    };
}

HidrawReader::HidrawReader(DeviceOpener opener, QObject* parent)
    : QObject(parent), opener_(std::move(opener)) {}

HidrawReader::~HidrawReader() {
    Close();
}

int HidrawReader::Open(const QString& path, int streamReportBytes) {
    Close();
    path_ = path;
    streamBytes_ = std::max(streamReportBytes, 1);
    return openFd();
}

int HidrawReader::openFd() {
    const int fd = opener_(path_);
    if (fd < 0)
        return -fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    // A character device (hidraw) keeps report boundaries; a FIFO or a file
    // is a stream of reports of one size.
    stream_ = !S_ISCHR(info.st_mode);
    fifo_ = S_ISFIFO(info.st_mode);
    fd_ = fd;
    pending_.clear();
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &HidrawReader::readAvailable);
    return 0;
}

void HidrawReader::Close() {
    notifier_.reset();
    if (fd_ >= 0 && ::close(fd_) != 0)
        qCWarning(lcPedals).noquote() << "closing" << path_ << "failed:" << std::strerror(errno);
    fd_ = -1;
    pending_.clear();
}

void HidrawReader::readAvailable() {
    // A report handler may close the reader; each pass checks.
    while (fd_ >= 0 && readOnce()) {
    }
}

bool HidrawReader::readOnce() {
    char buffer[ReadBuffer];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got > 0) {
        if (!stream_) {
            emit report(QByteArray(buffer, static_cast<qsizetype>(got)));
            return true;
        }
        pending_.append(buffer, static_cast<qsizetype>(got));
        while (fd_ >= 0 && pending_.size() >= streamBytes_) {
            const QByteArray one = pending_.left(streamBytes_);
            pending_.remove(0, streamBytes_);
            emit report(one);
        }
        return true;
    }
    if (got < 0 && errno == EINTR)
        return true;
    if (got < 0 && errno == EAGAIN)
        return false;
    if (got == 0 && fifo_) {
        // The writer has gone: start again for the next one. A FIFO opened
        // anew waits for a writer instead of reporting its end over and over.
        qCDebug(lcPedals).noquote() << path_ << "writer closed";
        Close();
        if (const int error = openFd())
            qCWarning(lcPedals).noquote()
                << "cannot reopen" << path_ << ":" << std::strerror(error);
        emit lost();
        return false;
    }
    // EIO or ENODEV when the device was unplugged; anything else is no
    // better. Either way nothing more comes from this descriptor.
    const int error = got < 0 ? errno : 0;
    if (error == EIO || error == ENODEV)
        qCInfo(lcPedals).noquote() << path_ << "unplugged:" << std::strerror(error);
    else if (error != 0)
        qCWarning(lcPedals).noquote() << "reading" << path_ << "failed:" << std::strerror(error);
    else
        qCInfo(lcPedals).noquote() << path_ << "ended";
    Close();
    emit lost();
    return false;
}

} // namespace inputs
