// The real player given damaged files on its command line: random bytes
// named .mp3 bring the ErrNo box and leave a working player; an MP3 cut off
// halfway plays what is there. The player answers commands throughout and
// closes normally.
#include "core/textfile.h"
#include "support/audio_fixtures.h"
#include "support/settings_text.h"
#include "support/xsession.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// How long the player may leave a command unanswered after a damaged file.
constexpr int AnswerLimitMs = 2000;

class DamagedE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        player.writeFile("hMEMOTAP.txt", settings({}));
    }

    // Presses Return on each box with the title until none is left.
    int answerBoxes(const QString& title) {
        int answered = 0;
        while (auto box = x.waitForWindow("^" + title + "$", answered == 0 ? 15000 : 1500)) {
            x.xdotool({"windowfocus", "--sync", *box});
            x.xdotool({"key", "--window", *box, "Return"});
            ++answered;
            QThread::msleep(300);
        }
        return answered;
    }

    void expectAnswers(const QStringList& command) {
        const PlayerRun::Outcome outcome = player.command(command, AnswerLimitMs);
        EXPECT_EQ(outcome.exitCode, 0)
            << command.join(' ').toStdString() << ": " << outcome.err.toStdString();
    }

    XSession x;
    SoundServer sound;
    PlayerRun player{x};
};

TEST_F(DamagedE2E, RandomBytesShowTheBoxAndACutMp3Plays) {
    QFile noise(player.path("noise.mp3"));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    ASSERT_EQ(noise.write(fixtures::randomBytes(64 * 1024, 13)), 64 * 1024);
    noise.close();
    const QString wav = player.path("tone.wav");
    ASSERT_TRUE(fixtures::writeWav(wav, fixtures::sine(440, 10, 22050), 22050));
    const QString whole = player.path("whole.mp3");
    ASSERT_TRUE(fixtures::encodeMp3(wav, whole, {"-b", "32"}));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray mp3 = in.readAll();
    QFile cut(player.path("cut.mp3"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    ASSERT_EQ(cut.write(mp3.left(mp3.size() / 2 + 77)), mp3.size() / 2 + 77);
    cut.close();

    player.start({noise.fileName()});
    EXPECT_GE(answerBoxes("確認"), 1) << "no ErrNo box for random bytes";
    const auto main = x.waitForWindow("^メモタップ$");
    ASSERT_TRUE(main) << "the player did not survive the damaged file";
    x.screenshot(*main, "damaged-after-random-bytes");
    expectAnswers({"--play"});

    // Half of a ten-second file: it opens and plays to the cut.
    expectAnswers({cut.fileName()});
    const auto playing = x.waitForWindow("^cut\\.mp3 - メモタップ$");
    ASSERT_TRUE(playing) << "the cut MP3 did not open";
    expectAnswers({"--play"});
    expectAnswers({"--seek", "3"});
    expectAnswers({"--to-end"});
    expectAnswers({"--rewind"});
    expectAnswers({"--play-pause"});
    x.screenshot(*playing, "damaged-cut-mp3-playing");

    player.terminate(0);
    ASSERT_EQ(player.waitForExit(0), 0);
    EXPECT_TRUE(textfile::decode(player.readFile("hMEMOTAP.txt")).contains(cut.fileName()));
}

} // namespace
