// The real player with the real engine under a private X server and sound
// server: the last file comes back from the history, the play/pause button
// plays and pauses it, a history menu item switches files, and closing saves
// where playback was.
#include "core/modMain.h"
#include "core/textfile.h"
#include "support/audio_fixtures.h"
#include "support/settings_text.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Window geometry of the design, in pixels: the seek, settings and transport
// rows above the separator line, and the play/pause button's centre.
constexpr int ClientAboveSeparator = 1240 / 15;
constexpr int PlayPauseX = (500 + 700 / 2) / 15;
constexpr int PlayPauseY = (885 + 300 / 2) / 15;

// The saved history entries as (path, position).
std::vector<std::pair<QString, int>> savedHistory(const PlayerRun& player) {
    std::vector<std::pair<QString, int>> out;
    const QStringList lines = textfile::decode(player.readFile("hMEMOTAP.txt")).split("\r\n");
    for (int i = 1; i <= 5 && i < lines.size(); ++i) {
        const QString path = lines[i].section(',', 0, -2);
        out.emplace_back(path.mid(1, path.size() - 2), lines[i].section(',', -1).toInt());
    }
    return out;
}

class PlayerE2E : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(PrepareRun(x, sound, player)); }

    // Starts the player and waits for its window with the given title.
    QString startAndWaitFor(const QString& title) {
        player.start();
        const auto window = x.waitForWindow("^" + QRegularExpression::escape(title) + "$");
        if (!window || !WaitForOpened(x, player))
            return {};
        // Mapped is not yet drawn: give the window a moment to take input.
        QThread::msleep(700);
        return window.value_or(QString());
    }

    // Height of the menu bar: the window shows the rows down to the line.
    int menuHeight(const QString& window) const {
        const auto shell = x.xdotool({"getwindowgeometry", "--shell", window});
        if (!shell)
            return -1;
        for (const QString& line : shell->split('\n'))
            if (line.startsWith("HEIGHT="))
                return line.mid(7).toInt() - ClientAboveSeparator;
        return -1;
    }

    void clickPlayPause(const QString& window) {
        const int top = menuHeight(window);
        ASSERT_GT(top, 0);
        ASSERT_TRUE(x.xdotool({"mousemove", "--window", window, QString::number(PlayPauseX),
                               QString::number(top + PlayPauseY), "click", "1"}));
    }

    void closeThroughMenu(const QString& window) {
        x.xdotool({"windowfocus", "--sync", window});
        x.xdotool({"key", "--window", window, "alt+f"});
        QThread::msleep(400);
        x.xdotool({"key", "x"});
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
};

TEST_F(PlayerE2E, PlayPauseAndCloseSaveWherePlaybackWas) {
    const QString tone = player.path("会議 録音.wav");
    ASSERT_TRUE(MakeToneWav(tone, 60));
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 10)}));
    const QString window = startAndWaitFor("会議 録音.wav - メモタップ");
    ASSERT_FALSE(window.isEmpty()) << "the last file was not reopened";
    x.screenshot(window, "player-reopened-paused");

    const QString heard = player.path("heard.wav");
    ASSERT_TRUE(sound.startRecording(heard));
    QThread::msleep(300);
    QElapsedTimer played;
    clickPlayPause(window);
    played.start();
    QThread::msleep(2500);
    x.screenshot(window, "player-playing");
    QThread::msleep(500);
    clickPlayPause(window);
    const double playedSeconds = played.elapsed() / 1000.0;
    QThread::msleep(500);
    sound.stopRecording();
    x.screenshot(window, "player-paused-again");

    // The tone reached the sound server.
    const auto audio = fixtures::readWav(heard);
    ASSERT_TRUE(audio) << "no recording of the output";
    const std::size_t second = static_cast<std::size_t>(audio->rate);
    ASSERT_GT(audio->samples.size(), 3 * second);
    double loudest = 0;
    for (std::size_t at = 0; at + second <= audio->samples.size(); at += second / 2)
        loudest = std::max(loudest, fixtures::tonePower(*audio, at, second / 2, 440));
    EXPECT_GT(loudest, 0.01) << "the tone was not heard";

    closeThroughMenu(window);
    ASSERT_EQ(player.waitForExit(0), 0);
    const auto saved = savedHistory(player);
    ASSERT_EQ(saved.size(), 5u);
    EXPECT_EQ(saved[0].first, tone);
    // From 10 s the file played for about playedSeconds (the clicks take a
    // moment to arrive, so allow a second either way).
    EXPECT_GE(saved[0].second, 10 + static_cast<int>(std::floor(playedSeconds)) - 1);
    EXPECT_LE(saved[0].second, 10 + static_cast<int>(std::ceil(playedSeconds)) + 1);
}

TEST_F(PlayerE2E, HistoryMenuSwitchesFilesAndKeepsBothPlaces) {
    const QString first = player.path("a.wav");
    const QString second = player.path("b.wav");
    ASSERT_TRUE(MakeToneWav(first, 60, 440));
    ASSERT_TRUE(MakeToneWav(second, 40, 660));
    player.writeFile("hMEMOTAP.txt", settings({entry(first, 20), entry(second, 5)}));
    const QString window = startAndWaitFor("a.wav - メモタップ");
    ASSERT_FALSE(window.isEmpty());

    clickPlayPause(window);
    QThread::msleep(2200);
    clickPlayPause(window);
    QThread::msleep(300);

    // File menu: 開く, then the two history entries; the second is chosen.
    x.xdotool({"windowfocus", "--sync", window});
    x.xdotool({"key", "--window", window, "alt+f"});
    QThread::msleep(400);
    x.xdotool({"key", "Down", "Down", "Return"});
    ASSERT_TRUE(x.waitForWindow("^b\\.wav - メモタップ$", 5000) && WaitForOpened(x, player))
        << "entry 2 did not open";
    QThread::msleep(400);
    x.screenshot(window, "player-history-entry-2");

    closeThroughMenu(window);
    ASSERT_EQ(player.waitForExit(0), 0);
    const auto saved = savedHistory(player);
    ASSERT_EQ(saved.size(), 5u);
    // b rests where it was saved; a keeps the place it was paused at.
    EXPECT_EQ(saved[0], std::make_pair(second, 5));
    EXPECT_EQ(saved[1].first, first);
    EXPECT_GE(saved[1].second, 21);
    EXPECT_LE(saved[1].second, 24);
    EXPECT_EQ(saved[2].first, "");
}

} // namespace
