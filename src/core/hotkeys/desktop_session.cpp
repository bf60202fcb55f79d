#include "core/hotkeys/desktop_session.h"

#include "core/log.h"

#include <QtGlobal>

namespace modMain {

bool IsWaylandSession(const QString& waylandDisplay, const QString& sessionType) {
    return !waylandDisplay.isEmpty() ||
           sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool IsWaylandSession() {
    return IsWaylandSession(qEnvironmentVariable("WAYLAND_DISPLAY"),
                            qEnvironmentVariable("XDG_SESSION_TYPE"));
}

namespace {

bool NamesDesktop(const QString& currentDesktop, QLatin1String desktop) {
    const QStringList names = currentDesktop.split(u':', Qt::SkipEmptyParts);
    for (const QString& name : names)
        if (name.compare(desktop, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

bool IsGnomeDesktop(const QString& currentDesktop) {
    return NamesDesktop(currentDesktop, QLatin1String("GNOME"));
}

bool IsGnomeDesktop() {
    return IsGnomeDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

bool IsKdeDesktop(const QString& currentDesktop) {
    return NamesDesktop(currentDesktop, QLatin1String("KDE"));
}

bool IsKdeDesktop() {
    return IsKdeDesktop(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

bool KeepWindowsOnXWayland() {
    if (!IsWaylandSession() || qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return false;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qCWarning(lcHotkeys) << "Wayland session without XWayland: windows run on Wayland";
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

} // namespace modMain
