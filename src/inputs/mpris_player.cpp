#include "inputs/mpris_player.h"

#include "core/commands.h"
#include "core/modMain.h"
#include "core/player_events.h"

#include <QUrl>
#include <algorithm>
#include <climits>
#include <cmath>

using namespace modMain;

namespace {

constexpr qlonglong MicrosecondsPerSecond = 1000000;

// The engine's state and place; Stopped means no file is open.
std::int32_t engineState(Long* position = nullptr) {
    Long p = 0;
    const std::int32_t state = vbmp3_getState(&p);
    if (position)
        *position = p;
    return state;
}

bool fileOpen() {
    const std::int32_t state = engineState();
    return state == StatePlaying || state == StatePaused;
}

} // namespace

MprisPlayer::MprisPlayer(QObject* parent) : QDBusAbstractAdaptor(parent) {
    setAutoRelaySignals(true);
}

QString MprisPlayer::playbackStatus() const {
    const std::int32_t state = engineState();
    // The status a client has read is the one later changes are announced
    // against: the poll alone would miss a pause and a play within one tick,
    // and the client would keep the status it read while the player plays.
    Events().NoteState(state);
    switch (state) {
    case StatePlaying:
        return QStringLiteral("Playing");
    case StatePaused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

double MprisPlayer::rate() const {
    return Pitch / 100.0;
}

void MprisPlayer::setRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0) // zero would be a pause; not ours to map
        return;
    const double clamped = std::clamp(rate, minimumRate(), maximumRate());
    Execute(Command::SetSpeed, static_cast<qlonglong>(std::lround(clamped * 100)));
}

QDBusObjectPath MprisPlayer::trackId() const {
    if (!fileOpen())
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/org/memotap/track/%1").arg(track_));
}

QVariantMap MprisPlayer::metadata() const {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    if (!fileOpen() || History[1].Path.isEmpty())
        return map;
    const QString& path = History[1].Path;
    map.insert(QStringLiteral("mpris:length"),
               qlonglong{FileInfo.TotalSeconds} * MicrosecondsPerSecond);
    map.insert(QStringLiteral("xesam:title"), path.section(u'/', -1));
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    return map;
}

qlonglong MprisPlayer::position() const {
    Long seconds = 0;
    engineState(&seconds);
    return qlonglong{seconds} * MicrosecondsPerSecond;
}

void MprisPlayer::Next() {
    Execute(Command::Forward);
}

void MprisPlayer::Previous() {
    Execute(Command::Rewind);
}

void MprisPlayer::Pause() {
    Execute(Command::Pause);
}

void MprisPlayer::PlayPause() {
    Execute(Command::PlayPause);
}

// Stop keeps the file open and its place, as a pause does.
void MprisPlayer::Stop() {
    Execute(Command::Pause);
}

void MprisPlayer::Play() {
    Execute(Command::Play);
}

void MprisPlayer::seekToMicroseconds(qlonglong position) {
    const qlonglong end =
        qlonglong{std::max<Long>(FileInfo.TotalSeconds, 0)} * MicrosecondsPerSecond;
    Execute(Command::SeekTo, std::clamp<qlonglong>(position, 0, end) / MicrosecondsPerSecond);
}

void MprisPlayer::Seek(qlonglong offset) {
    if (!fileOpen())
        return;
    const qlonglong from = position();
    // Saturating: an offset near the ends of the range must not wrap.
    const qlonglong target = offset > 0 ? (from > LLONG_MAX - offset ? LLONG_MAX : from + offset)
                                        : (from < LLONG_MIN - offset ? LLONG_MIN : from + offset);
    seekToMicroseconds(target);
}

void MprisPlayer::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    // A position meant for another track is stale; MPRIS asks players to ignore it.
    if (!fileOpen() || trackId != this->trackId())
        return;
    seekToMicroseconds(position);
}

void MprisPlayer::OpenUri(const QString& uri) {
    const QUrl url(uri);
    if (!url.isLocalFile())
        return;
    Execute(Command::Open, url.toLocalFile());
}
