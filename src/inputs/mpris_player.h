// MPRIS's player interface (org.mpris.MediaPlayer2.Player): every method runs
// a command of the table, every property is read from the player as it is.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)

  public:
    explicit MprisPlayer(QObject* parent);

    QString playbackStatus() const;
    double rate() const;
    void setRate(double rate);
    double minimumRate() const { return 0.5; }
    double maximumRate() const { return 3.0; }
    QVariantMap metadata() const;
    // The player has no volume of its own; the desktop's mixer has.
    double volume() const { return 1.0; }
    void setVolume(double) {}
    qlonglong position() const;
    bool canControl() const { return true; }

    // A new file was opened: it gets a track id of its own.
    void NextTrack() { ++track_; }

  public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString& uri);

  signals:
    void Seeked(qlonglong position);

  private:
    QDBusObjectPath trackId() const;
    void seekToMicroseconds(qlonglong position);

    int track_ = 0;
};
