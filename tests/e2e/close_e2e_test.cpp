// The real player closed from outside while it is busy: a termination signal
// during each start-up box, early in start-up, and while a dialog or a box is
// open; the close button or a signal while the last file reopens slowly; and a
// kill while paused, after which the place is still on disk.
#include "core/hotkeys/keyfile.h"
#include "core/modMain.h"
#include "core/textfile.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray defaultKeyFile() {
    modMain::InstallDefaultHotKeys();
    return modMain::KeyFileBytes();
}

// Holds the player's every open of one file while held, as a network share
// or a recorder on USB that answers late (a shim preloaded into the player).
class SlowOpens {
  public:
    SlowOpens(PlayerRun& player, const QString& file) : gate_(player.path("slow-gate")) {
        QProcessEnvironment& env = player.environment();
        env.insert("LD_PRELOAD", MEMOTAP_SLOW_OPEN_SHIM);
        env.insert("MEMOTAP_SLOW_OPEN_FILE", file);
        env.insert("MEMOTAP_SLOW_OPEN_GATE", gate_);
        // The shim comes before the sanitizer runtime of a sanitizer build.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS",
                   (asan.isEmpty() ? asan : asan + ':') + "verify_asan_link_order=0");
    }
    ~SlowOpens() { release(); }

    void hold() {
        QFile::remove(gate_ + ".held");
        QFile gate(gate_);
        ASSERT_TRUE(gate.open(QIODevice::WriteOnly));
    }
    bool holding() const { return QFile::exists(gate_ + ".held"); }
    void release() { QFile::remove(gate_); }

  private:
    QString gate_;
};

class CloseE2E : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(x.ok()) << "Xvfb did not start"; }

    void signal(PlayerRun& player, int sig, int index = 0) {
        ::kill(static_cast<pid_t>(player.process(index).processId()), sig);
    }

    // Line k of the saved settings file.
    static QString savedLine(const PlayerRun& player, int k) {
        return textfile::decode(player.readFile("hMEMOTAP.txt")).split("\r\n").value(k);
    }

    XSession x;
};

TEST_F(CloseE2E, SignalDuringEachStartUpBoxClosesWithWhatWasLoaded) {
    {
        // The settings file's box: the defaults are what was loaded.
        PlayerRun player(x);
        player.writeFile("hMEMKEY.txt", defaultKeyFile());
        player.start();
        ASSERT_TRUE(x.waitForWindow("^エラー$"));
        signal(player, SIGTERM);
        ASSERT_EQ(player.waitForExit(0), 0);
        EXPECT_EQ(savedLine(player, 6), "100,0,10,4,4");
        EXPECT_EQ(player.readFile("hMEMKEY.txt"), defaultKeyFile());
    }
    {
        // The key file's box: the defaults are written, not nine empty records.
        PlayerRun player(x);
        player.writeFile("hMEMOTAP.txt", settings({}));
        player.start();
        ASSERT_TRUE(x.waitForWindow("^エラー$"));
        signal(player, SIGTERM);
        ASSERT_EQ(player.waitForExit(0), 0);
        EXPECT_EQ(player.readFile("hMEMKEY.txt"), defaultKeyFile());
    }
    {
        // The boxes of a file that is gone: nothing is removed, no place lost.
        PlayerRun player(x);
        const QString gone = player.path("stick/gone.wav");
        const QString kept = player.path("kept.wav");
        ASSERT_TRUE(MakeToneWav(kept, 5));
        player.writeFile("hMEMKEY.txt", defaultKeyFile());
        player.writeFile("hMEMOTAP.txt", settings({entry(gone, 300), entry(kept, 3)}));
        player.start();
        ASSERT_TRUE(x.waitForWindow("^確認$"));
        signal(player, SIGTERM);
        ASSERT_EQ(player.waitForExit(0), 0);
        EXPECT_EQ(savedLine(player, 1), entry(gone, 300));
        EXPECT_EQ(savedLine(player, 2), entry(kept, 3));
    }
}

TEST_F(CloseE2E, SignalEarlyInStartUpKeepsTheStoredPlace) {
    PlayerRun player(x);
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 30));
    player.writeFile("hMEMKEY.txt", defaultKeyFile());
    const QByteArray seeded = settings({entry(tone, 20)});
    // The signal lands at moments spread over start-up: before the handler
    // exists, before the window's first look at the engine, and after it.
    int run = 0;
    for (int delayMs : {0, 60, 120, 180, 220, 260, 300, 400, 600, 900}) {
        player.writeFile("hMEMOTAP.txt", seeded);
        player.start();
        QThread::msleep(delayMs); // the moment of the signal, not a wait
        signal(player, SIGTERM, run);
        ASSERT_TRUE(player.waitForExit(run)) << delayMs << " ms";
        EXPECT_EQ(savedLine(player, 1), entry(tone, 20)) << "signal after " << delayMs << " ms";
        ++run;
    }
}

TEST_F(CloseE2E, ClosingWhileTheLastFileReopensSlowlyEndsThePlayer) {
    SoundServer sound;
    PlayerRun player(x);
    ASSERT_TRUE(PrepareRun(x, sound, player));
    const QByteArray keys = player.readFile("hMEMKEY.txt");
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 30));
    SlowOpens slow(player, tone);
    // The window's close button, then a termination signal.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "close button" : "SIGTERM");
        player.writeFile("hMEMOTAP.txt", settings({entry(tone, 20)}));
        slow.hold();
        player.start();
        // The window names the file while its read is held.
        const auto window = x.waitForWindow("^tone.wav - メモタップ$");
        ASSERT_TRUE(window);
        ASSERT_TRUE(WaitUntil([&] { return slow.holding(); }));
        if (run == 0)
            ASSERT_TRUE(x.closeWindow(*window));
        else
            signal(player, SIGTERM, run);
        // Still held: the player may not wait for the file to answer.
        EXPECT_EQ(player.waitForExit(run), 0) << "the player outlived its window";
        slow.release();
        EXPECT_EQ(savedLine(player, 1), entry(tone, 20));
        EXPECT_EQ(player.readFile("hMEMKEY.txt"), keys);
    }

    // The next start has the socket and the keys to itself and reopens the file.
    const int next = player.start();
    ASSERT_TRUE(x.waitForWindow("^tone.wav - メモタップ$"));
    EXPECT_EQ(player.command({"--pause"}).exitCode, 0) << "the player did not answer";
    signal(player, SIGTERM, next);
    ASSERT_EQ(player.waitForExit(next), 0);
    EXPECT_EQ(savedLine(player, 1), entry(tone, 20));
}

TEST_F(CloseE2E, SignalWhileTheFileDialogOrABoxIsOpenClosesCleanly) {
    struct Case {
        const char* keys;
        const char* title;
    };
    for (const Case c : {Case{"o", "^(Open|開く)$"}, Case{"a", "^バージョン情報$"}}) {
        PlayerRun player(x);
        player.writeFile("hMEMKEY.txt", defaultKeyFile());
        player.writeFile("hMEMOTAP.txt", settings({}));
        player.start();
        const auto main = x.waitForWindow("^メモタップ$");
        ASSERT_TRUE(main);
        const QString menu = QString(c.keys) == "o" ? "alt+f" : "alt+h";
        // The menu opens once the window takes keys; tried until the dialog shows.
        std::optional<QString> dialog;
        for (int attempt = 0; attempt < 5 && !dialog; ++attempt) {
            x.xdotool({"windowfocus", "--sync", *main});
            x.xdotool({"key", "--window", *main, menu});
            x.xdotool({"key", "--delay", "200", c.keys});
            dialog = x.waitForWindow(c.title, 3000);
        }
        ASSERT_TRUE(dialog) << c.title;
        signal(player, SIGTERM);
        ASSERT_EQ(player.waitForExit(0), 0) << c.title;
        EXPECT_EQ(savedLine(player, 6), "100,0,10,4,4") << "the close saved the settings";
    }
}

TEST_F(CloseE2E, AfterAKillWhilePausedTheNextStartIsAtThePause) {
    SoundServer sound;
    ASSERT_TRUE(sound.ok());
    PlayerRun player(x);
    sound.addTo(player.environment());
    const QString tone = player.path("tone.wav");
    ASSERT_TRUE(MakeToneWav(tone, 60));
    player.writeFile("hMEMKEY.txt", defaultKeyFile());
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 5)}));
    player.start();
    ASSERT_TRUE(x.waitForWindow("^tone.wav - メモタップ$"));

    // Plays with the play/pause hotkey until the place moves on, then pauses.
    ASSERT_TRUE(WaitUntil(
        [&] {
            x.xdotool({"key", "ctrl+space"});
            const bool moved =
                WaitUntil([&] { return savedLine(player, 1) != entry(tone, 5); }, 2500);
            return moved;
        },
        30000))
        << "the pause never reached the disk";
    // The place on disk is where playback rests now; it stays there.
    const QString paused = savedLine(player, 1);
    signal(player, SIGKILL);
    player.waitForExit(0);
    EXPECT_EQ(savedLine(player, 1), paused);
    EXPECT_NE(paused, entry(tone, 5));

    // The next start reopens there: closed at once, it saves the same place.
    const int next = player.start();
    ASSERT_TRUE(x.waitForWindow("^tone.wav - メモタップ$"));
    ASSERT_TRUE(WaitUntil([&] { return player.process(next).state() == QProcess::Running; }));
    signal(player, SIGTERM, next);
    ASSERT_EQ(player.waitForExit(next), 0);
    EXPECT_EQ(savedLine(player, 1), paused);
}

} // namespace
