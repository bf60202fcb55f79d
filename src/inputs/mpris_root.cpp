#include "inputs/mpris_root.h"

#include "core/modMain.h"

MprisRoot::MprisRoot(QObject* parent, std::function<void()> raise, std::function<void()> quit)
    : QDBusAbstractAdaptor(parent), raise_(std::move(raise)), quit_(std::move(quit)) {}

QString MprisRoot::identity() const {
    return modMain::AppTitle;
}

QString MprisRoot::desktopEntry() const {
#ifdef MEMOTAP_APP_ID
    return QStringLiteral(MEMOTAP_APP_ID);
#else
    return QStringLiteral("memotap");
#endif
}

QStringList MprisRoot::supportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"),    QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/wav"),     QStringLiteral("audio/mp4"),
            QStringLiteral("audio/aac"),     QStringLiteral("audio/ogg"),
            QStringLiteral("audio/opus"),    QStringLiteral("audio/flac"),
            QStringLiteral("audio/x-ms-wma")};
}

void MprisRoot::Raise() {
    raise_();
}

void MprisRoot::Quit() {
    quit_();
}
