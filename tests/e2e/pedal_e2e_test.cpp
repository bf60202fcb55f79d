// A foot pedal on a FIFO (MEMOTAP_PEDAL_DEVICE) driving the real player and
// engine under a private X server: the middle pedal plays while held and
// pauses on release, a new press resumes REV seconds back, and the left
// pedal held rewinds again and again. The player is watched through MPRIS on
// a private session bus.
#include "core/textfile.h"
#include "support/private_bus.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Service = QStringLiteral("org.mpris.MediaPlayer2.memotap");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr int Rev = 3;
constexpr int RewFF = 4;

// The test's own session bus, to read the player's state over MPRIS.
class Bus {
  public:
    QString address() const { return daemon_.address(); }

    // A property of the player's MPRIS object as gdbus prints it.
    std::optional<QString> property(const QString& name) const {
        QProcess gdbus;
        gdbus.setProcessEnvironment(environment());
        gdbus.start("gdbus",
                    {"call", "--session", "--dest", Service, "--object-path",
                     "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                     "'" + PlayerInterface + "'", "'" + name + "'"});
        if (!gdbus.waitForFinished(10000) || gdbus.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(gdbus.readAllStandardOutput()).trimmed();
    }
    bool status(const QString& wanted) const {
        return property("PlaybackStatus") == QStringLiteral("(<'%1'>,)").arg(wanted);
    }
    // The position in whole seconds, or -1.
    int seconds() const {
        static const QRegularExpression number(QStringLiteral("int64 (\\d+)"));
        const auto match = number.match(property("Position").value_or(QString()));
        return match.hasMatch() ? static_cast<int>(match.captured(1).toLongLong() / 1000000) : -1;
    }

  private:
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address());
        return env;
    }
    PrivateBus daemon_;
};

class PedalE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        player.environment().insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        fifo = player.path("pedal");
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        player.environment().insert("MEMOTAP_PEDAL_DEVICE", fifo + ",05f3:00ff");
    }
    void TearDown() override {
        if (pedal >= 0)
            ::close(pedal);
    }

    // The Infinity pedal's report: left 1, middle 2, right 4.
    void step(char pedals) {
        const char report[2] = {pedals, 0};
        ASSERT_EQ(::write(pedal, report, 2), 2);
    }

    XSession x;
    SoundServer sound;
    Bus bus;
    PlayerRun player{x};
    QString fifo;
    int pedal = -1;
};

TEST_F(PedalE2E, MiddleHeldPlaysReleasePausesAndLeftHeldRewindsAgain) {
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 60));
    player.writeFile(
        "hMEMOTAP.txt",
        textfile::encode(QStringLiteral("0,0,1\r\n\"%1\",30\r\n\"\",0\r\n\"\",0\r\n"
                                        "\"\",0\r\n\"\",0\r\n100,%2,10,%3,%3\r\n2\r\n"
                                        "0,0,0,\"黒\"\r\n255,255,255,\"白\"\r\n0,1\r\n")
                             .arg(tone)
                             .arg(Rev)
                             .arg(RewFF)));
    player.start();
    ASSERT_TRUE(x.waitForWindow("^tone\\.wav - メモタップ$"));
    // The player opens the FIFO for reading; until then a writer cannot.
    ASSERT_TRUE(WaitUntil(
        [&] {
            pedal = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            return pedal >= 0;
        },
        15000));
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Paused"); }, 15000));
    ASSERT_EQ(bus.seconds(), 30);

    // A tap first: it resumes REV seconds back and plays until the sound
    // runs (a fresh sound server takes a while to start its output).
    step(2);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Playing"); }, 10000));
    const int tapped = bus.seconds();
    EXPECT_GE(tapped, 30 - Rev);
    EXPECT_LE(tapped, 30 - Rev + 1);
    ASSERT_TRUE(WaitUntil([&] { return bus.seconds() > tapped; }, 15000));
    step(0);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Paused"); }, 10000));

    // Held for two seconds: plays, then pauses about two seconds on.
    const int start = bus.seconds();
    step(2);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Playing"); }, 10000));
    const int resumed = start - Rev;
    QThread::msleep(2000); // the foot on the pedal
    step(0);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Paused"); }, 10000));
    const int paused = bus.seconds();
    EXPECT_GE(paused, resumed + 1) << "played about two seconds";
    EXPECT_LE(paused, resumed + 3) << "played about two seconds";

    // Pressed again: resumes REV seconds before the pause.
    step(2);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Playing"); }, 10000));
    const int again = bus.seconds();
    EXPECT_GE(again, paused - Rev);
    EXPECT_LE(again, paused - Rev + 1);
    step(0);
    ASSERT_TRUE(WaitUntil([&] { return bus.status("Paused"); }, 10000));
    const int before = bus.seconds();
    ASSERT_GE(before, 3 * RewFF);

    // Left held for a second: the first step, then at least one repeat.
    step(1);
    QThread::msleep(1000);
    step(0);
    EXPECT_TRUE(WaitUntil([&] { return bus.seconds() <= before - 2 * RewFF; }, 10000))
        << "from " << before << " to " << bus.seconds();
    EXPECT_TRUE(bus.status("Paused"));

    EXPECT_EQ(player.process(0).state(), QProcess::Running);
    player.terminate(0);
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
