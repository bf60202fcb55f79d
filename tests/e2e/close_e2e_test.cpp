// The real player closed from outside while it is busy: a termination signal
// during each start-up box, early in start-up, and while a dialog or a box is
// open; and a kill while paused, after which the place is still on disk.
#include "core/hotkeys/keyfile.h"
#include "core/modMain.h"
#include "core/textfile.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray defaultKeyFile() {
    modMain::InstallDefaultHotKeys();
    return modMain::KeyFileBytes();
}

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
