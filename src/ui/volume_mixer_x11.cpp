// Volume mixers of the Linux desktops, and the X11 launch id that keeps the
// focus with the player.
#include "ui/volume_mixer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QtGui/private/qtx11extras_p.h>
#include <algorithm>

namespace modMain {

namespace {

bool DesktopIs(const QStringList& desktops, const char* name) {
    return desktops.contains(QLatin1String(name), Qt::CaseInsensitive);
}

} // namespace

std::vector<MixerCommand> DesktopMixers() {
    const QStringList desktops =
        QProcessEnvironment::systemEnvironment().value("XDG_CURRENT_DESKTOP").split(':');
    std::vector<MixerCommand> mixers;
    auto add = [&mixers](MixerCommand command) {
        if (std::find(mixers.begin(), mixers.end(), command) == mixers.end())
            mixers.push_back(std::move(command));
    };
    // The desktop's own sound settings first, where it has them.
    if (DesktopIs(desktops, "GNOME") || DesktopIs(desktops, "Unity") ||
        DesktopIs(desktops, "Budgie"))
        add({"gnome-control-center", {"sound"}});
    if (DesktopIs(desktops, "KDE")) {
        add({"pavucontrol-qt", {}});
        add({"kcmshell6", {"kcm_pulseaudio"}});
        add({"kcmshell5", {"kcm_pulseaudio"}});
    }
    if (DesktopIs(desktops, "X-Cinnamon"))
        add({"cinnamon-settings", {"sound"}});
    if (DesktopIs(desktops, "MATE"))
        add({"mate-volume-control", {}});
    if (DesktopIs(desktops, "LXQt"))
        add({"pavucontrol-qt", {}});
    // Then the mixers that serve any desktop, per application like a
    // system mixer, then the desktops' settings.
    add({"pavucontrol", {}});
    add({"pwvucontrol", {}});
    add({"pavucontrol-qt", {}});
    add({"gnome-control-center", {"sound"}});
    add({"mate-volume-control", {}});
    return mixers;
}

QString MixerStartupId() {
    if (!QX11Info::isPlatformX11())
        return {};
    // A launch time just before the user's last action in the player: window
    // managers that prevent focus stealing then leave the focus where it is.
    const quint32 userTime = QX11Info::appUserTime();
    if (userTime <= 1)
        return {};
    return QStringLiteral("memotap-%1-mixer_TIME%2")
        .arg(QCoreApplication::applicationPid())
        .arg(userTime - 1);
}

} // namespace modMain
