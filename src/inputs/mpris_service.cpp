#include "inputs/mpris_service.h"

#include "core/log.h"
#include "core/player_events.h"
#include "inputs/mpris_player.h"
#include "inputs/mpris_root.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <algorithm>
#include <unistd.h>

namespace inputs {

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.memotap");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Tells listeners the new values of the player's properties.
void announce(const MprisPlayer* player, std::initializer_list<const char*> names) {
    QVariantMap changed;
    for (const char* name : names)
        changed.insert(QString::fromLatin1(name), player->property(name));
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    if (!QDBusConnection::sessionBus().send(signal))
        qCWarning(lcMpris) << "PropertiesChanged not sent";
}

void announceEvents(MprisPlayer* player) {
    modMain::PlayerEvents& events = modMain::Events();
    QObject::connect(&events, &modMain::PlayerEvents::stateChanged, player, [player] {
        announce(player, {"PlaybackStatus", "Metadata"});
    });
    QObject::connect(&events, &modMain::PlayerEvents::speedChanged, player,
                     [player] { announce(player, {"Rate"}); });
    QObject::connect(&events, &modMain::PlayerEvents::fileOpened, player, [player] {
        player->NextTrack();
        announce(player, {"Metadata", "PlaybackStatus"});
    });
    QObject::connect(
        &events, &modMain::PlayerEvents::seeked, player, [player](modMain::Long seconds) {
            const modMain::Long end = std::max<modMain::Long>(modMain::FileInfo.TotalSeconds, 0);
            emit player->Seeked(qlonglong{std::clamp<modMain::Long>(seconds, 0, end)} * 1000000);
        });
}

} // namespace

std::unique_ptr<QObject> StartMpris(std::function<void()> raise, std::function<void()> quit) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcMpris) << "no session bus; the player runs without MPRIS";
        return nullptr;
    }
    auto object = std::make_unique<QObject>();
    new MprisRoot(object.get(), std::move(raise), std::move(quit));
    auto* player = new MprisPlayer(object.get());
    if (!bus.registerObject(ObjectPath, object.get(), QDBusConnection::ExportAdaptors)) {
        qCWarning(lcMpris) << "cannot register" << ObjectPath << bus.lastError().message();
        return nullptr;
    }
    // A second player (another settings folder) takes a name of its own, as
    // MPRIS suggests.
    if (!bus.registerService(ServiceName) &&
        !bus.registerService(ServiceName + QStringLiteral(".instance") +
                             QString::number(::getpid())))
        qCWarning(lcMpris) << "cannot take an MPRIS bus name:" << bus.lastError().message();
    announceEvents(player);
    return object;
}

} // namespace inputs
