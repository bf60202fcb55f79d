// MPRIS against the real player on a private session bus: the properties a
// desktop reads, the methods media keys call, and the signals that keep a
// desktop's widget up to date.
#include "core/textfile.h"
#include "support/private_bus.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString Service = QStringLiteral("org.mpris.MediaPlayer2.memotap");
const QString Path = QStringLiteral("/org/mpris/MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A string argument in GVariant's text format, as gdbus reads its arguments.
QString quoted(const QString& text) {
    return u'\'' + text + u'\'';
}

class MprisE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        player.environment().insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    }

    QProcessEnvironment busEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        return env;
    }

    // gdbus call on the player's object; its printed answer, or nothing.
    std::optional<QString> call(const QString& method, const QStringList& arguments = {}) const {
        QProcess gdbus;
        gdbus.setProcessEnvironment(busEnvironment());
        gdbus.start("gdbus", QStringList{"call", "--session", "--dest", Service, "--object-path",
                                         Path, "--method", method} +
                                 arguments);
        if (!gdbus.waitForFinished(10000) || gdbus.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(gdbus.readAllStandardOutput()).trimmed();
    }

    std::optional<QString> property(const QString& interface, const QString& name) const {
        return call("org.freedesktop.DBus.Properties.Get", {quoted(interface), quoted(name)});
    }

    // Waits until the bus monitor has printed text matching pattern.
    bool monitorShows(const QString& pattern, int timeoutMs = 10000) {
        const QRegularExpression expression(pattern);
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            monitor.waitForReadyRead(100);
            monitored += QString::fromUtf8(monitor.readAllStandardOutput());
            if (expression.match(monitored).hasMatch())
                return true;
        }
        return false;
    }

    void startMonitor() {
        monitor.setProcessEnvironment(busEnvironment());
        monitor.start("gdbus", {"monitor", "--session", "--dest", Service});
        ASSERT_TRUE(monitor.waitForStarted(5000));
        ASSERT_TRUE(monitorShows("Monitoring signals")) << monitored.toStdString();
    }

    void TearDown() override {
        monitor.kill();
        monitor.waitForFinished(3000);
    }

    XSession x;
    SoundServer sound;
    PrivateBus bus;
    PlayerRun player{x};
    QProcess monitor;
    QString monitored;
};

TEST_F(MprisE2E, DesktopsReadTheStateAndDriveThePlayer) {
    const QString tone = player.path("録音 1.wav");
    ASSERT_TRUE(MakeToneWav(tone, 30));
    player.writeFile(
        "hMEMOTAP.txt",
        textfile::encode(QStringLiteral("0,0,1\r\n\"%1\",4\r\n\"\",0\r\n\"\",0\r\n"
                                        "\"\",0\r\n\"\",0\r\n100,0,10,4,4\r\n2\r\n"
                                        "0,0,0,\"黒\"\r\n255,255,255,\"白\"\r\n0,1\r\n")
                             .arg(tone)));
    player.start();
    ASSERT_TRUE(x.waitForWindow("^録音 1\\.wav - メモタップ$"));

    QElapsedTimer timer;
    timer.start();
    std::optional<QString> identity;
    while (!(identity = property("org.mpris.MediaPlayer2", "Identity")) && timer.elapsed() < 10000)
        QThread::msleep(100);
    ASSERT_TRUE(identity) << "the player took no MPRIS name";
    EXPECT_EQ(*identity, "(<'メモタップ'>,)");
    EXPECT_EQ(property("org.mpris.MediaPlayer2", "DesktopEntry"),
              QStringLiteral("(<'%1'>,)").arg(MEMOTAP_APP_ID));
    // The window names the file while it still opens; paused at its place
    // once it has opened.
    EXPECT_TRUE(WaitUntil(
        [&] { return property(PlayerInterface, "PlaybackStatus") == "(<'Paused'>,)"; }, 15000));
    EXPECT_EQ(property(PlayerInterface, "Position"), "(<int64 4000000>,)");
    const QString metadata = property(PlayerInterface, "Metadata").value_or(QString());
    EXPECT_TRUE(metadata.contains("'mpris:length': <int64 30000000>")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("'xesam:title': <'録音 1.wav'>")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("'xesam:url': <'file://")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("'mpris:trackid': <objectpath '/org/memotap/track/"));

    startMonitor();
    ASSERT_TRUE(call(PlayerInterface + ".PlayPause"));
    EXPECT_TRUE(monitorShows("PropertiesChanged.*'PlaybackStatus': <'Playing'>"))
        << monitored.toStdString();
    EXPECT_EQ(property(PlayerInterface, "PlaybackStatus"), "(<'Playing'>,)");
    ASSERT_TRUE(call(PlayerInterface + ".Pause"));
    EXPECT_TRUE(monitorShows("'PlaybackStatus': <'Paused'>")) << monitored.toStdString();

    // A play, a read and a pause faster than the player looks at its state:
    // the client read Playing, so the pause is announced.
    monitored.clear();
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "mpris-client");
    const auto method = [](const QString& interface, const QString& name) {
        return QDBusMessage::createMethodCall(Service, Path, interface, name);
    };
    client.asyncCall(method(PlayerInterface, "Play"));
    QDBusMessage get = method("org.freedesktop.DBus.Properties", "Get");
    get << PlayerInterface << QStringLiteral("PlaybackStatus");
    QDBusPendingCall read = client.asyncCall(get);
    client.asyncCall(method(PlayerInterface, "Pause"));
    read.waitForFinished();
    ASSERT_FALSE(read.isError()) << read.error().message().toStdString();
    EXPECT_EQ(read.reply().arguments().value(0).value<QDBusVariant>().variant().toString(),
              "Playing");
    EXPECT_TRUE(monitorShows("'Playing'>(.|\\n)*'PlaybackStatus': <'Paused'>"))
        << monitored.toStdString();
    QDBusConnection::disconnectFromBus("mpris-client");

    // Seek takes an offset in microseconds and clamps to the file.
    ASSERT_TRUE(
        call(PlayerInterface + ".SetPosition",
             {quoted(metadata.section("<objectpath '", 1).section('\'', 0, 0)), "10000000"}));
    EXPECT_TRUE(monitorShows("Seeked \\(int64 10000000,\\)")) << monitored.toStdString();
    ASSERT_TRUE(call(PlayerInterface + ".Seek", {"5000000"}));
    EXPECT_TRUE(monitorShows("Seeked \\(int64 15000000,\\)")) << monitored.toStdString();
    EXPECT_EQ(property(PlayerInterface, "Position"), "(<int64 15000000>,)");
    ASSERT_TRUE(call(PlayerInterface + ".Seek", {"999000000000"}));
    EXPECT_TRUE(monitorShows("Seeked \\(int64 30000000,\\)")) << monitored.toStdString();

    // The rate goes through the speed field.
    ASSERT_TRUE(
        call("org.freedesktop.DBus.Properties.Set", {quoted(PlayerInterface), "'Rate'", "<1.5>"}));
    EXPECT_TRUE(monitorShows("'Rate': <1.5>")) << monitored.toStdString();
    ASSERT_TRUE(
        call("org.freedesktop.DBus.Properties.Set", {quoted(PlayerInterface), "'Rate'", "<10.0>"}));
    EXPECT_TRUE(monitorShows("'Rate': <3.0>")) << monitored.toStdString();
    // Previous is the rewind by REW_FF seconds (4 here), from the end.
    ASSERT_TRUE(call(PlayerInterface + ".Previous"));
    EXPECT_TRUE(monitorShows("Seeked \\(int64 26000000,\\)")) << monitored.toStdString();

    ASSERT_TRUE(call("org.mpris.MediaPlayer2.Quit"));
    ASSERT_EQ(player.waitForExit(0), 0);
}

TEST_F(MprisE2E, WithoutASessionBusThePlayerRunsAsBefore) {
    player.environment().insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + player.path("none"));
    player.start();
    // No file, no settings: the first-start box, then the window.
    auto box = x.waitForWindow("^エラー$");
    ASSERT_TRUE(box);
    x.xdotool({"windowfocus", "--sync", *box});
    x.xdotool({"key", "--window", *box, "Return"});
    ASSERT_TRUE(x.waitForWindow("^メモタップ$"));
    EXPECT_FALSE(property(PlayerInterface, "PlaybackStatus")) << "nothing on the test's bus";
    EXPECT_EQ(player.process(0).state(), QProcess::Running);
    player.terminate(0);
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
