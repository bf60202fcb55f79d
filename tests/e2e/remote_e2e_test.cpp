// The command line and the socket from another process, against the real
// player under a private X server: commands reach the running player and
// never start one, files open in it, and no client can break it.
#include "core/remote/socket_path.h"
#include "core/textfile.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// The saved history entry n (1-based) as (path, position).
std::pair<QString, int> savedEntry(const PlayerRun& player, int n) {
    const QStringList lines = textfile::decode(player.readFile("hMEMOTAP.txt")).split("\r\n");
    if (n >= lines.size())
        return {};
    const QString path = lines[n].section(',', 0, -2);
    return {path.mid(1, path.size() - 2), lines[n].section(',', -1).toInt()};
}

// "[hh:mm:ss]" in seconds, or -1.
int secondsOf(const QString& stamp) {
    static const QRegularExpression format(QStringLiteral("^\\[(\\d+):(\\d\\d):(\\d\\d)\\]$"));
    const auto match = format.match(stamp);
    if (!match.hasMatch())
        return -1;
    return match.captured(1).toInt() * 3600 + match.captured(2).toInt() * 60 +
           match.captured(3).toInt();
}

class RemoteE2E : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(PrepareRun(x, sound, player)); }

    QString startWith(const QString& title, const QStringList& arguments = {}) {
        player.start(arguments);
        return x.waitForWindow("^" + QRegularExpression::escape(title) + "$").value_or(QString());
    }

    // The position the player copies with --copy-time, read from the clipboard.
    int copiedSeconds(const QString& selection = QStringLiteral("clipboard")) {
        const std::optional<QString> copied = CopyTimeFrom(x, player, selection);
        EXPECT_TRUE(copied) << "nothing was copied";
        return secondsOf(copied.value_or(QString()));
    }

    int playerWindows() const {
        const auto all = x.xdotool({"search", "--onlyvisible", "--name", "メモタップ$"});
        return all ? static_cast<int>(all->split('\n').size()) : 0;
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
};

TEST_F(RemoteE2E, PlayPauseFromTheCommandLineAndTheTimestampMatchTheSavedPlace) {
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 60));
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 5)}));
    ASSERT_FALSE(startWith("tone.wav - メモタップ").isEmpty());
    EXPECT_EQ(copiedSeconds(), 5);

    ASSERT_EQ(player.command({"--play-pause"}).exitCode, 0);
    QElapsedTimer timer;
    timer.start();
    int now = 0;
    while ((now = copiedSeconds()) < 7 && timer.elapsed() < 10000)
        QThread::msleep(200);
    ASSERT_GE(now, 7) << "the file did not play";

    ASSERT_EQ(player.command({"--play-pause"}).exitCode, 0);
    const int paused = copiedSeconds();
    EXPECT_EQ(copiedSeconds("primary"), paused) << "the primary selection has it too";
    // Still there a moment later: paused, not playing on.
    QThread::msleep(1200);
    EXPECT_EQ(copiedSeconds(), paused);

    player.terminate(0);
    ASSERT_EQ(player.waitForExit(0), 0);
    EXPECT_EQ(savedEntry(player, 1), std::make_pair(tone, paused));
}

// The sound library loads once the window is up; commands that come before
// it wait for the reopen of the last file and then run in the order sent.
TEST_F(RemoteE2E, CommandsSentWhileTheEngineLoadsRunAfterTheReopenInOrder) {
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 60));
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 5)}));
    player.start();
    // Sent as soon as the player listens, which is before its window shows.
    ASSERT_TRUE(WaitUntil([&] { return player.command({"--seek", "20"}).exitCode == 0; }, 15000));
    ASSERT_EQ(player.command({"--play"}).exitCode, 0);
    ASSERT_TRUE(x.waitForWindow("^tone\\.wav - メモタップ$"));

    // Run before the reopen, the seek would be undone by it; run in the
    // other order, playback would start from 5 s.
    QElapsedTimer timer;
    timer.start();
    int now = 0;
    while ((now = copiedSeconds()) < 22 && timer.elapsed() < 10000) {
        ASSERT_GE(now, 20) << "the seek was lost or ran before the reopen";
        QThread::msleep(200);
    }
    EXPECT_GE(now, 22) << "the play was lost";
}

TEST_F(RemoteE2E, AFileOpensInTheRunningPlayerOrInANewOneAfterItsLastFile) {
    const QString first = player.path("a.wav");
    const QString second = player.path("b.wav");
    const QString third = player.path("c d.wav");
    for (const QString& file : {first, second, third})
        ASSERT_TRUE(MakeToneWav(file, 20));
    player.writeFile("hMEMOTAP.txt", settings({entry(first, 3)}));

    // None running: a player starts, reopens a.wav, then opens b.wav.
    ASSERT_FALSE(startWith("b.wav - メモタップ", {"b.wav"}).isEmpty());
    // Opened, at its start: a file handed over while b.wav still opened would
    // replace it.
    EXPECT_EQ(copiedSeconds(), 0);
    // Running: the new process hands c d.wav over, by a relative name, and ends.
    const auto handed = player.command({"c d.wav"});
    EXPECT_EQ(handed.exitCode, 0) << handed.err.toStdString();
    ASSERT_TRUE(x.waitForWindow("^c d\\.wav - メモタップ$", 10000));
    EXPECT_EQ(copiedSeconds(), 0);
    EXPECT_EQ(playerWindows(), 1);
    EXPECT_EQ(player.process(0).state(), QProcess::Running);

    player.terminate(0);
    ASSERT_EQ(player.waitForExit(0), 0);
    EXPECT_EQ(savedEntry(player, 1).first, third) << "made absolute before it was sent";
    EXPECT_EQ(savedEntry(player, 2).first, second);
    EXPECT_EQ(savedEntry(player, 3), std::make_pair(first, 3));
}

TEST_F(RemoteE2E, CommandsNeverStartAPlayerAndTheUsageIsKept) {
    player.environment().remove("DISPLAY");
    const auto none = player.command({"--pause"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err.count('\n'), 1) << none.err.toStdString();
    EXPECT_EQ(player.command({"--seek", "1:00"}).exitCode, 1);

    const auto help = player.command({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--play-pause"));
    const auto version = player.command({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("memotap "));
    const auto unknown = player.command({"--eject"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("Usage:"));
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(player.path("hMEMOTAP.txt"))) << "no player ran";
}

TEST_F(RemoteE2E, GarbageAndFloodsOnTheSocketLeaveThePlayerAnswering) {
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 20));
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 4)}));
    ASSERT_FALSE(startWith("tone.wav - メモタップ").isEmpty());

    // The socket as the player's environment names it.
    const QByteArray ownRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", player.path(".runtime").toLocal8Bit());
    const QString socketPath = remote::SocketPath(player.folder());
    qputenv("XDG_RUNTIME_DIR", ownRuntime);

    QByteArray noise(64 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    for (const QByteArray& bytes : {noise, "MEMOTAP/1 open /" + QByteArray(1 << 20, 'a') + '\n',
                                    QByteArray("MEMOTAP/1 pa")}) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(bytes);
        QElapsedTimer timer;
        timer.start();
        // The player closes each of them within its time limit.
        while (socket.state() != QLocalSocket::UnconnectedState && timer.elapsed() < 10000)
            socket.waitForDisconnected(100);
        EXPECT_EQ(socket.state(), QLocalSocket::UnconnectedState);
    }
    EXPECT_EQ(player.process(0).state(), QProcess::Running);
    EXPECT_EQ(copiedSeconds(), 4) << "the player still answers";
    ASSERT_EQ(player.command({"--seek", "0:12"}).exitCode, 0);
    EXPECT_EQ(copiedSeconds(), 12);
    player.terminate(0);
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
