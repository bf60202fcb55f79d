#include "core/remote/socket_path.h"

#include "core/log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace remote {

namespace {

// A folder only this user can enter: made 0700 when missing, refused when it
// belongs to someone else or others may enter it.
bool isPrivateFolder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        qCWarning(lcInstance) << "cannot make" << path << std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        qCWarning(lcInstance) << path << "is not a private folder of this user";
        return false;
    }
    return true;
}

QString runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(QString::fromLocal8Bit(runtime)).isDir())
        return QString::fromLocal8Bit(runtime);
    const QByteArray own = QDir::tempPath().toLocal8Bit() + "/memotap-" +
                           QByteArray::number(static_cast<qulonglong>(::getuid()));
    return isPrivateFolder(own) ? QString::fromLocal8Bit(own) : QString();
}

} // namespace

QString SocketPath(const QString& settingsFolder) {
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return {};
    QString canonical = QFileInfo(settingsFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QFileInfo(settingsFolder).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return folder + QStringLiteral("/memotap-") + QString::fromLatin1(hash);
}

} // namespace remote
